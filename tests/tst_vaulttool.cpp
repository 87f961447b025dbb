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
        const QStringList exportToFile{"--password-stdin", "export", "--output", "out.csv"};
        const QByteArray none;
        QTest::newRow("no command") << QStringList() << none << "" << 2 << "no command given";
        QTest::newRow("unknown") << QStringList{"frob"} << none << "" << 2 << "unknown command frob";
        QTest::newRow("--output") << QStringList{"check", "--output", "o"} << none << "" << 2
                                  << "wrong arguments for check";
        QTest::newRow("no DEST") << QStringList{"backup"} << none << "" << 2 << "wrong arguments for backup";
        QTest::newRow("no vault") << QStringList{"--vault", "none.db", "check"} << none << "" << 1
                                  << "cannot open the vault none.db: No such file or directory";
        QTest::newRow("a directory") << QStringList{"--vault", ".", "check"} << none << "" << 1
                                     << "cannot open the vault .: it is not a regular file";
        QTest::newRow("wrong password") << exportToFile << QByteArray("Master\n") << "" << 1 << "wrong master password";
        QTest::newRow("untrimmed") << QStringList{"--password-stdin", "import", "in.csv"} << QByteArray("master \n")
                                   << "" << 1 << "wrong master password";
        QTest::newRow("a zero byte") << exportToFile << QByteArray("master\0x\n", 9) << "" << 1
                                     << "the master password holds a zero byte";
        QTest::newRow("not UTF-8") << exportToFile << QByteArray("master\xff\n") << "" << 1
                                   << "the master password is not UTF-8 text";
        QTest::newRow("over 128 KiB") << exportToFile << QByteArray(128 * 1024 + 1, 'm') + "\n"
                                      << "" << 1 << "the master password is longer than 128 KiB";
        QTest::newRow("a last line without a break")
            << QStringList{"--password-stdin", "check"} << QByteArray("master") << "" << 0 << "0 entries, all clean";
        QTest::newRow("no password") << exportToFile << none << "" << 1 << "no master password on standard input";
        QTest::newRow("none set") << exportToFile << QByteArray("\n") << "DELETE FROM SPass" << 1
                                  << "has no master password yet";
        QTest::newRow("locked") << exportToFile << none << "BEGIN EXCLUSIVE" << 1
                                << "passwordmanager-vault: the vault db.db is locked by another program; try again "
                                   "once it is done\n";
        QTest::newRow("no terminal, no --password-stdin")
            << QStringList{"check"} << QByteArray("master\n") << "" << 1
            << "passwordmanager-vault: no terminal to ask for the master password; use --password-stdin\n";
        QTest::newRow("unknown format") << QStringList{"import", "--format", "xml", "in.csv"} << none << "" << 2
                                        << "unknown format xml";
        QTest::newRow("import only") << QStringList{"export", "--format", "firefox-csv"} << none << "" << 2
                                     << "firefox-csv is a format to import from, not to export to";
        QTest::newRow("--output \"\"") << QStringList{"export", "--output", ""} << none << "" << 2
                                       << "--output needs a file name";
        QTest::newRow("help") << QStringList{"--help"} << none << "" << 0
                              << "\n  import [--format FORMAT] [--skip-refused] FILE\n";
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
        const VaultToolProcess::Run result = VaultToolProcess::runProgram(PM_VAULT_TOOL, arguments, input);
        QTEST(result.status, "status");
        QVERIFY2((result.out + result.err.toUtf8()).contains(message.toUtf8()), qPrintable(result.err));
        QVERIFY2(result.err.count("passwordmanager-vault: ") <= 1, qPrintable(result.err));
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList({"db.db", "in.csv"}));
        QCOMPARE(TestVault::run("SELECT count(*) FROM Data").toInt(), 0);
    }

    void finishesAnInterruptedWrite_data()
    {
        QTest::addColumn<QVector<int>>("modes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("rolled back") << QVector<int>{0666, 0666, 0777} << 0 << QByteArray("1 entry, all clean\n")
                                     << "passwordmanager-vault: the vault db.db held a write that was cut short; it "
                                        "was rolled back, and the vault is as its last complete change left it\n";
        QTest::newRow("vault read-only") << QVector<int>{0444, 0666, 0777} << 1 << QByteArray()
                                         << "cannot write the vault; run this again as a user who can";
        QTest::newRow("journal read-only")
            << QVector<int>{0666, 0444, 0777} << 1 << QByteArray() << "cannot write its journal /";
        QTest::newRow("folder read-only")
            << QVector<int>{0666, 0666, 0555} << 1 << QByteArray() << "cannot write its folder /";
    }

    // As a user held to the modes of the vault, its journal and its folder.
    // Neither the changes a killed writer made nor those it had yet to make
    // are ever read: rolled back, or not read at all.
    void finishesAnInterruptedWrite()
    {
        QFETCH(QVector<int>, modes);
        QFETCH(QString, err);
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("a", "l", "p", "n");
        TestVault::interruptWrite("UPDATE Data SET domain = 'half'; WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL "
                                  "SELECT x + 1 FROM n WHERE x < 200) INSERT INTO Data (domain) SELECT "
                                  "hex(zeroblob(500)) FROM n");
        QVERIFY(::chmod("db.db", mode_t(modes[0])) == 0 && ::chmod("db.db-journal", mode_t(modes[1])) == 0);
        QVERIFY(::chmod(".", mode_t(modes[2])) == 0);
        const VaultToolProcess::Run result = VaultToolProcess::run({"check"}, "master\n", true);
        QVERIFY(::chmod(".", 0700) == 0);
        QTEST(result.status, "status");
        QTEST(result.out, "out");
        QVERIFY2(result.err.contains(err), qPrintable(result.err));
        QCOMPARE(VaultToolProcess::run({"export"}).out, "domain,login,password,note\r\na,l,p,n\r\n");
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

    // Waiting for its master password, a command holds no SQLite lock, which
    // would stall the window program's saves for as long as the user takes.
    void thePromptLeavesTheVaultWritable()
    {
        TestVault vault;
        TestVault::create();
        PseudoTerminal checking(PM_VAULT_TOOL, {"check"});
        checking.waitFor("Master password: ");
        QVERIFY(QSqlQuery().exec(VaultStatements::insertEntry("a", "l", "p", "n")));
    }
};

QTEST_GUILESS_MAIN(TestVaultTool)
#include "tst_vaulttool.moc"
