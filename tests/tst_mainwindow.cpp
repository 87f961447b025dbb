#include "mainwindow/mainwindow.h"

#include "dialogsteps.h"
#include "testmain.h"
#include "testvault.h"
#include "workingdirectory.h"

#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <memory>

namespace {
const QString masterPassword = QStringLiteral("master");

int fileMode(const char *path)
{
    struct stat info {};
    return ::stat(path, &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

ModalDriver::Step fillEntry(const QString &login, const QString &pass)
{
    return [login, pass](QWidget *dialog) {
        if (dialog->findChild<QLineEdit *>("domainEdit")->isEnabled())
            dialog->findChild<QLineEdit *>("domainEdit")->setText("b.org");
        dialog->findChild<QLineEdit *>("loginEdit")->setText(login);
        dialog->findChild<QLineEdit *>("passEdit")->setText(pass);
        dialog->findChild<QPushButton *>("saveButton")->click();
        dialog->close();
    };
}
}

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartCreatesAnOwnerOnlyVault_data();
    void firstStartCreatesAnOwnerOnlyVault();
    void existingEmptyFileIsOpenedAsItIs();
    void unopenableVaultShowsOneErrorAndAnEmptyWindow();
    void closingTheGateEndsTheProgram_data();
    void closingTheGateEndsTheProgram();
    void masterPasswordThatCannotBeSavedKeepsTheGateOpen();
    void firstStartMakesAnOwnerOnlyVaultOrNone_data();
    void firstStartMakesAnOwnerOnlyVaultOrNone();

    void windowHasItsTitleSizeAndIcon();
    void widgetsSitWhereTheFormPutsThem_data();
    void widgetsSitWhereTheFormPutsThem();
    void tabFollowsCreationOrder();
    void setUpShapesTableGeneratorAndCreditLine();
    void lengthFieldTakesOnlyDigits_data();
    void lengthFieldTakesOnlyDigits();
    void genPassFillsTheTopField_data();
    void genPassFillsTheTopField();

    void listIsSortedBytewiseWithRowsTwentyHigh();
    void findSelectsTheFirstExactDomain_data();
    void findSelectsTheFirstExactDomain();
    void addDataRefillsTheListSavedOrNot();

    void menuAppearsOnlyForASelectionAndGoesWhenClosed();
    void actionsWorkOnOneWholeRow_data();
    void actionsWorkOnOneWholeRow();
    void copyPassCopiesWhatIsStored();
    void editRefillsTheListSavedOrNot();
    void failureChangesOnlyTheStatusBar_data();
    void failureChangesOnlyTheStatusBar();
    void namesStoredAsBytesKeepTheirText();

private:
    void openWindow(const QStringList &domains = {});
    QTableWidget *table() const;
    template <typename T>
    T *widget(const char *name) const;
    QStringList listed(int column = 1) const;
    void selectRows(const QList<int> &rows, int currentRow);
    void chooseFromMenu(const QString &actionText);
    static QString clipboardText();

    std::unique_ptr<WorkingDirectory> workDir;
    std::unique_ptr<ModalDriver> driver;
    std::unique_ptr<MainWindow> window;
};

void TestMainWindow::init()
{
    workDir = std::make_unique<WorkingDirectory>();
    QVERIFY(workDir->isValid());
    driver = std::make_unique<ModalDriver>();
}

void TestMainWindow::cleanup()
{
    window.reset();
    QVERIFY2(driver->unexpectedModals().isEmpty(), qPrintable(driver->unexpectedModals().join(',')));
    driver.reset();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    workDir.reset();
}

// A vault whose password is set and which holds the given domains (no vault
// at all when there are none), unlocked and shown.
void TestMainWindow::openWindow(const QStringList &domains)
{
    if (!domains.isEmpty()) {
        TestVault::createSchema();
        TestVault::setMasterPassword(masterPassword);
        for (const QString &domain : domains)
            TestVault::addEntry(domain, "login of " + domain, ("pass of " + domain).toUtf8(), "",
                                TestVault::masterKeyFor(masterPassword));
    }
    driver->then(DialogSteps::enterPassword(masterPassword));
    window = std::make_unique<MainWindow>();
    QVERIFY(driver->allStepsRan());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMainWindow::firstStartCreatesAnOwnerOnlyVault_data()
{
    QTest::addColumn<int>("umask");
    QTest::newRow("permissive umask") << 0;
    QTest::newRow("usual umask") << 022;
}

void TestMainWindow::firstStartCreatesAnOwnerOnlyVault()
{
    QFETCH(int, umask);
    const mode_t previous = ::umask(static_cast<mode_t>(umask));
    openWindow();
    ::umask(previous);
    QCOMPARE(fileMode("db.db"), 0600);
    QCOMPARE(TestVault::tableNames(), QStringList({"Data", "SPass"}));
}

void TestMainWindow::existingEmptyFileIsOpenedAsItIs()
{
    QFile("db.db").open(QIODevice::WriteOnly);
    QVERIFY(::chmod("db.db", 0640) == 0);
    // Without tables Enter does nothing; the gate can only be closed.
    driver->then(DialogSteps::enterPassword(masterPassword));
    driver->then(DialogSteps::closeWindow());
    window = std::make_unique<MainWindow>();
    QVERIFY(driver->allStepsRan());
    QCOMPARE(QFileInfo("db.db").size(), 0);
    QCOMPARE(fileMode("db.db"), 0640);
}

void TestMainWindow::unopenableVaultShowsOneErrorAndAnEmptyWindow()
{
    QVERIFY(QDir().mkdir("db.db"));
    QStringList shown;
    driver->then(DialogSteps::dismissMessage(&shown));
    window = std::make_unique<MainWindow>();
    QCOMPARE(shown, QStringList("Error Connect to DataBasse"));
    QVERIFY(!window->findChild<QWidget *>("centralwidget"));

    window->show();
    QTimer::singleShot(0, window.get(), &QWidget::close);
    QCOMPARE(QApplication::exec(), 0);
}

void TestMainWindow::closingTheGateEndsTheProgram_data()
{
    QTest::addColumn<bool>("passwordSet");
    QTest::addColumn<bool>("escape");
    QTest::newRow("first run, close button") << false << false;
    QTest::newRow("first run, Escape") << false << true;
    QTest::newRow("password set, close button") << true << false;
    QTest::newRow("password set, Escape") << true << true;
}

void TestMainWindow::closingTheGateEndsTheProgram()
{
    QFETCH(bool, passwordSet);
    QFETCH(bool, escape);
    if (passwordSet) {
        TestVault::createSchema();
        TestVault::setMasterPassword(masterPassword);
    }
    driver->then(escape ? DialogSteps::pressEscape() : DialogSteps::closeWindow());
    window = std::make_unique<MainWindow>();
    QVERIFY(driver->allStepsRan());
    QVERIFY(!window->findChild<QWidget *>("centralwidget"));

    // As main() runs it: shown, then the event loop until the window closes.
    window->show();
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!window->isVisible());
    QCOMPARE(TestVault::tableNames(), QStringList({"Data", "SPass"}));
    QCOMPARE(TestVault::rows("SELECT pass FROM SPass").size(), passwordSet ? 1 : 0);
}

void TestMainWindow::masterPasswordThatCannotBeSavedKeepsTheGateOpen()
{
    QStringList messages;
    driver->then([](QWidget *gate) {
        QSqlQuery("PRAGMA query_only = ON");
        DialogSteps::enterPassword(masterPassword)(gate);
    });
    driver->then(DialogSteps::dismissMessage(&messages));
    driver->then(DialogSteps::closeWindow());
    window = std::make_unique<MainWindow>();
    QVERIFY(driver->allStepsRan());
    QCOMPARE(messages, QStringList("The master password could not be saved."));
    QVERIFY(!window->findChild<QWidget *>("centralwidget"));
    QVERIFY(TestVault::rows("SELECT pass FROM SPass").isEmpty());
}

void TestMainWindow::firstStartMakesAnOwnerOnlyVaultOrNone_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("links to nothing yet") << "vault.db" << false;
    QTest::newRow("links into a folder") << "sub/vault.db" << false;
    QTest::newRow("full disk") << "db.db" << true;
    QTest::newRow("full disk behind links") << "sub/vault.db" << true;
}

void TestMainWindow::firstStartMakesAnOwnerOnlyVaultOrNone()
{
    QFETCH(QString, target);
    QFETCH(bool, diskFull);
    QVERIFY(QDir().mkdir("sub"));
    if (target != "db.db") {
        QVERIFY(::symlink(qPrintable(target), "second") == 0);
        QVERIFY(::symlink("second", "db.db") == 0);
    }
    if (diskFull) {
        QStringList shown;
        driver->then(DialogSteps::dismissMessage(&shown));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        ::getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit nothingWritable{0, previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &nothingWritable);
        window = std::make_unique<MainWindow>();
        ::setrlimit(RLIMIT_FSIZE, &previous);
        QCOMPARE(shown, QStringList("Error Connect to DataBasse"));
        QVERIFY(!QFileInfo::exists(target));
        window.reset();
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    }
    // The next start sets the vault up from scratch.
    openWindow();
    QCOMPARE(fileMode(qPrintable(target)), 0600);
    QCOMPARE(TestVault::tableNames(), QStringList({"Data", "SPass"}));
}

void TestMainWindow::windowHasItsTitleSizeAndIcon()
{
    openWindow();
    QCOMPARE(window->windowTitle(), QStringLiteral("Password Manager v 1.1"));
    QCOMPARE(window->size(), QSize(476, 485));
    QVERIFY(window->windowIcon().availableSizes().contains(QSize(256, 256)));
    QCOMPARE(window->statusBar()->currentMessage(), QString());
    QVERIFY(!window->centralWidget()->layout());
    const QRect tableGeometry = table()->geometry();
    window->resize(900, 800);
    QCOMPARE(table()->geometry(), tableGeometry);
}

void TestMainWindow::widgetsSitWhereTheFormPutsThem_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("lineEdit") << "QLineEdit" << QRect(10, 10, 181, 21) << "";
    QTest::newRow("pushButton") << "QPushButton" << QRect(200, 10, 80, 21) << "Gen Pass";
    QTest::newRow("checkBox") << "QCheckBox" << QRect(10, 40, 81, 19) << "Use Number";
    QTest::newRow("checkBox_2") << "QCheckBox" << QRect(100, 40, 72, 19) << "Use Char";
    QTest::newRow("checkBox_3") << "QCheckBox" << QRect(180, 40, 111, 19) << "Use Upper Char";
    QTest::newRow("checkBox_4") << "QCheckBox" << QRect(290, 40, 111, 19) << "Use Special Char";
    QTest::newRow("label") << "QLabel" << QRect(10, 70, 91, 16) << "Password length:";
    QTest::newRow("lineEdit_2") << "QLineEdit" << QRect(110, 70, 71, 21) << "10";
    QTest::newRow("tableWidget") << "QTableWidget" << QRect(10, 140, 451, 261) << "";
    QTest::newRow("pushButton_3") << "QPushButton" << QRect(10, 410, 80, 21) << "Add data";
    QTest::newRow("label_2") << "QLabel" << QRect(10, 440, 161, 16) << "<credit>";
    QTest::newRow("lineEdit_3") << "QLineEdit" << QRect(180, 439, 191, 16) << "<address>";
    QTest::newRow("label_3") << "QLabel" << QRect(10, 110, 71, 16) << "Find Domain:";
    QTest::newRow("lineEdit_4") << "QLineEdit" << QRect(90, 110, 271, 21) << "";
    QTest::newRow("pushButton_2") << "QPushButton" << QRect(380, 110, 80, 21) << "Find";
}

void TestMainWindow::widgetsSitWhereTheFormPutsThem()
{
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    openWindow();

    QWidget *found = window->findChild<QWidget *>(QTest::currentDataTag());
    QVERIFY(found);
    QCOMPARE(QString(found->metaObject()->className()), className);
    QCOMPARE(found->parentWidget(), window->centralWidget());
    QCOMPARE(found->geometry(), geometry);
    if (!text.startsWith('<'))
        QCOMPARE(found->property("text").toString(), text);
}

void TestMainWindow::tabFollowsCreationOrder()
{
    openWindow();
    QStringList order;
    QWidget *start = widget<QLineEdit>("lineEdit");
    QWidget *next = start;
    do {
        if (next->isVisibleTo(window.get()) && (next->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
            order << next->objectName();
        next = next->nextInFocusChain();
    } while (next != start);
    QCOMPARE(order, QStringList({"lineEdit", "pushButton", "checkBox", "checkBox_2", "checkBox_3",
                                 "checkBox_4", "lineEdit_2", "tableWidget", "pushButton_3",
                                 "lineEdit_3", "lineEdit_4", "pushButton_2"}));
}

void TestMainWindow::setUpShapesTableGeneratorAndCreditLine()
{
    openWindow({"example.org"});
    QTableWidget *entries = table();
    QCOMPARE(entries->columnCount(), 3);
    QStringList headers;
    for (int column = 0; column < 3; ++column)
        headers << entries->horizontalHeaderItem(column)->text();
    QCOMPARE(headers, QStringList({"id", "Domain", "Login"}));
    QCOMPARE(entries->columnWidth(0), 0);
    QVERIFY(!entries->isColumnHidden(0));
    QCOMPARE(entries->columnWidth(1), 260);
    QCOMPARE(entries->horizontalHeader()->sectionResizeMode(2), QHeaderView::Stretch);
    QCOMPARE(entries->columnWidth(1) + entries->columnWidth(2), entries->viewport()->width());
    QCOMPARE(entries->contextMenuPolicy(), Qt::CustomContextMenu);
    QVERIFY(entries->showGrid());
    entries->selectRow(0);
    QCOMPARE(entries->selectedItems().size(), 3);

    QVERIFY(widget<QCheckBox>("checkBox")->isChecked());
    QVERIFY(widget<QCheckBox>("checkBox_2")->isChecked());
    QVERIFY(widget<QCheckBox>("checkBox_3")->isChecked());
    QVERIFY(!widget<QCheckBox>("checkBox_4")->isChecked());

    QVERIFY(widget<QLabel>("label_2")->openExternalLinks());
    QCOMPARE(widget<QLabel>("label_2")->text().count("<a href="), 1);
    auto *address = widget<QLineEdit>("lineEdit_3");
    QVERIFY(address->text().contains('@') && address->isReadOnly() && !address->hasFrame());
    const QColor background = window->centralWidget()->palette().color(QPalette::Window);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(address->palette().color(group, QPalette::Base), background);
}

void TestMainWindow::lengthFieldTakesOnlyDigits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("digits") << "0010" << "0010";
    QTest::newRow("letter refused") << "1a2" << "12";
    QTest::newRow("sign refused") << "-5" << "5";
    QTest::newRow("101st digit refused") << QString(101, '7') << QString(100, '7');
}

void TestMainWindow::lengthFieldTakesOnlyDigits()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    openWindow();
    QLineEdit *length = widget<QLineEdit>("lineEdit_2");
    length->clear();
    QTest::keyClicks(length, typed);
    QCOMPARE(length->text(), kept);
}

void TestMainWindow::genPassFillsTheTopField_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<int>("expected");
    QTest::newRow("leading zeros") << "0010" << 10;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("beyond int range") << "2147483648" << 0;
    QTest::newRow("capped") << "5000" << 4096;
}

void TestMainWindow::genPassFillsTheTopField()
{
    QFETCH(QString, length);
    QFETCH(int, expected);
    openWindow();
    widget<QLineEdit>("lineEdit")->setText("previous text");
    widget<QLineEdit>("lineEdit_2")->setText(length);
    for (const char *box : {"checkBox", "checkBox_2", "checkBox_3"})
        widget<QCheckBox>(box)->setChecked(false);
    widget<QCheckBox>("checkBox_4")->setChecked(true);
    widget<QPushButton>("pushButton")->click();

    const QString password = widget<QLineEdit>("lineEdit")->text();
    QCOMPARE(password.size(), expected);
    for (const QChar c : password)
        QVERIFY(QStringLiteral("!@#$%^&*()_+=-<>?.,;:{}").contains(c));
}

void TestMainWindow::listIsSortedBytewiseWithRowsTwentyHigh()
{
    openWindow({"b.org", "a.org", "Z.org", "B.org", QStringLiteral("ä.org"), "1.org"});
    const QStringList sorted({"1.org", "B.org", "Z.org", "a.org", "b.org", QStringLiteral("ä.org")});
    for (int reload = 0; reload < 3; ++reload) {
        QCOMPARE(listed(), sorted);
        for (int row = 0; row < table()->rowCount(); ++row) {
            QCOMPARE(table()->rowHeight(row), 20);
            QCOMPARE(table()->item(row, 2)->text(), "login of " + sorted[row]);
            QVERIFY(!(table()->item(row, 0)->flags() & Qt::ItemIsEditable));
            QVERIFY(table()->item(row, 1)->flags() & Qt::ItemIsEditable);
        }
        window->reloadTable();
    }
    QCOMPARE(listed(0), QStringList({"6", "4", "3", "2", "1", "5"}));
}

void TestMainWindow::findSelectsTheFirstExactDomain_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("row");

    // Listed as: "", " padded.org", "Beta.org", "alpha.org", "gamma.org", "gamma.org"
    QTest::newRow("exact") << "alpha.org" << 3;
    QTest::newRow("blanks around the search text") << "  alpha.org\t" << 3;
    QTest::newRow("case matters") << "beta.org" << -1;
    QTest::newRow("first of duplicates") << "gamma.org" << 4;
    QTest::newRow("stored blank never found") << " padded.org" << -1;
    QTest::newRow("empty finds the empty domain") << "   " << 0;
    QTest::newRow("no prefix match") << "alpha" << -1;
}

void TestMainWindow::findSelectsTheFirstExactDomain()
{
    QFETCH(QString, search);
    QFETCH(int, row);
    openWindow({"alpha.org", "Beta.org", "gamma.org", "gamma.org", " padded.org", ""});
    selectRows({5}, 5);

    widget<QLineEdit>("lineEdit_4")->setText(search);
    for (int press = 0; press < 2; ++press) {
        QStringList messages;
        if (row < 0)
            driver->then(DialogSteps::dismissMessage(&messages));
        widget<QPushButton>("pushButton_2")->click();
        QCOMPARE(messages, row < 0 ? QStringList("Not Found") : QStringList());
        QCOMPARE(table()->currentRow(), row < 0 ? 5 : row);
        QCOMPARE(table()->selectedItems().size(), 3);
    }
}

void TestMainWindow::addDataRefillsTheListSavedOrNot()
{
    openWindow({"a.org", "c.org"});
    driver->then(fillEntry("bob", "hunter2"));
    widget<QPushButton>("pushButton_3")->click();
    QVERIFY(driver->allStepsRan());
    QCOMPARE(listed(), QStringList({"a.org", "b.org", "c.org"}));
    QCOMPARE(table()->item(1, 2)->text(), QStringLiteral("bob"));

    selectRows({1}, 1);
    TestVault::addEntry("d.org");
    driver->then(DialogSteps::pressEscape());
    widget<QPushButton>("pushButton_3")->click();
    QCOMPARE(listed(), QStringList({"a.org", "b.org", "c.org", "d.org"}));
    QVERIFY(table()->selectedItems().isEmpty());
}

void TestMainWindow::menuAppearsOnlyForASelectionAndGoesWhenClosed()
{
    openWindow({"a.org"});
    emit table()->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(window->findChildren<QMenu *>().isEmpty());

    selectRows({0}, 0);
    for (int request = 0; request < 3; ++request) {
        emit table()->customContextMenuRequested(QPoint(5, 5));
        const QList<QMenu *> menus = window->findChildren<QMenu *>();
        QCOMPARE(menus.size(), 1);
        QVERIFY(menus.first()->isVisible());
        QStringList texts;
        for (QAction *action : menus.first()->actions())
            texts << action->text();
        QCOMPARE(texts, QStringList({"Copy Domain", "Copy Login", "Copy Pass", "Edit", "Delete"}));
        QTest::keyClick(menus.first(), Qt::Key_Escape);
        QTRY_VERIFY(window->findChildren<QMenu *>().isEmpty());
        QVERIFY(window->findChildren<QAction *>().isEmpty());
    }
}

void TestMainWindow::actionsWorkOnOneWholeRow_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("expected");
    QTest::newRow("one row") << QList<int>({1}) << 1 << 1;
    QTest::newRow("current row among several") << QList<int>({0, 2, 3}) << 2 << 2;
    QTest::newRow("current row not selected") << QList<int>({3, 1}) << 0 << 1;
}

void TestMainWindow::actionsWorkOnOneWholeRow()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, current);
    QFETCH(int, expected);
    openWindow({"a.org", "b.org", "c.org", "d.org"});
    const QString domain = table()->item(expected, 1)->text();

    const QList<QPair<QString, QString>> copies({{"Copy Domain", domain},
                                                 {"Copy Login", "login of " + domain},
                                                 {"Copy Pass", "pass of " + domain}});
    for (const auto &copy : copies) {
        selectRows(selected, current);
        chooseFromMenu(copy.first);
        QCOMPARE(clipboardText(), copy.second);
    }
    QString loaded;
    driver->then([&loaded](QWidget *dialog) {
        loaded = dialog->findChild<QLineEdit *>("domainEdit")->text();
        dialog->close();
    });
    selectRows(selected, current);
    chooseFromMenu("Edit");
    QCOMPARE(loaded, domain);

    selectRows(selected, current);
    chooseFromMenu("Delete");
    QStringList left({"a.org", "b.org", "c.org", "d.org"});
    left.removeOne(domain);
    QCOMPARE(listed(), left);
    QCOMPARE(TestVault::rows("SELECT id FROM Data").size(), 3);
}

void TestMainWindow::copyPassCopiesWhatIsStored()
{
    openWindow({"a.org"});
    TestVault::addEntry("b.org", "bob", QByteArray("abc\0def", 7), "", TestVault::masterKeyFor(masterPassword));
    window->reloadTable();

    selectRows({0}, 0);
    chooseFromMenu("Copy Pass");
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    QCOMPARE(copied->text(), QStringLiteral("pass of a.org"));
    QCOMPARE(copied->data("x-kde-passwordManagerHint"), QByteArray("secret"));
    chooseFromMenu("Copy Login");
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat("x-kde-passwordManagerHint"));

    selectRows({1}, 1);
    chooseFromMenu("Copy Pass");
    QCOMPARE(clipboardText(), QStringLiteral("abc"));

    // A cell edited in place is what gets copied, but it is never stored.
    table()->item(1, 1)->setText("edited.org");
    chooseFromMenu("Copy Domain");
    QCOMPARE(clipboardText(), QStringLiteral("edited.org"));

    TestVault::execute("DELETE FROM Data");
    chooseFromMenu("Copy Pass");
    QCOMPARE(clipboardText(), QString());
    window->reloadTable();
    QCOMPARE(listed(), QStringList());
}

void TestMainWindow::editRefillsTheListSavedOrNot()
{
    openWindow({"a.org", "b.org"});
    selectRows({0}, 0);
    driver->then(fillEntry("x' where 1=1 --", "new"));
    chooseFromMenu("Edit");
    QCOMPARE(listed(2), QStringList({"x' where 1=1 --", "login of b.org"}));
    selectRows({0}, 0);
    chooseFromMenu("Copy Pass");
    QCOMPARE(clipboardText(), QStringLiteral("new"));

    TestVault::addEntry("c.org");
    driver->then(DialogSteps::pressEscape());
    chooseFromMenu("Edit");
    QCOMPARE(listed(), QStringList({"a.org", "b.org", "c.org"}));
    QVERIFY(table()->selectedItems().isEmpty());
}

void TestMainWindow::failureChangesOnlyTheStatusBar_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("status");
    QTest::newRow("list") << "" << "The entries could not be read: no such table: Data.";
    QTest::newRow("Copy Pass") << "Copy Pass" << "The password could not be read: no such table: Data.";
    QTest::newRow("Delete") << "Delete" << "The entry could not be deleted: no such table: Data.";
}

void TestMainWindow::failureChangesOnlyTheStatusBar()
{
    QFETCH(QString, action);
    QFETCH(QString, status);
    openWindow({"a.org", "b.org"});
    selectRows({1}, 1);
    QGuiApplication::clipboard()->setText("an earlier password");
    QVERIFY(TestVault::execute("ALTER TABLE Data RENAME TO Moved"));
    if (action.isEmpty())
        window->reloadTable();
    else
        chooseFromMenu(action);
    QCOMPARE(window->statusBar()->currentMessage(), status);
    QCOMPARE(listed(), QStringList({"a.org", "b.org"}));
    QCOMPARE(table()->selectedItems().size(), 3);
    QCOMPARE(clipboardText(), action == "Copy Pass" ? "" : "an earlier password");

    QVERIFY(TestVault::execute("ALTER TABLE Moved RENAME TO Data"));
    window->reloadTable();
    QCOMPARE(window->statusBar()->currentMessage(), QString());
}

void TestMainWindow::namesStoredAsBytesKeepTheirText()
{
    openWindow({"a.org"});
    // As another tool may store them: windows-1251 bytes, not text.
    QVERIFY(TestVault::execute("UPDATE Data SET domain = X'CFF0E8E2E5F2', login = X'EBEEE3E8ED'"));
    window->reloadTable();
    widget<QLineEdit>("lineEdit_4")->setText("Привет");
    widget<QPushButton>("pushButton_2")->click();
    QCOMPARE(table()->currentRow(), 0);
    chooseFromMenu("Copy Login");
    QCOMPARE(clipboardText(), "логин");

    driver->then(fillEntry("new login", "new pass"));
    chooseFromMenu("Edit");
    QCOMPARE(TestVault::rows("SELECT domain, typeof(domain) FROM Data").value(0),
             QVariantList({"Привет", "text"}));
}

QTableWidget *TestMainWindow::table() const
{
    return widget<QTableWidget>("tableWidget");
}

template <typename T>
T *TestMainWindow::widget(const char *name) const
{
    T *found = window->findChild<T *>(name);
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

QStringList TestMainWindow::listed(int column) const
{
    QStringList texts;
    for (int row = 0; row < table()->rowCount(); ++row)
        texts << table()->item(row, column)->text();
    return texts;
}

void TestMainWindow::selectRows(const QList<int> &rows, int currentRow)
{
    QItemSelectionModel *selection = table()->selectionModel();
    selection->clearSelection();
    for (int row : rows)
        selection->select(table()->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->setCurrentIndex(table()->model()->index(currentRow, 1), QItemSelectionModel::NoUpdate);
}

void TestMainWindow::chooseFromMenu(const QString &actionText)
{
    const QRect firstSelected = table()->visualItemRect(table()->selectedItems().value(0));
    emit table()->customContextMenuRequested(firstSelected.center());
    QMenu *menu = window->findChild<QMenu *>();
    QVERIFY(menu);
    for (QAction *action : menu->actions()) {
        if (action->text() == actionText) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            QTRY_VERIFY(window->findChildren<QMenu *>().isEmpty());
            QVERIFY(driver->allStepsRan());
            return;
        }
    }
    QFAIL(qPrintable("no menu action " + actionText));
}

QString TestMainWindow::clipboardText()
{
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

PM_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
