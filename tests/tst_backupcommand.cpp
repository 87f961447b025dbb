#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>

// passwordmanager-vault backup: a copy made whole and owner-only under its
// name, or not at all.
class TestBackupCommand : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        vault = std::make_unique<TestVault>();
        TestVault::create();
        TestVault::addEntry("a", "l", "p", "n");
        VaultToolProcess::writeFile("old.db", "old");
    }

    void cleanup()
    {
        TestVault::run("ROLLBACK");
        vault.reset();
    }

    void makesAPrivateCopy_data()
    {
        QTest::addColumn<QStringList>("otherConnection");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("while read") << QStringList{"BEGIN", "SELECT * FROM Data"} << QStringList{"copy.db"}
                                    << QStringList{"copy.db", "db.db", "old.db"};
        QTest::newRow("--force over a file")
            << QStringList() << QStringList{"--force", "old.db"} << QStringList{"db.db", "old.db"};
    }

    void makesAPrivateCopy()
    {
        QFETCH(QStringList, otherConnection);
        QFETCH(QStringList, arguments);
        for (const QString &statement : otherConnection)
            TestVault::run(statement);
        QCOMPARE(VaultToolProcess::run(QStringList{"backup"} + arguments, QByteArray()).status, 0);
        const QString copy = arguments.last();
        QCOMPARE(VaultToolProcess::modeOf(copy), 0600);
        QCOMPARE(VaultToolProcess::run({"--vault", copy, "export"}).out, VaultToolProcess::run({"export"}).out);
        QTEST(QDir().entryList(QDir::Files), "files");
    }

    void refusesAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("over a file") << QStringList{"old.db"} << "old.db: it already exists";
        QTest::newRow("itself") << QStringList{"--force", "db.db"} << "db.db is the vault itself";
    }

    void refusesAndKeepsTheOldFile()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const VaultToolProcess::Run result = VaultToolProcess::run(QStringList{"backup"} + arguments, QByteArray());
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QCOMPARE(VaultToolProcess::readFile("old.db"), QByteArray("old"));
        QCOMPARE(QDir().entryList(QDir::Files), QStringList({"db.db", "old.db"}));
    }

private:
    std::unique_ptr<TestVault> vault;
};

QTEST_GUILESS_MAIN(TestBackupCommand)
#include "tst_backupcommand.moc"
