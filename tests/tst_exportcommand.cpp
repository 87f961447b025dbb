#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>

// passwordmanager-vault export: every entry as the window program shows it.
class TestExportCommand : public QObject
{
    Q_OBJECT

    // Exported, imported into a new vault and shown as the vault was. The
    // file starts as the format does.
    static void takesBack(const QString &format, const QByteArray &start = "domain,login,password,note\r\n")
    {
        const QByteArray shown = VaultToolProcess::run({"export"}).out;
        QCOMPARE(VaultToolProcess::run({"export", "--format", format, "--output", "out"}).status, 0);
        QVERIFY(VaultToolProcess::readFile("out").startsWith(start));
        QSqlDatabase::database().close();
        QFile::remove("db.db");
        TestVault::create();
        QCOMPARE(VaultToolProcess::run({"import", "out"}).status, 0);
        QCOMPARE(VaultToolProcess::run({"export"}).out, shown);
    }

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

    void refusesValuesThatDoNotOpen()
    {
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("a", "l", "p", "n");
        TestVault::addEntry("b", "l", "p", "n");
        TestVault::addEntry("c", "l", "p", "n");
        TestVault::run("UPDATE Data SET pass = 'x' WHERE domain = 'a'");
        TestVault::run("UPDATE Data SET info = '" + QByteArray(32, 'x').toBase64() + "' WHERE domain = 'c'");
        const VaultToolProcess::Run result = VaultToolProcess::run({"export", "--output", "out.csv"});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err,
                 "passwordmanager-vault: entry 1: the password is not Base64 text\n"
                 "passwordmanager-vault: entry 3: the note does not decrypt under the master key\n"
                 "passwordmanager-vault: 2 entries cannot be exported; nothing was written\n");
        QVERIFY(!QFile::exists("out.csv"));
    }

    void warnsOfEntriesAnImportRefuses_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("warning");
        QTest::newRow("Chrome's") << "chrome-csv" << ""
                                  << "entry 1 (My Router): Chrome will not import it: it has no address, its "
                                     "password is empty\n";
        // No statement can store it.
        QTest::newRow("a zero byte in a name")
            << "csv" << "UPDATE Data SET domain = 'a' || char(0) || 'b'"
            << "entry 1: its domain or login holds a zero byte, which an import refuses\n";
    }

    void warnsOfEntriesAnImportRefuses()
    {
        QFETCH(QString, format);
        QFETCH(QString, damage);
        QFETCH(QString, warning);
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("My Router", "admin", "");
        TestVault::run(damage);
        const VaultToolProcess::Run result = VaultToolProcess::run({"export", "--format", format});
        QCOMPARE(result.status, 0);
        QVERIFY2(result.err.startsWith("passwordmanager-vault: warning: " + warning), qPrintable(result.err));
    }

    // Whatever the window shows comes back, ids aside: empty names and
    // secrets, a password that starts with a zero byte, names and notes
    // stored under a windows-1251 locale, line breaks of every kind.
    void takesBackEveryCleanVault()
    {
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("b.example", "", "", "");
        TestVault::addEntry("c.example", "l", QByteArray("\0pw", 3), QByteArray("a\0b", 3));
        TestVault::addEntry(" d ", " l\t", "p\r\nq\"", "\r\n\xEF\xBB\xBFnote,\r");
        TestVault::addEntry("e", "x", "ab\0cd", "\xe7\xe0\xec\xe5\xf2\xea\xe0");
        TestVault::addEntry("", "", "", "only a note");
        TestVault::run("UPDATE Data SET login = CAST(X'EBEEE3E8ED' AS TEXT) WHERE domain = 'e'");
        takesBack("csv");
    }

    // As a peer takes them: no CR, no control characters.
    void takesBackEachFormat_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("keepass-xml") << "keepass-xml"
                                     << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<KeePassFile>");
        QTest::newRow("bitwarden-csv") << "bitwarden-csv" << QByteArray("folder,favorite,type,");
        QTest::newRow("chrome-csv") << "chrome-csv" << QByteArray("name,url,username,");
    }

    void takesBackEachFormat()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, start);
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("GitHub.com", " u,\"1\" ", "p\tq", "line 1\nline 2\n");
        TestVault::addEntry("почта.рф", "иван", "", "заметка");
        TestVault::addEntry("My Bank", "", "pw", " ");
        takesBack(format, start);
    }

    void removesItsFileWhenEnded_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<int>("ignoredAtStart");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("SIGINT") << SIGINT << 0 << QStringList("db.db");
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
