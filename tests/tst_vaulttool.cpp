#include "pseudoterminal.h"
#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>

// What every command of passwordmanager-vault shares: its usage, the vault
// it opens and the master password it asks for. Whatever fails writes
// nothing.
class TestVaultTool : public QObject
{
    Q_OBJECT

private slots:
    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("vaultChange");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QStringList exportToFile{"export", "--output", "out.csv"};
        const QByteArray none;
        QTest::newRow("no command") << QStringList() << none << "" << 2 << "no command given";
        QTest::newRow("unknown") << QStringList{"frob"} << none << "" << 2 << "unknown command frob";
        QTest::newRow("--output") << QStringList{"check", "--output", "o"} << none << "" << 2
                                  << "wrong arguments for check";
        QTest::newRow("--force") << QStringList{"import", "--force", "in.csv"} << none << "" << 2
                                 << "wrong arguments for import";
        QTest::newRow("no DEST") << QStringList{"backup"} << none << "" << 2 << "wrong arguments for backup";
        QTest::newRow("no vault") << QStringList{"--vault", "none.db", "check"} << none << "" << 1
                                  << "cannot open the vault none.db: No such file or directory";
        QTest::newRow("a directory") << QStringList{"--vault", ".", "check"} << none << "" << 1
                                     << "cannot open the vault .: it is not a regular file";
        QTest::newRow("a FIFO") << QStringList{"--vault", "fifo", "export"} << none << "" << 1
                                << "cannot open the vault fifo: it is not a regular file";
        QTest::newRow("wrong password") << exportToFile << QByteArray("Master\n") << "" << 1 << "wrong master password";
        QTest::newRow("untrimmed") << QStringList{"import", "in.csv"} << QByteArray("master \n") << "" << 1
                                   << "wrong master password";
        QTest::newRow("a zero byte") << exportToFile << QByteArray("master\0x\n", 9) << "" << 1
                                     << "the master password holds a zero byte";
        QTest::newRow("not UTF-8") << exportToFile << QByteArray("master\xff\n") << "" << 1
                                   << "the master password is not UTF-8 text";
        QTest::newRow("over 128 KiB") << exportToFile << QByteArray(128 * 1024 + 1, 'm') + "\n"
                                      << "" << 1 << "the master password is longer than 128 KiB";
        QTest::newRow("no password") << exportToFile << none << "" << 1 << "no master password on standard input";
        QTest::newRow("none set") << exportToFile << QByteArray("\n") << "DELETE FROM SPass" << 1
                                  << "has no master password yet";
        QTest::newRow("help") << QStringList{"--help"} << none << "" << 0 << "\n  import FILE ";
        QTest::newRow("version") << QStringList{"--version"} << none << "" << 0 << "passwordmanager-vault 1.1\n";
    }

    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, vaultChange);
        QFETCH(QString, message);
        TestVault vault;
        TestVault::create();
        TestVault::run(vaultChange);
        VaultToolProcess::writeFile("in.csv", "domain,login,password,note\nd,l,p,n\n");
        QVERIFY(::mkfifo("fifo", 0600) == 0);
        const VaultToolProcess::Run result = VaultToolProcess::run(arguments, input);
        QTEST(result.status, "status");
        QVERIFY2((result.out + result.err.toUtf8()).contains(message.toUtf8()), qPrintable(result.err));
        QVERIFY(!QFile::exists("out.csv") && !QFile::exists("none.db"));
        QCOMPARE(TestVault::run("SELECT count(*) FROM Data").toInt(), 0);
    }

    void reportsALockOnce_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("check") << QStringList{"check"};
        QTest::newRow("export") << QStringList{"export"};
        QTest::newRow("backup") << QStringList{"backup", "copy.db"};
    }

    // Within the busy timeout, before anything is read or written.
    void reportsALockOnce()
    {
        QFETCH(QStringList, arguments);
        TestVault vault;
        TestVault::create();
        TestVault::run("BEGIN EXCLUSIVE");
        const VaultToolProcess::Run result = VaultToolProcess::run(arguments);
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err,
                 "passwordmanager-vault: the vault db.db is locked by another program; try again once it "
                 "is done\n");
        QCOMPARE(result.out + QDir().entryList(QDir::Files).join(' ').toUtf8(), QByteArray("db.db"));
    }

    void rollsBackAnInterruptedWrite_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("vaultThen");
        QTest::newRow("check") << QStringList{"check"} << QByteArray("1 entry, all clean\n") << "db.db";
        QTest::newRow("export") << QStringList{"export"} << entries << "db.db";
        QTest::newRow("backup") << QStringList{"backup", "copy.db"} << QByteArray() << "copy.db";
    }

    // Neither the changes in the file nor those yet to come are ever read.
    void rollsBackAnInterruptedWrite()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, vaultThen);
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("a", "l", "p", "n");
        TestVault::interruptWrite(halfWrite);
        const VaultToolProcess::Run result = VaultToolProcess::run(arguments);
        QCOMPARE(result.status, 0);
        QTEST(result.out, "out");
        QVERIFY2(result.err.startsWith("passwordmanager-vault: the vault db.db held a write that was cut short; it was "
                                       "rolled back, and the vault is as its last complete change left it\n"),
                 qPrintable(result.err));
        QCOMPARE(VaultToolProcess::run({"--vault", vaultThen, "export"}).out, entries);
    }

    void refusesAnInterruptedWriteItCannotRollBack_data()
    {
        QTest::addColumn<int>("vaultMode");
        QTest::addColumn<int>("journalMode");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<QString>("unwritable");
        QTest::newRow("vault") << 0444 << 0666 << 0777 << "cannot write the vault; run this again as a user who can";
        QTest::newRow("journal") << 0666 << 0444 << 0777 << "cannot write its journal /";
        QTest::newRow("folder") << 0666 << 0666 << 0555 << "cannot write its folder /";
    }

    // As a user who may read the vault, never its half-written pages.
    void refusesAnInterruptedWriteItCannotRollBack()
    {
        QFETCH(int, vaultMode);
        QFETCH(int, journalMode);
        QFETCH(int, folderMode);
        QFETCH(QString, unwritable);
        TestVault vault;
        TestVault::create();
        TestVault::interruptWrite(halfWrite);
        QVERIFY(::chmod("db.db", mode_t(vaultMode)) == 0 && ::chmod("db.db-journal", mode_t(journalMode)) == 0);
        QVERIFY(::chmod(".", mode_t(folderMode)) == 0);
        const VaultToolProcess::Run result = VaultToolProcess::run({"check"}, "master\n", true);
        QVERIFY(::chmod(".", 0700) == 0);
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(unwritable), qPrintable(result.err));
        QCOMPARE(result.out, QByteArray());
    }

    void refusesWithoutATerminalOrStandardInput()
    {
        TestVault vault;
        TestVault::create();
        const VaultToolProcess::Run result = VaultToolProcess::runBare({"check"}, "master\n");
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err,
                 "passwordmanager-vault: no terminal to ask for the master password; "
                 "use --password-stdin\n");
    }

    void promptsOnTheTerminal_data()
    {
        QTest::addColumn<QList<int>>("ignored");
        QTest::addColumn<QByteArrayList>("steps");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("screen");
        const QByteArray prompt = "Master password: ";
        const QByteArray clean = "\r\n0 entries, all clean\r\n";
        const QList<int> none;
        QTest::newRow("typed") << none << QByteArrayList{prompt, "typed-secret\r"} << 0 << prompt + clean;
        QTest::newRow("Ctrl-D") << none << QByteArrayList{prompt, "\x04"} << 1
                                << prompt
                + "\r\npasswordmanager-vault: no master password was typed: the input ended\r\n";
        QTest::newRow("Ctrl-C") << none << QByteArrayList{prompt, "typed\x03"} << 130 << prompt;
        QTest::newRow("Ctrl-\\") << none << QByteArrayList{prompt, "typed\x1c"} << 131 << prompt;
        QTest::newRow("Ctrl-Z, fg, typed ahead")
            << none << QByteArrayList{prompt, "typed\x1a", "$ ", "fg\rtyped-ahead", "ahead" + prompt, "typed-secret\r"}
            << 0 << prompt + "\r\nStopped\r\n$ fg\r\ntyped-ahead" + prompt + clean;
        QTest::newRow("Ctrl-Z ignored") << QList<int>{SIGTSTP} << QByteArrayList{prompt, "typed\x1atyped-secret\r"} << 0
                                        << prompt + clean;
    }

    // Typed as a person does, once the screen shows what each step waits
    // for. Whatever ends the prompt, the terminal echoes again.
    void promptsOnTheTerminal()
    {
        QFETCH(QList<int>, ignored);
        QFETCH(QByteArrayList, steps);
        TestVault vault;
        TestVault::create("typed-secret");
        PseudoTerminal terminal(PM_VAULT_TOOL, {"check"}, ignored);
        for (int step = 0; step < steps.size(); step += 2) {
            terminal.waitFor(steps.at(step));
            terminal.type(steps.at(step + 1));
        }
        QTEST(terminal.waitForExit(), "status");
        QTEST(terminal.screen(), "screen");
        QVERIFY(terminal.echoes());
    }

private:
    const QByteArray entries = "domain,login,password,note\r\na,l,p,n\r\n";
    const QString halfWrite
        = "UPDATE Data SET domain = 'half'; WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
          "FROM n WHERE x < 200) INSERT INTO Data (domain) SELECT hex(zeroblob(500)) FROM n";
};

QTEST_GUILESS_MAIN(TestVaultTool)
#include "tst_vaulttool.moc"
