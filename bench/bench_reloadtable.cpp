// The entry list with many entries: MainWindow::reloadTable against running
// the list statement and stepping through its rows alone, on the same vault
// in the same run; then Find on the last listed row and the peak memory.
//
// Usage: bench_reloadtable [entries]   (default 100000)

#include "benchsupport.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Bench;

namespace {

constexpr int defaultEntries = 100000;
constexpr int repetitions = 7;
const QString masterPassword = QStringLiteral("bench master password");

void printMilliseconds(const char *label, double seconds)
{
    std::printf("%-44s %9.1f ms (median of %d)\n", label, seconds * 1e3, repetitions);
}

// Answers the master password gate that the window's constructor runs.
void answerGateWhenItOpens(QTimer &timer)
{
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&timer] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("passwordEdit"));
        auto *button = modal->findChild<QPushButton *>(QStringLiteral("enterButton"));
        if (!edit || !button)
            fail("an unexpected modal window opened");
        timer.stop();
        edit->setText(masterPassword);
        button->click();
    });
    timer.start();
}

// What the list statement costs alone: run it forward-only and read every
// row's three values as the list does.
qint64 stepThroughList()
{
    QSqlQuery query;
    query.setForwardOnly(true);
    if (!query.exec(VaultStatements::selectEntryList()) || query.record().isEmpty())
        fail("the list statement failed");
    qint64 checksum = 0;
    while (query.next()) {
        checksum += query.value(0).toLongLong();
        checksum += query.value(0).toString().size();
        checksum += query.value(1).toString().size();
        checksum += query.value(2).toString().size();
    }
    return checksum;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    const QStringList arguments = QCoreApplication::arguments();
    const int entries = arguments.size() > 1 ? arguments.at(1).toInt() : defaultEntries;
    if (entries < 1)
        fail("the number of entries must be a positive integer");

    QTemporaryDir directory;
    if (!directory.isValid() || !QDir::setCurrent(directory.path()))
        fail("cannot enter a temporary directory");

    std::printf("entries: %d\n", entries);
    const double setupSeconds = secondsOf([entries] { createVault(entries, masterPassword); });
    std::printf("vault set-up (not measured below): %.2f s\n", setupSeconds);
    const long peakBeforeWindow = peakKibibytes();

    QTimer gateTimer;
    answerGateWhenItOpens(gateTimer);
    MainWindow window;
    auto *table = window.findChild<QTableWidget *>(QStringLiteral("tableWidget"));
    auto *findEdit = window.findChild<QLineEdit *>(QStringLiteral("lineEdit_4"));
    auto *findButton = window.findChild<QPushButton *>(QStringLiteral("pushButton_2"));
    if (!table || !findEdit || !findButton)
        fail("the window did not unlock");
    window.show();
    QApplication::processEvents();
    if (table->rowCount() != entries)
        fail("the list does not show every entry");

    std::vector<double> statementTimes;
    std::vector<double> reloadTimes;
    qint64 checksum = 0;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        statementTimes.push_back(secondsOf([&checksum] { checksum += stepThroughList(); }));
        reloadTimes.push_back(secondsOf([&window] { window.reloadTable(); }));
        // What a reload leaves for the event loop (layout, painting) is not
        // part of either figure; let it run before the next round.
        QApplication::processEvents();
        if (table->rowCount() != entries)
            fail("a reload lost rows");
    }
    if (checksum == 0)
        fail("the list statement read nothing");

    const double statement = median(statementTimes);
    const double reload = median(reloadTimes);
    printMilliseconds("list statement + stepping through all rows", statement);
    printMilliseconds("MainWindow::reloadTable()", reload);
    std::printf("%-44s %9.2f x (goal <= 3)\n", "ratio reloadTable / statement", reload / statement);

    const int lastRow = entries - 1;
    const QString lastDomain = table->item(lastRow, 1)->text();
    if (table->findItems(lastDomain, Qt::MatchExactly).size() != 1)
        fail("the last domain is not unique");
    std::vector<double> findTimes;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        table->clearSelection();
        table->setCurrentCell(0, 1);
        findEdit->setText(lastDomain);
        // A "Not Found" box would wait for a click for ever.
        QTimer notFound;
        notFound.setInterval(10);
        QObject::connect(&notFound, &QTimer::timeout, [] {
            if (QApplication::activeModalWidget())
                fail("Find did not find the last domain");
        });
        notFound.start();
        findTimes.push_back(secondsOf([findButton] { findButton->click(); }));
        const QList<QTableWidgetItem *> selected = table->selectedItems();
        if (table->currentRow() != lastRow || selected.size() != 3
            || std::any_of(selected.cbegin(), selected.cend(),
                           [lastRow](const QTableWidgetItem *item) { return item->row() != lastRow; }))
            fail("Find did not select the last row");
    }
    printMilliseconds("Find on the last row", median(findTimes));

    std::printf("%-44s %9ld KiB\n", "peak memory before the window opened", peakBeforeWindow);
    std::printf("%-44s %9ld KiB (ru_maxrss)\n", "peak memory with every entry listed", peakKibibytes());
    return 0;
}
