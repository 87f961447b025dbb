#include "dialogs/enterdialog.h"
#include "mainwindow/mainwindow.h"

#include "modaldriver.h"
#include "pseudoterminal.h"
#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>
#include <QtWidgets>

// passwordmanager-vault change-password: every value sealed anew under the
// new master password, byte for byte, or nothing changed at all; never
// while the window program works with the old key.
class TestChangePasswordCommand : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        vault = std::make_unique<TestVault>();
        TestVault::create();
    }

    void cleanup() { vault.reset(); }

    // Names stored as bytes that are not UTF-8, a windows-1251 note and a
    // password with a zero byte in it, in a table whose ids another tool
    // made; the new password trimmed as the dialog trims one it sets.
    void resealsEveryValueAsItWas()
    {
        const QList<QByteArray> values{"пароль", "заметка", QByteArray("pa\0ss", 5), "\xe7\xe0\xec\xe5\xf2\xea\xe0"};
        TestVault::run("DROP TABLE Data");
        TestVault::run("CREATE TABLE Data (id, domain, login, pass, info)");
        TestVault::addEntry("b.example", "user", values[0], values[1]);
        TestVault::addEntry("a", " ", values[2], values[3]);
        TestVault::run("UPDATE Data SET id = 7, login = CAST(X'EBEEE3E8ED' AS TEXT) WHERE domain = 'a'");
        const QString names = "SELECT group_concat(quote(id) || quote(domain) || hex(login), ',') FROM Data";
        const QVariant before = TestVault::run(names);
        const VaultToolProcess::Run result
            = VaultToolProcess::run({"change-password"}, "master\r\n\tnew пароль \r\n\tnew пароль \r\n");
        QCOMPARE(result.out, QByteArray("sealed 2 entries under the new master password\n"));
        QVERIFY(result.err.contains("note: the white space around the new master password is left out"));
        QCOMPARE(TestVault::run(names), before);
        QVERIFY(opens("new пароль") && !opens("\tnew пароль ") && !opens("master"));
        const QByteArray key = QByteArray::fromHex(TestVault::masterKeyFor("new пароль").toLatin1());
        QSqlQuery stored("SELECT v FROM (SELECT domain d, 0 k, pass v FROM Data UNION ALL "
                         "SELECT domain, 1, info FROM Data) ORDER BY d DESC, k");
        for (const QByteArray &value : values)
            QVERIFY(stored.next() && StoredSecret::open(stored.value(0).toByteArray(), key) == value);
    }

    void refusalsLeaveTheFileAsItWas_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message");
        QTest::newRow("wrong password") << QByteArray("Master\nnew\nnew\n") << "" << "wrong master password";
        QTest::newRow("repeat differs") << QByteArray("master\nnew\nnew \n") << "" << "the new master passwords differ";
        QTest::newRow("only blanks") << QByteArray("master\n \t\n \t\n") << "" << "the new master password is empty";
        QTest::newRow("no new one") << QByteArray("master\n") << "" << "no new master password given";
        QTest::newRow("a zero byte") << QByteArray("master\nn\0w\n", 11) << ""
                                     << "the new master password holds a zero byte";
        QTest::newRow("a damaged note") << QByteArray("master\nnew\n") << "UPDATE Data SET info = 'AAAA' WHERE id = 1"
                                        << "entry 1: the note is 3 bytes long";
    }

    void refusalsLeaveTheFileAsItWas()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, damage);
        QFETCH(QString, message);
        TestVault::addEntry("a", "l", "p", "n");
        TestVault::run(damage);
        const QByteArray before = VaultToolProcess::readFile("db.db");
        const VaultToolProcess::Run result = VaultToolProcess::run({"change-password"}, input);
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QVERIFY(VaultToolProcess::readFile("db.db") == before);
        QCOMPARE(QDir().entryList(QDir::Files), QStringList("db.db"));
    }

    void asksThreeTimesOnTheTerminalWithoutEcho()
    {
        PseudoTerminal terminal(PM_VAULT_TOOL, {"change-password"});
        answer(terminal, "typed-secret");
        QCOMPARE(terminal.waitForExit(), 0);
        QCOMPARE(terminal.screen(),
                 QByteArray("Current master password: \r\nNew master password: \r\nNew master password again: \r\n"
                            "sealed 0 entries under the new master password\r\n"));
    }

    // The other commands hold the lock while they work with the key, here
    // an export that waits for its master password.
    void refusedWhileAnotherCommandUsesTheKey()
    {
        PseudoTerminal exporting(PM_VAULT_TOOL, {"export"});
        exporting.waitFor("Master password: ");
        QCOMPARE(VaultToolProcess::run({"change-password"}, "master\nnew\n").err,
                 "passwordmanager-vault: the window program has the vault open; close it first\n");
    }

    void refusedWhileTheWindowProgramIsOpen()
    {
        const QByteArray before = VaultToolProcess::readFile("db.db");
        QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
        ModalDriver::answer(this, [](QWidget *gate) {
            gate->findChild<QLineEdit *>()->setText("master");
            gate->findChild<QPushButton *>()->click();
        });
        MainWindow window;
        const VaultToolProcess::Run refused = VaultToolProcess::run({"change-password"}, "master\nnew\n");
        QCOMPARE(refused.status, 1);
        QCOMPARE(refused.err, "passwordmanager-vault: the window program has the vault open; close it first\n");
        QVERIFY(VaultToolProcess::readFile("db.db") == before);
    }

    // The process is killed as soon as it writes to the vault file, which it
    // does only once every value is known to open: when the page cache
    // overflows during the second pass, or at the commit.
    void aKillInTheMiddleLeavesOnePasswordOpeningEverything()
    {
        TestVault::run("BEGIN");
        for (int entry = 0; entry < 20000; ++entry)
            TestVault::addEntry(QString::number(entry), "login", "password " + QByteArray::number(entry), "a note");
        TestVault::run("COMMIT");
        const QDateTime before = QFileInfo("db.db").lastModified();
        PseudoTerminal terminal(PM_VAULT_TOOL, {"change-password"});
        answer(terminal, "new");
        QDeadlineTimer deadline(20000);
        while (QFileInfo("db.db").lastModified() == before && !deadline.hasExpired()) { }
        ::kill(terminal.pid(), SIGKILL);
        QCOMPARE(terminal.waitForExit(), 128 + SIGKILL);
        // The gate reads the vault first, and so rolls back what the journal holds.
        QCOMPARE(int(opens("master")) + int(opens("new")), 1);
        QCOMPARE(VaultToolProcess::run({"check"}, "master\n").out + VaultToolProcess::run({"check"}, "new\n").out,
                 QByteArray("20000 entries, all clean\n"));
    }

private:
    // Each prompt once it shows: what is typed before is thrown away.
    static void answer(PseudoTerminal &terminal, const QByteArray &newPassword)
    {
        terminal.waitFor("Current master password: ");
        terminal.type("master\r");
        terminal.waitFor("New master password: ");
        terminal.type(newPassword + "\r");
        terminal.waitFor("New master password again: ");
        terminal.type(newPassword + "\r");
    }

    // The gate, typed at as a person would.
    static bool opens(const QString &password)
    {
        EnterDialog gate;
        gate.findChild<QLineEdit *>()->setText(password);
        gate.findChild<QPushButton *>()->click();
        return gate.result() == QDialog::Accepted;
    }

    std::unique_ptr<TestVault> vault;
};

QTEST_MAIN(TestChangePasswordCommand)
#include "tst_changepasswordcommand.moc"
