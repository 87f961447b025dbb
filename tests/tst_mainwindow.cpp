#include "mainwindow/mainwindow.h"

#include "modaldriver.h"
#include "testvault.h"

#include <QtTest>
#include <QtWidgets>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

namespace {
// Fills in the entry dialog (the domain only where it may be changed),
// saves and closes it.
void saveEntry(QWidget *dialog)
{
    auto *domain = dialog->findChild<QLineEdit *>("domainEdit");
    if (domain->isEnabled())
        domain->setText("b.org");
    dialog->findChild<QLineEdit *>("loginEdit")->setText("x' where 1=1 --");
    dialog->findChild<QLineEdit *>("passEdit")->setText("new pass");
    dialog->findChild<QPushButton *>()->click();
    dialog->close();
}
}

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { vault = std::make_unique<TestVault>(); }

    void cleanup()
    {
        window.reset();
        vault.reset();
    }

    // A window that stays fails the test instead of hanging it.
    void closingTheGateAtFirstStartEndsTheProgram()
    {
        ModalDriver::answer(this, [](QWidget *gate) { gate->close(); });
        window = std::make_unique<MainWindow>();
        window->show();
        QTimer::singleShot(5000, window.get(), [] { QApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
    }

    void startCompletesTheVault_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("tables");
        const QStringList vault{"Data", "sqlite_sequence", "SPass"};
        QTest::newRow("no file") << QStringList() << vault;
        QTest::newRow("zero-length file") << QStringList("SELECT 1") << vault;
        QTest::newRow("only Data, left by a start cut short")
            << QStringList(VaultStatements::createDataTable()) << vault;
        QTest::newRow("only SPass") << QStringList("CREATE TABLE SPass (pass)")
                                    << QStringList{"SPass", "Data", "sqlite_sequence"};
        QTest::newRow("both among another program's tables")
            << QStringList{"CREATE TABLE Other (x)", "CREATE VIEW v AS SELECT 1", "CREATE TABLE SPass (pass)",
                           "CREATE TABLE Data (id, domain, login, pass, info)"}
            << QStringList{"Other", "SPass", "Data"};
    }

    void startCompletesTheVault()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, tables);
        for (const QString &statement : before)
            TestVault::run(statement);
        openWindow();
        QCOMPARE(QSqlDatabase::database().tables(), tables);
    }

    void startThatCannotSetUpLeavesTheFileAsItWas_data()
    {
        QTest::addColumn<QStringList>("schema");
        QTest::addColumn<qulonglong>("fileSizeLimit");
        const QString spass = VaultStatements::createSPassTable();
        const qulonglong unlimited = RLIM_INFINITY;
        QTest::newRow("another program's table") << QStringList("CREATE TABLE Other (x)") << unlimited;
        QTest::newRow("its Data") << QStringList("CREATE TABLE Data (x)") << unlimited;
        QTest::newRow("its SPass") << QStringList("CREATE TABLE SPass (pass, salt)") << unlimited;
        QTest::newRow("SPass among its tables") << QStringList{"CREATE TABLE Other (x)", spass} << unlimited;
        QTest::newRow("spass") << QStringList("CREATE TABLE spass (pass VARCHAR (100))") << unlimited;
        QTest::newRow("data") << QStringList{"CREATE TABLE data (id, domain, login, pass, info)", spass} << unlimited;
        QTest::newRow("a column more") << QStringList{"CREATE TABLE Data (id, domain, login, pass, info, x)", spass}
                                       << unlimited;
        QTest::newRow("a column less") << QStringList{"CREATE TABLE Data (id, domain, login, pass)", spass}
                                       << unlimited;
        QTest::newRow("a generated column")
            << QStringList{"CREATE TABLE Data (id, domain, login, pass, info, d AS (domain))", spass} << unlimited;
        QTest::newRow("a view") << QStringList("CREATE VIEW v AS SELECT 1") << unlimited;
        QTest::newRow("full disk") << QStringList("SELECT 1") << 0ull;
        QTest::newRow("disk full after the first table") << QStringList("SELECT 1") << 3 * 4096ull;
    }

    // Another program's file, or one that a full disk (a file size limit;
    // three pages hold the first table) keeps from being set up, so that the
    // next start can.
    void startThatCannotSetUpLeavesTheFileAsItWas()
    {
        QFETCH(QStringList, schema);
        QFETCH(qulonglong, fileSizeLimit);
        for (const QString &statement : schema)
            TestVault::run(statement);
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        QFile file("db.db");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray before = file.readAll();
        QStringList messages;
        ModalDriver::answer(this, ModalDriver::noteText(&messages));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit unlimited{};
        ::getrlimit(RLIMIT_FSIZE, &unlimited);
        const rlimit limited{static_cast<rlim_t>(fileSizeLimit), unlimited.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
        window = std::make_unique<MainWindow>();
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        QCOMPARE(messages, QStringList("Error Connect to DataBasse"));
        QVERIFY(file.seek(0));
        QCOMPARE(file.readAll(), before);
    }

    void startKeepsItsUmaskToTheVault_data()
    {
        QTest::addColumn<int>("umask");
        QTest::newRow("022") << 022;
        QTest::newRow("077") << 077;
        QTest::newRow("002") << 002;
        QTest::newRow("none") << 0;
    }

    // Whatever the umask, a new vault is its owner's alone; the umask is
    // given back, for a browser started from the credit line inherits it.
    void startKeepsItsUmaskToTheVault()
    {
        QFETCH(int, umask);
        const mode_t previous = ::umask(mode_t(umask));
        openWindow();
        QCOMPARE(int(::umask(previous)), umask);
        struct stat vault{};
        QVERIFY(::stat("db.db", &vault) == 0);
        QCOMPARE(vault.st_mode & 0777, 0600u);
    }

    // It starts with length 10 and every class but the special characters:
    // flipping all four boxes leaves those alone. Here with the longest
    // length, and Enter on the button.
    void genPassFillsTheTopField()
    {
        openWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Password Manager v 1.1"));
        for (QCheckBox *box : window->findChildren<QCheckBox *>())
            box->setChecked(!box->isChecked());
        auto *length = window->findChild<QLineEdit *>("lineEdit_2");
        QCOMPARE(length->text(), QStringLiteral("10"));
        length->setText("2147483647");
        QTest::keyClick(window->findChild<QPushButton *>("pushButton"), Qt::Key_Enter);
        const QString password = window->findChild<QLineEdit *>("lineEdit")->text();
        QCOMPARE(password.size(), 4096);
        for (const QChar c : password)
            QVERIFY(QStringLiteral("!@#$%^&*()_+=-<>?.,;:{}").contains(c));
    }

    void findSelectsTheFirstExactDomain_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("messages");
        const QStringList notFound("Not Found");
        QTest::newRow("blanks around the search text") << " alpha.org\t" << 1 << QStringList();
        QTest::newRow("case matters") << "beta.org" << -1 << notFound;
        QTest::newRow("first of two") << "gamma.org" << 2 << QStringList();
        QTest::newRow("no prefix match") << "alpha" << -1 << notFound;
    }

    // The list is in byte order of the domains: upper case before lower.
    void findSelectsTheFirstExactDomain()
    {
        QFETCH(QString, search);
        openWindow({"alpha.org", "gamma.org", "Beta.org", "gamma.org"});
        window->findChild<QLineEdit *>("lineEdit_4")->setText(search);
        QStringList messages;
        ModalDriver::answer(window.get(), ModalDriver::noteText(&messages));
        window->findChild<QPushButton *>("pushButton_2")->click();
        QTEST(messages, "messages");
        QTEST(table->currentRow(), "row");
    }

    void addDataRefillsTheList()
    {
        openWindow({"a.org", "c.org"});
        ModalDriver::answer(window.get(), saveEntry);
        window->findChild<QPushButton *>("pushButton_3")->click();
        QCOMPARE(listed(1), QStringList({"a.org", "b.org", "c.org"}));
    }

    void noMenuWithoutASelection()
    {
        openWindow({"a.org", "b.org"});
        emit table->customContextMenuRequested(QPoint(5, 5));
        QVERIFY(!window->findChild<QMenu *>());
    }

    void everyActionTakesOneWholeRow_data()
    {
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("row");
        QTest::newRow("one row") << QList<int>{1} << 1 << 1;
        QTest::newRow("current row among several") << QList<int>{0, 2, 3} << 2 << 2;
        QTest::newRow("current row not selected") << QList<int>{3, 1} << 0 << 1;
    }

    // Each copy says what it copied.
    void everyActionTakesOneWholeRow()
    {
        QFETCH(QList<int>, selected);
        QFETCH(int, current);
        QFETCH(int, row);
        openWindow({"a.org", "b.org", "c.org", "d.org"});
        const QString domain = table->item(row, 1)->text();
        select(selected, current);
        QCOMPARE(chooseFromMenu("Copy Domain"), domain);
        QCOMPARE(status->text(), "Domain copied to the clipboard.");
        QCOMPARE(chooseFromMenu("Copy Login"), "login of " + domain);
        QCOMPARE(status->text(), "Login of " + domain + " copied to the clipboard.");
        QCOMPARE(chooseFromMenu("Copy Pass"), "pass of " + domain);
        QCOMPARE(status->text(), "Password of " + domain + " copied to the clipboard.");
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data("x-kde-passwordManagerHint"), QByteArray("secret"));
        ModalDriver::answer(window.get(), saveEntry);
        chooseFromMenu("Edit");
        QCOMPARE(listed(2).count("x' where 1=1 --"), 1);
        select(selected, current);
        QCOMPARE(chooseFromMenu("Copy Pass"), QStringLiteral("new pass"));
        chooseFromMenu("Delete");
        QCOMPARE(listed(1).size(), 3);
        QVERIFY(!listed(1).contains(domain));
    }

    // Shown, and so heard, as typed: no markup; wider than the window, it
    // is cut off.
    void statusShowsNamesAsTypedAndCutOff()
    {
        openWindow({"b<i>" + QString(100, 'b')});
        table->selectRow(0);
        chooseFromMenu("Copy Login");
        QCOMPARE(status->text(), "Login of b<i>" + QString(100, 'b') + " copied to the clipboard.");
        QCOMPARE(QAccessible::queryAccessibleInterface(status)->text(QAccessible::Name), status->text());
        QCOMPARE(window->width(), 476);
    }

    void copyPassOfAnEntryGoneEmptiesTheClipboard()
    {
        openWindow({"a.org"});
        table->selectRow(0);
        TestVault::run("DELETE FROM Data");
        QCOMPARE(chooseFromMenu("Copy Pass"), QString());
        QCOMPARE(status->text(), "The entry is no longer in the vault: the clipboard was emptied.");
    }

    // Enter and a double-click open the row as Edit does, at the login.
    void openingARowEditsIt()
    {
        openWindow({"a.org", "b.org"});
        QStringList opened;
        const ModalDriver::Step note = [&opened](QWidget *dialog) {
            opened << dialog->findChild<QLineEdit *>("domainEdit")->text() + " " + dialog->focusWidget()->objectName();
            dialog->close();
        };
        focusCell(1);
        ModalDriver::answer(window.get(), note);
        QTest::keyClick(table, Qt::Key_Return);
        focusCell(1);
        ModalDriver::answer(window.get(), note);
        const QPoint cell = table->visualRect(table->currentIndex()).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell);
        QCOMPARE(opened, QStringList({"b.org loginEdit", "b.org loginEdit"}));
    }

    // An editor would show a text the vault never got, and keep Shift+F10
    // from opening the menu at the row.
    void keysEditNoCellInPlace_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("F2") << int(Qt::Key_F2);
        QTest::newRow("a letter") << int(Qt::Key_B);
    }

    void keysEditNoCellInPlace()
    {
        QFETCH(int, key);
        openWindow({"a.org", "b.org"});
        focusCell(0);
        QTest::keyClick(table, Qt::Key(key));
        QVERIFY(table->viewport()->findChildren<QLineEdit *>().isEmpty());
        QTest::keyClick(table, Qt::Key_F10, Qt::ShiftModifier);
        QMenu *menu = window->findChild<QMenu *>();
        QVERIFY(menu);
        QCOMPARE(menu->pos(), table->viewport()->mapToGlobal(table->visualRect(table->currentIndex()).center()));
    }

    void tabLeavesTheList()
    {
        openWindow({"a.org"});
        focusCell(0);
        QTest::keyClick(table, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), "pushButton_3");
    }

    void failureChangesOnlyTheStatusBar_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("clipboard");
        const QString earlier = "an earlier password";
        QTest::newRow("the list, after Edit")
            << "Edit" << "The entries could not be read: no such table: Data." << earlier;
        QTest::newRow("Copy Pass") << "Copy Pass" << "The password could not be read: no such table: Data." << "";
        QTest::newRow("Delete") << "Delete" << "The entry could not be deleted: no such table: Data." << earlier;
    }

    void failureChangesOnlyTheStatusBar()
    {
        QFETCH(QString, action);
        QFETCH(QString, message);
        QFETCH(QString, clipboard);
        openWindow({"a.org", "b.org"});
        table->selectRow(1);
        QGuiApplication::clipboard()->setText("an earlier password");
        TestVault::run("ALTER TABLE Data RENAME TO Moved");
        ModalDriver::answer(window.get(), [](QWidget *dialog) { dialog->close(); });
        QCOMPARE(chooseFromMenu(action), clipboard);
        QCOMPARE(status->text(), message);
        QCOMPARE(listed(1), QStringList({"a.org", "b.org"}));
        QCOMPARE(table->selectedItems().size(), 3);
        TestVault::run("ALTER TABLE Moved RENAME TO Data");
        window->reloadTable();
        QCOMPARE(status->text(), QString());
    }

    void editKeepsNamesAsShown_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QStringList>("shown");
        const QStringList russian{"Привет", "логин"};
        QTest::newRow("bytes") << "X'CFF0E8E2E5F2'" << "X'EBEEE3E8ED'" << russian;
        QTest::newRow("text that is not UTF-8")
            << "CAST(X'CFF0E8E2E5F2' AS TEXT)" << "CAST(X'EBEEE3E8ED' AS TEXT)" << russian;
        QTest::newRow("40,000 letters") << "'a.org'" << "replace(hex(zeroblob(20000)), '0', 'x')"
                                        << QStringList{"a.org", QString(40000, 'x')};
    }

    // Names as other tools store them: windows-1251, among rows that are
    // not. An Edit of the pass stores them back as the same text, in UTF-8.
    void editKeepsNamesAsShown()
    {
        QFETCH(QString, domain);
        QFETCH(QString, login);
        QFETCH(QStringList, shown);
        openWindow({"b.org", "c.org"});
        TestVault::run("UPDATE Data SET domain = " + domain + ", login = " + login + " WHERE id = 1");
        window->reloadTable();
        const int row = listed(0).indexOf("1");
        QCOMPARE(QStringList({table->item(row, 1)->text(), table->item(row, 2)->text()}), shown);
        QCOMPARE(table->item(listed(0).indexOf("2"), 2)->text(), "login of c.org");
        table->selectRow(row);
        ModalDriver::answer(window.get(), [](QWidget *dialog) {
            dialog->findChild<QLineEdit *>("passEdit")->setText("new pass");
            dialog->findChild<QPushButton *>()->click();
            dialog->close();
        });
        chooseFromMenu("Edit");
        QCOMPARE(TestVault::run("SELECT domain || ' ' || login || ' ' || typeof(domain) || typeof(login) FROM Data "
                                "WHERE id = 1")
                     .toString(),
                 shown.join(' ') + " texttext");
    }

    void idsNamingNoRowAloneReachNothing_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("otherPass");
        QTest::newRow("fraction") << "1.5" << "pass of b.org";
        QTest::newRow("text") << "'2'" << "pass of b.org";
        QTest::newRow("none") << "NULL" << "pass of b.org";
        QTest::newRow("shared") << "2.0" << "";
    }

    // In a table another tool made without an integer key: the other row has
    // id 2. Each action on the odd row stops with a word in the status bar,
    // which Edit's and Delete's reload would clear.
    void idsNamingNoRowAloneReachNothing()
    {
        QFETCH(QString, id);
        QFETCH(QString, otherPass);
        TestVault::run("CREATE TABLE Data (id, domain, login, pass, info)");
        openWindow({"a.org", "b.org"});
        TestVault::run("UPDATE Data SET id = iif(domain = 'a.org', " + id + ", 2)");
        window->reloadTable();
        table->selectRow(0);
        QGuiApplication::clipboard()->setText("an earlier password");
        ModalDriver::answer(window.get(), [](QWidget *dialog) { dialog->close(); });
        for (const char *action : {"Copy Pass", "Edit", "Delete"}) {
            QCOMPARE(chooseFromMenu(action), QString());
            QCOMPARE(status->text(),
                     "This entry cannot be changed or copied: its id is not a whole number of its own.");
        }
        QCOMPARE(TestVault::run("SELECT count(*) FROM Data").toInt(), 2);
        table->selectRow(1);
        QCOMPARE(chooseFromMenu("Copy Pass"), otherPass);
    }

private:
    // A vault holding the given domains (no vault at all without them),
    // unlocked and shown. Each pass goes on after a zero byte.
    void openWindow(const QStringList &domains = {})
    {
        if (!domains.isEmpty())
            TestVault::create();
        for (const QString &domain : domains)
            TestVault::addEntry(domain, "login of " + domain, "pass of " + domain.toUtf8() + '\0' + "more");
        // The window opens the default connection itself.
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        // Closing the gate after Enter makes a refused password fail the
        // test instead of hanging it.
        ModalDriver::answer(this, [](QWidget *gate) {
            gate->findChild<QLineEdit *>()->setText("master");
            gate->findChild<QPushButton *>()->click();
            gate->close();
        });
        window = std::make_unique<MainWindow>();
        window->show();
        table = window->findChild<QTableWidget *>();
        status = window->statusBar()->findChild<QLabel *>();
    }

    QStringList listed(int column) const
    {
        QStringList texts;
        for (int row = 0; row < table->rowCount(); ++row)
            texts << table->item(row, column)->text();
        return texts;
    }

    void focusCell(int row)
    {
        QApplication::setActiveWindow(window.get());
        table->setFocus();
        table->setCurrentCell(row, 1);
    }

    void select(const QList<int> &rows, int current)
    {
        table->clearSelection();
        for (int row : rows)
            table->setRangeSelected(QTableWidgetSelectionRange(row, 0, row, 2), true);
        table->setCurrentCell(current, 1, QItemSelectionModel::NoUpdate);
    }

    // Opens the context menu over the first selected cell, clicks the action
    // and returns what the clipboard holds once the menu has gone.
    QString chooseFromMenu(const QString &text)
    {
        emit table->customContextMenuRequested(table->visualItemRect(table->selectedItems().value(0)).center());
        QMenu *menu = window->findChild<QMenu *>();
        for (QAction *action : menu->actions()) {
            if (action->text() == text)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        }
        const bool menuGone = QTest::qWaitFor([this] { return !window->findChild<QMenu *>(); });
        return menuGone ? QGuiApplication::clipboard()->text() : QStringLiteral("the menu stayed open");
    }

    std::unique_ptr<TestVault> vault;
    std::unique_ptr<MainWindow> window;
    QTableWidget *table = nullptr;
    QLabel *status = nullptr;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
