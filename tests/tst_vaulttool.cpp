#include "crypto/aescipher.h"
#include "testvault.h"

#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

// passwordmanager-vault run as a process in the test's directory, with the
// master password on standard input.
class TestVaultTool : public QObject
{
    Q_OBJECT

    struct Run
    {
        int status;
        QByteArray out;
        QString err;
    };

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
        QTest::newRow("no password") << exportToFile << none << "" << 1 << "no master password on standard input";
        QTest::newRow("none set") << exportToFile << QByteArray("\n") << "DELETE FROM SPass" << 1
                                  << "has no master password yet";
        QTest::newRow("no table") << QStringList{"check"} << none << "DROP TABLE Data" << 1
                                  << "the table Data is missing";
        QTest::newRow("second row") << QStringList{"import", "in.csv"} << QByteArray("master")
                                    << "CREATE UNIQUE INDEX d ON Data(domain)" << 1 << "UNIQUE constraint failed";
        QTest::newRow("help") << QStringList{"--help"} << none << "" << 0 << "\n  import FILE ";
        QTest::newRow("version") << QStringList{"--version"} << none << "" << 0 << "passwordmanager-vault 1.1\n";
    }

    // Whatever fails writes nothing.
    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, vaultChange);
        QFETCH(QString, message);
        TestVault vault;
        TestVault::create();
        TestVault::run(vaultChange);
        writeFile("in.csv", "domain,login,password,note\nd,l,p,n\nd,l,p,n\n");
        const Run result = tool(arguments, input);
        QTEST(result.status, "status");
        QVERIFY2((result.out + result.err.toUtf8()).contains(message.toUtf8()), qPrintable(result.err));
        QVERIFY(!QFile::exists("out.csv") && !QFile::exists("none.db"));
        QCOMPARE(TestVault::run("SELECT count(*) FROM Data").toInt(), 0);
    }

    // Exported, imported into a vault under another master password and
    // exported from there, the entries stay as the window shows them.
    void exportThenImportUnderAnotherPassword()
    {
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("b.example", "user,one", "pa\"ss", "line one\nline two");
        TestVault::addEntry("a.example", "иван", "пароль", "заметка, с запятой");
        TestVault::addEntry("c", " ", "p", "\xe7\xe0\xec\xe5\xf2\xea\xe0");
        TestVault::run("UPDATE Data SET login = CAST(X'EBEEE3E8ED' AS TEXT) WHERE domain = 'c'");
        const QByteArray header = "domain,login,password,note\r\n";
        const QByteArray rows = "a.example,иван,пароль,\"заметка, с запятой\"\r\n"
                                "b.example,\"user,one\",\"pa\"\"ss\",\"line one\nline two\"\r\n"
                                "c,логин,p,заметка\r\n";
        const Run exported = tool({"export"});
        QCOMPARE(exported.out, header + rows);
        QVERIFY(exported.err.contains("in clear text"));
        QCOMPARE(tool({"export", "--output", "out.csv"}, "master\r\n").status, 0);
        QCOMPARE(readFile("out.csv"), header + rows);
        QCOMPARE(modeOf("out.csv"), 0600);
        QVERIFY(tool({"export", "--output", "out.csv"}, "master").err.contains("out.csv: it already exists"));

        QSqlDatabase::database().close();
        QFile::remove("db.db");
        TestVault::create("new");
        QCOMPARE(tool({"import", "out.csv"}, "new\n").out, QByteArray("imported 3 entries\n"));
        QCOMPARE(tool({"export"}, "new\n").out, header + rows);
        writeFile("in.csv", "note,password,domain,login\r\n\"n,1\",\"p\"\"\", ,\" l\n\"\n");
        QCOMPARE(tool({"import", "in.csv"}, "new\n").status, 0);
        QCOMPARE(tool({"export"}, "new\n").out, header + " ,\" l\n\",\"p\"\"\",\"n,1\"\r\n" + rows);
    }

    void importIsAllOrNothing_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QString>("message");
        QTest::newRow("domain") << QByteArray(",l,p,n\n") << "line 3: the domain is empty";
        QTest::newRow("login") << QByteArray("d,,p,n\n") << "line 3: the login is empty";
        QTest::newRow("password") << QByteArray("d,l,,n\n") << "line 3: the password is empty";
        QTest::newRow("a column short") << QByteArray("d,l,p\n") << "line 3: 3 fields where the header has 4";
        QTest::newRow("a column over") << QByteArray("d,l,p,n,\n") << "line 3: 5 fields where the header has 4";
        QTest::newRow("a line break") << QByteArray("\"d\r\n\",l,p,n\nd,l,,n") << "line 5: the password is empty";
        QTest::newRow("unclosed") << QByteArray("d,l,p,\"n\n") << "line 3: a quoted field is not closed";
        QTest::newRow("stray quote") << QByteArray("d,l\"x,p,n\n") << "line 3: a quote out of place";
        QTest::newRow("not UTF-8") << QByteArray("d,l,p,\xe7\n") << "line 3: the text is not UTF-8";
    }

    void importIsAllOrNothing()
    {
        QFETCH(QByteArray, rows);
        QFETCH(QString, message);
        TestVault vault;
        TestVault::create();
        writeFile("in.csv",
                  "\xEF\xBB\xBF"
                  "domain,login,password,note\r\nd,l,p,n\r\n"
                      + rows);
        const Run result = tool({"import", "in.csv"});
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QCOMPARE(TestVault::run("SELECT count(*) FROM Data").toInt(), 0);
        writeFile("in.csv", "domain,password,note\n");
        QVERIFY(tool({"import", "in.csv"}).err.contains("line 1: the header row must name the columns"));
    }

    void checkNamesDamagedEntries()
    {
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("a", "l", "p", "n");
        QCOMPARE(tool({"check"}).out, QByteArray("1 entry, all clean\n"));
        const QByteArray key = QByteArray::fromHex(TestVault::masterKeyFor().toLatin1());
        const QByteArray unpadded = AesCipher().encrypt("0123456789abcdef", key).left(32).toBase64();
        TestVault::run(VaultStatements::insertEntry("b", "l", "bm90IGJhc2U2NA", "bm90IGJhc2U2NA=="));
        TestVault::run(VaultStatements::insertEntry("c", "l", QByteArray(40, 'x').toBase64(), unpadded));
        const Run result = tool({"check"});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.out, QByteArray("3 entries, 2 not clean\n"));
        QCOMPARE(result.err,
                 "passwordmanager-vault: entry 2: the password is not Base64 text; "
                 "the note is 10 bytes long, which no stored value is\n"
                 "passwordmanager-vault: entry 3: the password is 40 bytes long, which no "
                 "stored value is; the note does not decrypt under the master key\n");
    }

    void backup_data()
    {
        QTest::addColumn<QStringList>("otherConnection");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("while read") << QStringList{"BEGIN", "SELECT * FROM Data"} << QStringList{"copy.db"} << "";
        QTest::newRow("over a file") << QStringList() << QStringList{"old.db"} << "old.db: it already exists";
        QTest::newRow("--force") << QStringList() << QStringList{"--force", "old.db"} << "";
        QTest::newRow("itself") << QStringList() << QStringList{"--force", "db.db"} << "db.db is the vault itself";
        QTest::newRow("locked") << QStringList{"BEGIN EXCLUSIVE"} << QStringList{"copy.db"}
                                << "locked by another program";
    }

    // A copy is made whole and owner-only under its name, or not at all.
    void backup()
    {
        QFETCH(QStringList, otherConnection);
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("a", "l", "p", "n");
        writeFile("old.db", "old");
        for (const QString &statement : otherConnection)
            TestVault::run(statement);
        const Run result = tool(QStringList{"backup"} + arguments, QByteArray());
        TestVault::run("ROLLBACK");
        QCOMPARE(result.status, message.isEmpty() ? 0 : 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        const QString copy = arguments.last();
        if (message.isEmpty()) {
            QCOMPARE(modeOf(copy), 0600);
            QCOMPARE(tool({"--vault", copy, "export"}).out, tool({"export"}).out);
        } else {
            QCOMPARE(readFile("old.db"), QByteArray("old"));
        }
        const QStringList made = message.isEmpty() && copy == "copy.db" ? QStringList("copy.db") : QStringList();
        QCOMPARE(QDir().entryList(QDir::Files), made + QStringList({"db.db", "old.db"}));
    }

private:
    static Run tool(const QStringList &arguments, const QByteArray &input = "master\n")
    {
        QProcess process;
        process.start(PM_VAULT_TOOL, QStringList{"--password-stdin"} + arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            qFatal("passwordmanager-vault did not finish");
        return {process.exitCode(), process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
    }

    static void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
    }

    static QByteArray readFile(const QString &name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static int modeOf(const QString &name)
    {
        struct stat status;
        return ::stat(QFile::encodeName(name).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
    }
};

QTEST_GUILESS_MAIN(TestVaultTool)
#include "tst_vaulttool.moc"
