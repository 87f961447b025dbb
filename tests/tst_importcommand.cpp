#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>

// passwordmanager-vault import: every entry of a file, in whichever format,
// a new entry stored as the entry dialog stores one; all or nothing.
class TestImportCommand : public QObject
{
    Q_OBJECT

private slots:
    void isAllOrNothing_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QStringList>("otherConnection");
        QTest::addColumn<QString>("message");
        const QByteArray header = "domain,login,password,note\r\nd,l,p,n\r\n";
        const QString nothing = "\npasswordmanager-vault: in.csv: 2 entries "
                                "refused; nothing was imported\n";
        QTest::newRow("every refused line")
            << QStringList() << header + "d,l,p\n" + QByteArray("d\0,l,p,n\n", 9) << QStringList()
            << "in.csv: line 3: 3 fields where the header has "
               "4\npasswordmanager-vault: in.csv: line 4: the domain "
               "holds a zero byte"
                + nothing;
        QTest::newRow("unclosed") << QStringList() << header + "d,l,\"p\nd,l,p,n\n"
                                  << QStringList()
                                  << "in.csv: line 3: a quoted field is not closed; nothing was imported";
        QTest::newRow("another format") << QStringList{"--format", "chrome-csv"} << header << QStringList()
                                        << "in.csv: line 1: the header row must name the columns name, url";
        QTest::newRow("second row refused by the vault")
            << QStringList() << header + "d,l,p,n\n"
            << QStringList("CREATE UNIQUE INDEX d ON Data(domain)") << "UNIQUE constraint failed";
        // Another reader holds the vault past the busy timeout.
        QTest::newRow("commit fails") << QStringList() << header << QStringList{"BEGIN", "SELECT count(*) FROM Data"}
                                      << "database is locked; nothing was imported";
    }

    void isAllOrNothing()
    {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, rows);
        QFETCH(QStringList, otherConnection);
        QFETCH(QString, message);
        TestVault vault;
        TestVault::create();
        for (const QString &statement : otherConnection)
            TestVault::run(statement);
        VaultToolProcess::writeFile("in.csv", rows);
        const VaultToolProcess::Run result = VaultToolProcess::run(QStringList{"import", "in.csv"} + options);
        TestVault::run("ROLLBACK");
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QCOMPARE(TestVault::run("SELECT count(*) FROM Data").toInt(), 0);
    }

    void skipsRefusedEntriesWhenAsked()
    {
        TestVault vault;
        TestVault::create();
        VaultToolProcess::writeFile("in.csv", "name,url,username,password\n,,,\na,,u,p\n,,,\nb,,,\n");
        const VaultToolProcess::Run result = VaultToolProcess::run({"import", "--skip-refused", "in.csv"});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, "imported 2 entries\n");
        QCOMPARE(result.err,
                 "passwordmanager-vault: in.csv: line 2: nothing to store; skipped\n"
                 "passwordmanager-vault: in.csv: line 4: nothing to store; skipped\n");
        QCOMPARE(TestVault::run("SELECT group_concat(domain) FROM Data").toString(), "a,b");
    }

    void succeedsOnceStoredThoughItCannotSaySo()
    {
        TestVault vault;
        TestVault::create();
        VaultToolProcess::writeFile("in.csv", "domain,login,password,note\nd,l,p,n\n");
        const VaultToolProcess::Run result = VaultToolProcess::runProgram(
            "sh", {"-c", PM_VAULT_TOOL " --password-stdin import in.csv >/dev/full"}, "master\n");
        QCOMPARE(result.err, "passwordmanager-vault: cannot write to standard output\n");
        QCOMPARE(result.status, 0);
        QCOMPARE(TestVault::run("SELECT count(*) FROM Data").toInt(), 1);
    }

    // A database as KeePassXC keeps one, exported as its CSV or its XML and
    // piped in after the master password's line.
    void takesWhatKeePassXcExports_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("CSV") << "csv";
        QTest::newRow("XML") << "xml";
    }

    void takesWhatKeePassXcExports()
    {
        QFETCH(QString, format);
        TestVault vault;
        TestVault::create();
        const QByteArray password = "db\n";
        keepassxc({"db-create", "-q", "-p", "-t", "100", "k.kdbx"}, password + password);
        keepassxc({"mkdir", "-q", "k.kdbx", "Work"}, password);
        keepassxc({"mkdir", "-q", "k.kdbx", "Work/Банк"}, password);
        keepassxc({"add", "-q", "-u", "alice", "--url", "https://accounts.example.org/login?x=1", "--notes",
                   "line1\nline2, \"q\"", "-p", "k.kdbx", "Work/Банк/Сбер"},
                  password + "entry-pass\n");
        keepassxc({"edit", "-q", "-u", "alice2", "k.kdbx", "Work/Банк/Сбер"}, password);
        keepassxc({"add", "-q", "-u", "bob", "--url", "https://github.com/", "-p", "k.kdbx", "GitHub.com"},
                  password + "pw\n");
        keepassxc({"add", "-q", "-u", "admin", "--notes", "a\nb\n", "k.kdbx", "Work/router"}, password);
        keepassxc({"add", "-q", "-u", "иван", "--url", "https://xn--80a1acny.xn--p1ai/", "-p", "k.kdbx", "Почта"},
                  password + "пароль\n");
        const QByteArray exported = keepassxc({"export", "-q", "-f", format, "k.kdbx"}, password);
        QCOMPARE(VaultToolProcess::run({"import", "-"}, "master\n" + exported).out, "imported 4 entries\n");
        QCOMPARE(VaultToolProcess::run({"export"}).out,
                 "domain,login,password,note\r\nGitHub.com,bob,pw,\r\naccounts.example.org,alice2,entry-pass,\"line1\n"
                 "line2, \"\"q\"\"\n\nTitle: Сбер\nURL: https://accounts.example.org/login?x=1\nGroup: Work/Банк\"\r\n"
                 "router,admin,,\"a\nb\n\nGroup: Work\"\r\nпочта.рф,иван,пароль,Title: Почта\r\n");
    }

private:
    static QByteArray keepassxc(const QStringList &arguments, const QByteArray &input)
    {
        const VaultToolProcess::Run run = VaultToolProcess::runProgram("keepassxc-cli", arguments, input);
        if (run.status != 0)
            qFatal("keepassxc-cli %s: %s", qPrintable(arguments.join(' ')), qPrintable(run.err));
        return run.out;
    }
};

QTEST_GUILESS_MAIN(TestImportCommand)
#include "tst_importcommand.moc"
