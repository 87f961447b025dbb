#include "mainwindow/mainwindow.h"

#include "crypto/aescipher.h"
#include "dialogsteps.h"
#include "modaldriver.h"
#include "testmain.h"
#include "testvault.h"
#include "vault/storedsecret.h"
#include "workingdirectory.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include <sys/stat.h>

#include <memory>

namespace {
const QString masterPassword = QStringLiteral("master");
}

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Start-up
    void firstStartCreatesBothTablesDataFirst();
    void existingEmptyFileGetsNoTables();
    void unopenableVaultShowsOneErrorAndAnEmptyWindow();
    void newVaultFileIsReadableByItsOwnerOnly_data();
    void newVaultFileIsReadableByItsOwnerOnly();
    void existingVaultKeepsItsMode();
    void closingTheGateEndsTheProgram_data();
    void closingTheGateEndsTheProgram();
    void masterPasswordThatCannotBeSavedKeepsTheGateOpen();

    // The window
    void windowHasItsTitleSizeAndNoLayout();
    void widgetsSitWhereTheFormPutsThem_data();
    void widgetsSitWhereTheFormPutsThem();
    void tabFollowsCreationOrder();
    void entryTableHasItsShape();
    void generatorControlsStartReady();
    void lengthFieldTakesOnlyDigits_data();
    void lengthFieldTakesOnlyDigits();
    void creditLineBlendsIntoTheWindow();

    // List and Find
    void listIsSortedByDomainBytewise();
    void rowsStayTwentyHighOverReloads();
    void idCellShowsTheIdButCannotBeEdited();
    void findSelectsTheFirstExactDomain_data();
    void findSelectsTheFirstExactDomain();

    // Gen Pass
    void genPassFillsTheTopField_data();
    void genPassFillsTheTopField();

    // Adding and the context menu
    void addDataStoresTheEntryAndRefillsTheList();
    void closingTheAddDialogUnsavedStillRefillsTheList();
    void noMenuWithoutSelection();
    void menuOffersFiveActionsAndIsReleasedWhenClosed();
    void actionsWorkOnOneWholeRow_data();
    void actionsWorkOnOneWholeRow();
    void copyPassMarksTheClipboardSecret();
    void copyPassOfARemovedEntryCopiesEmptyText();
    void copyPassStopsAtTheFirstZeroByte();
    void editedCellIsCopiedButNeverStored();
    void deleteRemovesOneRowWithoutAsking_data();
    void deleteRemovesOneRowWithoutAsking();
    void editThroughTheMenuSavesAndRefills();
    void editClosedWithoutSavingStillRefills();

private:
    static void prepareVault();
    void openWindow();
    QTableWidget *table() const;
    template <typename T>
    T *widget(const char *name) const;
    QStringList listedDomains() const;
    void selectRows(const QList<int> &rows, int currentRow);
    void chooseFromMenu(const QString &actionText);
    QString clipboardText() const;
    static int fileMode(const QString &path);

    std::unique_ptr<WorkingDirectory> workDir;
    std::unique_ptr<ModalDriver> driver;
    std::unique_ptr<MainWindow> window;
    QString masterKey;
};

void TestMainWindow::init()
{
    workDir = std::make_unique<WorkingDirectory>();
    QVERIFY(workDir->isValid());
    driver = std::make_unique<ModalDriver>();
    masterKey = TestVault::masterKeyFor(masterPassword);
}

void TestMainWindow::cleanup()
{
    window.reset();
    QVERIFY2(driver->unexpectedModals().isEmpty(),
             qPrintable(driver->unexpectedModals().join(QLatin1Char(','))));
    driver.reset();
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    workDir.reset();
}

// A vault whose master password is already set.
void TestMainWindow::prepareVault()
{
    TestVault::createSchema();
    TestVault::setMasterPassword(masterPassword);
}

void TestMainWindow::openWindow()
{
    driver->then(DialogSteps::enterPassword(masterPassword));
    window = std::make_unique<MainWindow>();
    QVERIFY(driver->allStepsRan());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

// Start-up

void TestMainWindow::firstStartCreatesBothTablesDataFirst()
{
    QVERIFY(!QFile::exists("db.db"));
    openWindow();
    QVERIFY(QFile::exists("db.db"));
    QCOMPARE(TestVault::tableNames(), QStringList({"Data", "SPass"}));
}

void TestMainWindow::existingEmptyFileGetsNoTables()
{
    QFile file("db.db");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    // Without tables Enter does nothing; the gate can only be closed.
    driver->then(DialogSteps::enterPassword(masterPassword));
    driver->then(DialogSteps::closeWindow());
    window = std::make_unique<MainWindow>();
    QVERIFY(driver->allStepsRan());
    QCOMPARE(TestVault::tableNames(), QStringList());
    QCOMPARE(QFileInfo("db.db").size(), 0);
}

void TestMainWindow::unopenableVaultShowsOneErrorAndAnEmptyWindow()
{
    QVERIFY(QDir().mkdir("db.db"));

    QStringList shown;
    driver->then(DialogSteps::dismissMessage(&shown));
    window = std::make_unique<MainWindow>();
    QVERIFY(driver->allStepsRan());
    QCOMPARE(shown, QStringList("Error Connect to DataBasse"));
    QVERIFY(window->windowTitle() != "Password Manager v 1.1");
    QVERIFY(!window->findChild<QWidget *>("centralwidget"));

    window->show();
    QTimer::singleShot(0, window.get(), &QWidget::close);
    QCOMPARE(QApplication::exec(), 0);
}

void TestMainWindow::newVaultFileIsReadableByItsOwnerOnly_data()
{
    QTest::addColumn<int>("umask");
    QTest::newRow("permissive umask") << 0;
    QTest::newRow("usual umask") << 022;
}

void TestMainWindow::newVaultFileIsReadableByItsOwnerOnly()
{
    QFETCH(int, umask);
    const mode_t previous = ::umask(static_cast<mode_t>(umask));
    driver->then(DialogSteps::closeWindow());
    window = std::make_unique<MainWindow>();
    ::umask(previous);
    QCOMPARE(fileMode("db.db"), 0600);
}

void TestMainWindow::existingVaultKeepsItsMode()
{
    TestVault::createSchema();
    QVERIFY(::chmod("db.db", 0640) == 0);
    driver->then(DialogSteps::closeWindow());
    window = std::make_unique<MainWindow>();
    QCOMPARE(fileMode("db.db"), 0640);
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
        QSqlQuery(QStringLiteral("PRAGMA query_only = ON"));
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

// The window

void TestMainWindow::windowHasItsTitleSizeAndNoLayout()
{
    openWindow();
    QCOMPARE(window->windowTitle(), QStringLiteral("Password Manager v 1.1"));
    QCOMPARE(window->size(), QSize(476, 485));
    QVERIFY(!window->centralWidget()->layout());
    QCOMPARE(window->statusBar()->currentMessage(), QString());
    QVERIFY(!window->windowIcon().isNull());

    const QRect tableGeometry = table()->geometry();
    window->resize(900, 800);
    QCOMPARE(table()->geometry(), tableGeometry);
}

void TestMainWindow::widgetsSitWhereTheFormPutsThem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");

    QTest::newRow("lineEdit") << "lineEdit" << "QLineEdit" << QRect(10, 10, 181, 21) << "";
    QTest::newRow("pushButton") << "pushButton" << "QPushButton" << QRect(200, 10, 80, 21) << "Gen Pass";
    QTest::newRow("checkBox") << "checkBox" << "QCheckBox" << QRect(10, 40, 81, 19) << "Use Number";
    QTest::newRow("checkBox_2") << "checkBox_2" << "QCheckBox" << QRect(100, 40, 72, 19) << "Use Char";
    QTest::newRow("checkBox_3") << "checkBox_3" << "QCheckBox" << QRect(180, 40, 111, 19)
                                << "Use Upper Char";
    QTest::newRow("checkBox_4") << "checkBox_4" << "QCheckBox" << QRect(290, 40, 111, 19)
                                << "Use Special Char";
    QTest::newRow("label") << "label" << "QLabel" << QRect(10, 70, 91, 16) << "Password length:";
    QTest::newRow("lineEdit_2") << "lineEdit_2" << "QLineEdit" << QRect(110, 70, 71, 21) << "10";
    QTest::newRow("tableWidget") << "tableWidget" << "QTableWidget" << QRect(10, 140, 451, 261) << "";
    QTest::newRow("pushButton_3") << "pushButton_3" << "QPushButton" << QRect(10, 410, 80, 21)
                                  << "Add data";
    QTest::newRow("label_3") << "label_3" << "QLabel" << QRect(10, 110, 71, 16) << "Find Domain:";
    QTest::newRow("lineEdit_4") << "lineEdit_4" << "QLineEdit" << QRect(90, 110, 271, 21) << "";
    QTest::newRow("pushButton_2") << "pushButton_2" << "QPushButton" << QRect(380, 110, 80, 21) << "Find";
    QTest::newRow("label_2") << "label_2" << "QLabel" << QRect(10, 440, 161, 16) << "*";
    QTest::newRow("lineEdit_3") << "lineEdit_3" << "QLineEdit" << QRect(180, 439, 191, 16) << "*";
}

void TestMainWindow::widgetsSitWhereTheFormPutsThem()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    openWindow();

    QWidget *found = window->findChild<QWidget *>(name);
    QVERIFY(found);
    QCOMPARE(QString::fromLatin1(found->metaObject()->className()), className);
    QCOMPARE(found->parentWidget(), window->centralWidget());
    QCOMPARE(found->geometry(), geometry);
    const QVariant shown = found->property("text");
    if (text == QLatin1String("*"))
        QVERIFY(!shown.toString().isEmpty());
    else
        QCOMPARE(shown.isValid() ? shown.toString() : QString(), text);
}

void TestMainWindow::tabFollowsCreationOrder()
{
    openWindow();
    QStringList order;
    QWidget *start = widget<QLineEdit>("lineEdit");
    QWidget *next = start;
    do {
        if (next->isVisibleTo(window.get()) && next->isEnabled()
            && (next->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
            order << next->objectName();
        next = next->nextInFocusChain();
    } while (next != start);
    QCOMPARE(order, QStringList({"lineEdit", "pushButton", "checkBox", "checkBox_2", "checkBox_3",
                                 "checkBox_4", "lineEdit_2", "tableWidget", "pushButton_3",
                                 "lineEdit_3", "lineEdit_4", "pushButton_2"}));
}

void TestMainWindow::entryTableHasItsShape()
{
    prepareVault();
    TestVault::addEntry("example.org", "alice");
    openWindow();

    QTableWidget *entries = table();
    QCOMPARE(entries->columnCount(), 3);
    QCOMPARE(entries->horizontalHeaderItem(0)->text(), QStringLiteral("id"));
    QCOMPARE(entries->horizontalHeaderItem(1)->text(), QStringLiteral("Domain"));
    QCOMPARE(entries->horizontalHeaderItem(2)->text(), QStringLiteral("Login"));
    QCOMPARE(entries->columnWidth(0), 0);
    QVERIFY(!entries->isColumnHidden(0));
    QCOMPARE(entries->columnWidth(1), 260);
    QCOMPARE(entries->horizontalHeader()->sectionResizeMode(2), QHeaderView::Stretch);
    QCOMPARE(entries->columnWidth(1) + entries->columnWidth(2), entries->viewport()->width());
    QCOMPARE(entries->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(entries->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(entries->showGrid());

    entries->selectRow(0);
    QCOMPARE(entries->selectedItems().size(), 3);
    QCOMPARE(entries->selectedItems().first()->column(), 0);
}

void TestMainWindow::generatorControlsStartReady()
{
    openWindow();
    QVERIFY(widget<QCheckBox>("checkBox")->isChecked());
    QVERIFY(widget<QCheckBox>("checkBox_2")->isChecked());
    QVERIFY(widget<QCheckBox>("checkBox_3")->isChecked());
    QVERIFY(!widget<QCheckBox>("checkBox_4")->isChecked());
    QCOMPARE(widget<QLineEdit>("lineEdit_2")->text(), QStringLiteral("10"));
    QCOMPARE(widget<QLineEdit>("lineEdit")->text(), QString());
}

void TestMainWindow::lengthFieldTakesOnlyDigits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");

    QTest::newRow("digits") << "0010" << "0010";
    QTest::newRow("letter refused") << "1a2" << "12";
    QTest::newRow("sign refused") << "-5" << "5";
    QTest::newRow("hundred digits") << QString(100, '7') << QString(100, '7');
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

void TestMainWindow::creditLineBlendsIntoTheWindow()
{
    openWindow();
    auto *credit = widget<QLabel>("label_2");
    QVERIFY(credit->openExternalLinks());
    QCOMPARE(credit->text().count(QStringLiteral("<a href=")), 1);

    auto *address = widget<QLineEdit>("lineEdit_3");
    QVERIFY(address->text().contains('@'));
    QVERIFY(address->isReadOnly());
    QVERIFY(!address->hasFrame());
    const QColor background = window->centralWidget()->palette().color(QPalette::Window);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        QCOMPARE(address->palette().color(group, QPalette::Base), background);
}

// List and Find

void TestMainWindow::listIsSortedByDomainBytewise()
{
    prepareVault();
    for (const char *domain : {"b.org", "a.org", "Z.org", "B.org", "ä.org", "1.org"})
        TestVault::addEntry(QString::fromUtf8(domain), QStringLiteral("login"));
    openWindow();

    QCOMPARE(listedDomains(),
             QStringList({"1.org", "B.org", "Z.org", "a.org", "b.org", QStringLiteral("ä.org")}));
    QCOMPARE(table()->rowCount(), 6);
}

void TestMainWindow::rowsStayTwentyHighOverReloads()
{
    prepareVault();
    for (int i = 0; i < 30; ++i)
        TestVault::addEntry(QStringLiteral("site%1.org").arg(i));
    openWindow();

    for (int reload = 0; reload < 3; ++reload) {
        window->reloadTable();
        QCOMPARE(table()->rowCount(), 30);
        for (int row = 0; row < table()->rowCount(); ++row)
            QCOMPARE(table()->rowHeight(row), 20);
    }
    TestVault::execute("DELETE FROM Data WHERE domain LIKE 'site1%'");
    window->reloadTable();
    QCOMPARE(table()->rowCount(), 19);
}

void TestMainWindow::idCellShowsTheIdButCannotBeEdited()
{
    prepareVault();
    const qint64 id = TestVault::addEntry("example.org", "alice");
    openWindow();

    QTableWidgetItem *idItem = table()->item(0, 0);
    QCOMPARE(idItem->text(), QString::number(id));
    QVERIFY(!(idItem->flags() & Qt::ItemIsEditable));
    QVERIFY(table()->item(0, 1)->flags() & Qt::ItemIsEditable);
    QVERIFY(table()->item(0, 2)->flags() & Qt::ItemIsEditable);
}

void TestMainWindow::findSelectsTheFirstExactDomain_data()
{
    QTest::addColumn<QStringList>("domains");
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("row");

    const QStringList domains({"alpha.org", "Beta.org", "gamma.org", "gamma.org", " padded.org", ""});
    // Listed as: "", " padded.org", "Beta.org", "alpha.org", "gamma.org", "gamma.org"
    QTest::newRow("exact") << domains << "alpha.org" << 3;
    QTest::newRow("blanks around the search text") << domains << "  alpha.org\t" << 3;
    QTest::newRow("case matters") << domains << "beta.org" << -1;
    QTest::newRow("capital found") << domains << "Beta.org" << 2;
    QTest::newRow("first of duplicates") << domains << "gamma.org" << 4;
    QTest::newRow("stored blank never found") << domains << " padded.org" << -1;
    QTest::newRow("empty finds empty domain") << domains << "   " << 0;
    QTest::newRow("empty without empty domain") << QStringList({"a.org"}) << "" << -1;
    QTest::newRow("no prefix match") << domains << "alpha" << -1;
    QTest::newRow("empty list") << QStringList() << "alpha.org" << -1;
}

void TestMainWindow::findSelectsTheFirstExactDomain()
{
    QFETCH(QStringList, domains);
    QFETCH(QString, search);
    QFETCH(int, row);
    prepareVault();
    for (const QString &domain : domains)
        TestVault::addEntry(domain);
    openWindow();

    selectRows({table()->rowCount() - 1}, table()->rowCount() - 1);
    const QList<QTableWidgetItem *> before = table()->selectedItems();
    widget<QLineEdit>("lineEdit_4")->setText(search);
    for (int press = 0; press < 2; ++press) {
        QStringList messages;
        if (row < 0)
            driver->then(DialogSteps::dismissMessage(&messages));
        widget<QPushButton>("pushButton_2")->click();
        if (row < 0) {
            QCOMPARE(messages, QStringList("Not Found"));
            QCOMPARE(table()->selectedItems(), before);
        } else {
            QCOMPARE(table()->currentRow(), row);
            QCOMPARE(table()->selectedItems().size(), 3);
            QCOMPARE(table()->selectedItems().first()->row(), row);
        }
    }
}

// Gen Pass

void TestMainWindow::genPassFillsTheTopField_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<int>("expected");

    QTest::newRow("leading zeros") << "0010" << 10;
    QTest::newRow("one") << "1" << 1;
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

    widget<QLineEdit>("lineEdit")->setText(QStringLiteral("previous text"));
    widget<QLineEdit>("lineEdit_2")->setText(length);
    widget<QCheckBox>("checkBox")->setChecked(false);
    widget<QCheckBox>("checkBox_2")->setChecked(false);
    widget<QCheckBox>("checkBox_3")->setChecked(false);
    widget<QCheckBox>("checkBox_4")->setChecked(true);
    widget<QPushButton>("pushButton")->click();

    const QString password = widget<QLineEdit>("lineEdit")->text();
    QCOMPARE(password.size(), expected);
    for (const QChar c : password)
        QVERIFY(QStringLiteral("!@#$%^&*()_+=-<>?.,;:{}").contains(c));
}

// Adding and the context menu

void TestMainWindow::addDataStoresTheEntryAndRefillsTheList()
{
    prepareVault();
    TestVault::addEntry("a.org");
    TestVault::addEntry("c.org");
    openWindow();

    driver->then([](QWidget *dialog) {
        dialog->findChild<QLineEdit *>("domainEdit")->setText("b.org");
        dialog->findChild<QLineEdit *>("loginEdit")->setText("bob");
        dialog->findChild<QLineEdit *>("passEdit")->setText("hunter2");
        dialog->findChild<QPlainTextEdit *>("infoEdit")->setPlainText("note");
        dialog->findChild<QPushButton *>("saveButton")->click();
    });
    driver->then(DialogSteps::pressEscape());
    widget<QPushButton>("pushButton_3")->click();

    QVERIFY(driver->allStepsRan());
    QCOMPARE(listedDomains(), QStringList({"a.org", "b.org", "c.org"}));
    QCOMPARE(table()->item(1, 2)->text(), QStringLiteral("bob"));
    selectRows({1}, 1);
    chooseFromMenu("Copy Pass");
    QCOMPARE(clipboardText(), QStringLiteral("hunter2"));
}

void TestMainWindow::closingTheAddDialogUnsavedStillRefillsTheList()
{
    prepareVault();
    TestVault::addEntry("a.org");
    openWindow();
    selectRows({0}, 0);

    driver->then([](QWidget *dialog) {
        dialog->findChild<QLineEdit *>("domainEdit")->setText("never.org");
        dialog->close();
    });
    TestVault::addEntry("b.org");
    widget<QPushButton>("pushButton_3")->click();

    QVERIFY(driver->allStepsRan());
    QCOMPARE(listedDomains(), QStringList({"a.org", "b.org"}));
    QVERIFY(table()->selectedItems().isEmpty());
}

void TestMainWindow::noMenuWithoutSelection()
{
    prepareVault();
    TestVault::addEntry("a.org");
    openWindow();

    emit table()->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(window->findChildren<QMenu *>().isEmpty());
}

void TestMainWindow::menuOffersFiveActionsAndIsReleasedWhenClosed()
{
    prepareVault();
    TestVault::addEntry("a.org");
    openWindow();
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
    prepareVault();
    for (const char *domain : {"a.org", "b.org", "c.org", "d.org"}) {
        const QString name = QString::fromLatin1(domain);
        TestVault::addEntry(name, "login of " + name, ("pass of " + name).toUtf8(), "", masterKey);
    }
    openWindow();
    const QString domain = table()->item(expected, 1)->text();

    selectRows(selected, current);
    chooseFromMenu("Copy Domain");
    QCOMPARE(clipboardText(), domain);
    chooseFromMenu("Copy Login");
    QCOMPARE(clipboardText(), "login of " + domain);
    chooseFromMenu("Copy Pass");
    QCOMPARE(clipboardText(), "pass of " + domain);

    QString loadedDomain;
    driver->then([&](QWidget *dialog) {
        loadedDomain = dialog->findChild<QLineEdit *>("domainEdit")->text();
        dialog->close();
    });
    chooseFromMenu("Edit");
    QVERIFY(driver->allStepsRan());
    QCOMPARE(loadedDomain, domain);
}

void TestMainWindow::copyPassMarksTheClipboardSecret()
{
    prepareVault();
    TestVault::addEntry("a.org", "alice", "s3cret", "", masterKey);
    openWindow();
    selectRows({0}, 0);

    chooseFromMenu("Copy Pass");
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    QCOMPARE(copied->text(), QStringLiteral("s3cret"));
    QCOMPARE(copied->data("x-kde-passwordManagerHint"), QByteArray("secret"));

    chooseFromMenu("Copy Login");
    copied = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    QCOMPARE(copied->text(), QStringLiteral("alice"));
    QVERIFY(!copied->hasFormat("x-kde-passwordManagerHint"));
}

void TestMainWindow::copyPassOfARemovedEntryCopiesEmptyText()
{
    prepareVault();
    TestVault::addEntry("a.org", "alice", "s3cret", "", masterKey);
    openWindow();
    selectRows({0}, 0);
    QGuiApplication::clipboard()->setText("before");

    TestVault::execute("DELETE FROM Data");
    chooseFromMenu("Copy Pass");
    QCOMPARE(clipboardText(), QString());
}

void TestMainWindow::copyPassStopsAtTheFirstZeroByte()
{
    prepareVault();
    TestVault::addEntry("a.org", "alice", QByteArray("abc\0def", 7), "", masterKey);
    openWindow();
    selectRows({0}, 0);

    chooseFromMenu("Copy Pass");
    QCOMPARE(clipboardText(), QStringLiteral("abc"));
}

void TestMainWindow::editedCellIsCopiedButNeverStored()
{
    prepareVault();
    TestVault::addEntry("a.org", "alice");
    openWindow();

    table()->item(0, 1)->setText("edited.org");
    selectRows({0}, 0);
    chooseFromMenu("Copy Domain");
    QCOMPARE(clipboardText(), QStringLiteral("edited.org"));
    window->reloadTable();
    QCOMPARE(listedDomains(), QStringList("a.org"));
}

void TestMainWindow::deleteRemovesOneRowWithoutAsking_data()
{
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("one row") << QList<int>({1}) << 1 << QStringList({"a.org", "c.org"});
    QTest::newRow("several rows, current one goes")
        << QList<int>({0, 2}) << 2 << QStringList({"a.org", "b.org"});
    QTest::newRow("several rows, first one goes")
        << QList<int>({2, 1}) << 0 << QStringList({"a.org", "c.org"});
}

void TestMainWindow::deleteRemovesOneRowWithoutAsking()
{
    QFETCH(QList<int>, selected);
    QFETCH(int, current);
    QFETCH(QStringList, left);
    prepareVault();
    for (const char *domain : {"a.org", "b.org", "c.org"})
        TestVault::addEntry(QString::fromLatin1(domain));
    openWindow();

    selectRows(selected, current);
    chooseFromMenu("Delete");
    QCOMPARE(listedDomains(), left);
    QStringList stored;
    for (const QVariantList &row : TestVault::rows("SELECT domain FROM Data ORDER BY domain"))
        stored << row.value(0).toString();
    QCOMPARE(stored, left);
}

void TestMainWindow::editThroughTheMenuSavesAndRefills()
{
    prepareVault();
    TestVault::addEntry("a.org", "alice", "old", "note", masterKey);
    TestVault::addEntry("b.org", "bob", "other", "", masterKey);
    openWindow();
    selectRows({0}, 0);

    driver->then([](QWidget *dialog) {
        QVERIFY(!dialog->findChild<QLineEdit *>("domainEdit")->isEnabled());
        dialog->findChild<QLineEdit *>("loginEdit")->setText("x' where 1=1 --");
        dialog->findChild<QLineEdit *>("passEdit")->setText("new");
        dialog->findChild<QPushButton *>("saveButton")->click();
        dialog->close();
    });
    chooseFromMenu("Edit");
    QVERIFY(driver->allStepsRan());

    QCOMPARE(listedDomains(), QStringList({"a.org", "b.org"}));
    QCOMPARE(table()->item(0, 2)->text(), QStringLiteral("x' where 1=1 --"));
    QCOMPARE(table()->item(1, 2)->text(), QStringLiteral("bob"));
    selectRows({0}, 0);
    chooseFromMenu("Copy Pass");
    QCOMPARE(clipboardText(), QStringLiteral("new"));
    selectRows({1}, 1);
    chooseFromMenu("Copy Pass");
    QCOMPARE(clipboardText(), QStringLiteral("other"));
}

void TestMainWindow::editClosedWithoutSavingStillRefills()
{
    prepareVault();
    TestVault::addEntry("a.org", "alice");
    openWindow();
    selectRows({0}, 0);

    driver->then(DialogSteps::pressEscape());
    TestVault::addEntry("b.org");
    chooseFromMenu("Edit");
    QVERIFY(driver->allStepsRan());
    QCOMPARE(listedDomains(), QStringList({"a.org", "b.org"}));
    QVERIFY(table()->selectedItems().isEmpty());
}

QTableWidget *TestMainWindow::table() const
{
    return widget<QTableWidget>("tableWidget");
}

template <typename T>
T *TestMainWindow::widget(const char *name) const
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

QStringList TestMainWindow::listedDomains() const
{
    QStringList domains;
    for (int row = 0; row < table()->rowCount(); ++row)
        domains << table()->item(row, 1)->text();
    return domains;
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
    const QList<QMenu *> menus = window->findChildren<QMenu *>();
    QVERIFY(menus.size() == 1);
    QMenu *menu = menus.first();
    for (QAction *action : menu->actions()) {
        if (action->text() == actionText) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            QTRY_VERIFY(window->findChildren<QMenu *>().isEmpty());
            return;
        }
    }
    QFAIL(qPrintable("no menu action " + actionText));
}

QString TestMainWindow::clipboardText() const
{
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

int TestMainWindow::fileMode(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode & 07777);
}

PM_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
