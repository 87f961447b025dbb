#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>

// passwordmanager-vault export: every entry as the window program shows it.
class TestExportCommand : public QObject
{
    Q_OBJECT

private slots:
    // Names stored as text that is not UTF-8 and notes written under a
    // windows-1251 locale come out as the window shows them.
    void writesEveryEntryAsShown()
    {
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("b.example", "user,one", "pa\"ss", "line one\nline two");
        TestVault::addEntry("a.example", "иван", "пароль", "заметка, с запятой");
        TestVault::addEntry("c", " ", "p", "\xe7\xe0\xec\xe5\xf2\xea\xe0");
        TestVault::run("UPDATE Data SET login = CAST(X'EBEEE3E8ED' AS TEXT) WHERE domain = 'c'");
        const VaultToolProcess::Run exported = VaultToolProcess::run({"export"});
        QCOMPARE(exported.out,
                 "domain,login,password,note\r\n"
                 "a.example,иван,пароль,\"заметка, с запятой\"\r\n"
                 "b.example,\"user,one\",\"pa\"\"ss\",\"line one\nline two\"\r\n"
                 "c,логин,p,заметка\r\n");
        QVERIFY(exported.err.contains("in clear text"));
    }

    void writesAPrivateFileThatWasNotThere()
    {
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("a", "l", "p", "n");
        QCOMPARE(VaultToolProcess::run({"export", "--output", "out.csv"}, "master\r\n").status, 0);
        QCOMPARE(VaultToolProcess::readFile("out.csv"), VaultToolProcess::run({"export"}).out);
        QCOMPARE(VaultToolProcess::modeOf("out.csv"), 0600);
        const VaultToolProcess::Run again = VaultToolProcess::run({"export", "--output", "out.csv"});
        QCOMPARE(again.status, 1);
        QVERIFY(again.err.contains("out.csv: it already exists"));
    }

    void removesItsFileWhenEnded_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("ignoredAtStart");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("SIGINT") << SIGINT << 0 << QStringList("db.db");
        QTest::newRow("SIGTERM") << SIGTERM << 0 << QStringList("db.db");
        QTest::newRow("SIGHUP") << SIGHUP << 0 << QStringList("db.db");
        QTest::newRow("SIGHUP, ignored at start") << SIGHUP << SIGHUP << QStringList{"db.db", "out.csv"};
    }

    // Signalled while it waits for the master password, its file made.
    void removesItsFileWhenEnded()
    {
        QFETCH(int, signalNumber);
        TestVault vault;
        TestVault::create();
        VaultToolProcess::WithoutTerminal tool;
        QFETCH(int, ignoredAtStart);
        tool.ignoredSignal = ignoredAtStart;
        tool.start(PM_VAULT_TOOL, {"--password-stdin", "export", "--output", "out.csv"});
        const QStringList temporary{".passwordmanager-vault-*"};
        QVERIFY(QTest::qWaitFor([&] { return !QDir().entryList(temporary, QDir::Files | QDir::Hidden).isEmpty(); }));
        ::kill(pid_t(tool.processId()), signalNumber);
        tool.write("master\n");
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QTEST(QDir().entryList(QDir::Files | QDir::Hidden), "files");
    }
};

QTEST_GUILESS_MAIN(TestExportCommand)
#include "tst_exportcommand.moc"
