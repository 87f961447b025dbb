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
                                  << "cannot open the vault none.db";
        QTest::newRow("wrong password") << exportToFile << QByteArray("Master\n") << "" << 1 << "wrong master password";
        QTest::newRow("untrimmed") << QStringList{"import", "in.csv"} << QByteArray("master \n") << "" << 1
                                   << "wrong master password";
        QTest::newRow("a zero byte") << exportToFile << QByteArray("master\0x\n", 9) << "" << 1
                                     << "the master password holds a zero byte";
        QTest::newRow("not UTF-8") << exportToFile << QByteArray("master\xff\n") << "" << 1
                                   << "the master password is not UTF-8 text";
        QTest::newRow("over 128 KiB") << exportToFile << QByteArray(128 * 1024 + 1, 'm') + "\n"
                                      << "" << 1 << "the master password is longer than 128 KiB";
        QTest::newRow("a last line without a break")
            << QStringList{"check"} << QByteArray("master") << "" << 0 << "0 entries, all clean";
        QTest::newRow("no password") << exportToFile << none << "" << 1 << "no master password on standard input";
        QTest::newRow("none set") << exportToFile << QByteArray("\n") << "DELETE FROM SPass" << 1
                                  << "has no master password yet";
        QTest::newRow("unknown format") << QStringList{"import", "--format", "xml", "in.csv"} << none << "" << 2
                                        << "unknown format xml";
        QTest::newRow("import only") << QStringList{"export", "--format", "firefox-csv"} << none << "" << 2
                                     << "firefox-csv is a format to import from, not to export to";
        QTest::newRow("--output \"\"") << QStringList{"export", "--output", ""} << none << "" << 2
                                       << "--output needs a file name";
        QTest::newRow("--skip-refused") << QStringList{"export", "--skip-refused"} << none << "" << 2
                                        << "wrong arguments for export";
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
        const VaultToolProcess::Run result = VaultToolProcess::run(arguments, input);
        QTEST(result.status, "status");
        QVERIFY2((result.out + result.err.toUtf8()).contains(message.toUtf8()), qPrintable(result.err));
        QVERIFY(!QFile::exists("out.csv") && !QFile::exists("none.db"));
        QCOMPARE(TestVault::run("SELECT count(*) FROM Data").toInt(), 0);
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

    void asksOnTheTerminalWithoutEcho()
    {
        TestVault vault;
        TestVault::create("typed-secret");
        PseudoTerminal terminal(PM_VAULT_TOOL, {"check"});
        terminal.waitFor("Master password: ");
        terminal.type("typed-secret\r");
        QCOMPARE(terminal.waitForExit(), 0);
        QCOMPARE(terminal.screen(), QByteArray("Master password: \r\n0 entries, all clean\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestVaultTool)
#include "tst_vaulttool.moc"
