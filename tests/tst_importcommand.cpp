#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>

// passwordmanager-vault import: every row a new entry, stored as the entry
// dialog stores one, all or nothing.
class TestImportCommand : public QObject
{
    Q_OBJECT

private slots:
    // Exported, imported into a vault under another master password and
    // exported from there, the entries stay as the window shows them.
    void takesAnExportUnderAnotherPassword()
    {
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("b.example", "user,one", "pa\"ss", "line one\nline two");
        TestVault::addEntry("a.example", "иван", "пароль", "заметка, с запятой");
        QCOMPARE(VaultToolProcess::run({"export", "--output", "out.csv"}).status, 0);
        const QByteArray exported = VaultToolProcess::readFile("out.csv");
        QSqlDatabase::database().close();
        QFile::remove("db.db");
        TestVault::create("new");
        QCOMPARE(VaultToolProcess::run({"import", "out.csv"}, "new\n").out, QByteArray("imported 2 entries\n"));
        QCOMPARE(VaultToolProcess::run({"export"}, "new\n").out, exported);
    }

    // Columns in any order, blanks kept, quoted line breaks and quotes.
    void takesColumnsInAnyOrder()
    {
        TestVault vault;
        TestVault::create();
        VaultToolProcess::writeFile("in.csv", "note,password,domain,login\r\n\"n,1\",\"p\"\"\", ,\" l\n\"\n");
        QCOMPARE(VaultToolProcess::run({"import", "in.csv"}).status, 0);
        QCOMPARE(VaultToolProcess::run({"export"}).out,
                 QByteArray("domain,login,password,note\r\n ,\" l\n\",\"p\"\"\",\"n,1\"\r\n"));
    }

    void isAllOrNothing_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QString>("vaultChange");
        QTest::addColumn<QString>("message");
        const QByteArray header = "\xEF\xBB\xBF"
                                  "domain,login,password,note\r\nd,l,p,n\r\n";
        QTest::newRow("domain") << header + ",l,p,n\n" << "" << "line 3: the domain is empty";
        QTest::newRow("login") << header + "d,,p,n\n" << "" << "line 3: the login is empty";
        QTest::newRow("password") << header + "d,l,,n\n" << "" << "line 3: the password is empty";
        QTest::newRow("a column short") << header + "d,l,p\n" << "" << "line 3: 3 fields where the header has 4";
        QTest::newRow("a column over") << header + "d,l,p,n,\n" << "" << "line 3: 5 fields where the header has 4";
        QTest::newRow("a line break") << header + "\"d\r\n\",l,p,n\nd,l,,n" << "" << "line 5: the password is empty";
        QTest::newRow("unclosed") << header + "d,l,p,\"n\n" << "" << "line 3: a quoted field is not closed";
        QTest::newRow("stray quote") << header + "d,l\"x,p,n\n" << "" << "line 3: a quote out of place";
        QTest::newRow("not UTF-8") << header + "d,l,p,\xe7\n" << "" << "line 3: the text is not UTF-8";
        QTest::newRow("a column missing") << QByteArray("domain,password,note\nd,p,n\n") << ""
                                          << "line 1: the header row must name the columns";
        QTest::newRow("second row refused by the vault")
            << header + "d,l,p,n\n"
            << "CREATE UNIQUE INDEX d ON Data(domain)" << "UNIQUE constraint failed";
    }

    void isAllOrNothing()
    {
        QFETCH(QByteArray, rows);
        QFETCH(QString, vaultChange);
        QFETCH(QString, message);
        TestVault vault;
        TestVault::create();
        TestVault::run(vaultChange);
        VaultToolProcess::writeFile("in.csv", rows);
        const VaultToolProcess::Run result = VaultToolProcess::run({"import", "in.csv"});
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QCOMPARE(TestVault::run("SELECT count(*) FROM Data").toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestImportCommand)
#include "tst_importcommand.moc"
