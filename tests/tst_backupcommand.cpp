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
        VaultToolProcess::writeFile("empty.db", "");
        QVERIFY(QDir().mkdir("left"));
        VaultToolProcess::writeFile("left/.passwordmanager-vault-x1y2z3", "");
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
        QTest::addColumn<QString>("warnings");
        const QStringList none;
        const QString longName = QString(252, 'a') + ".db";
        QTest::newRow("while read") << QStringList{"BEGIN", "SELECT * FROM Data"} << QStringList{"copy.db"}
                                    << QStringList{"copy.db", "db.db", "empty.db", "old.db"} << "";
        QTest::newRow("--force over a file")
            << none << QStringList{"--force", "old.db"} << QStringList{"db.db", "empty.db", "old.db"} << "";
        QTest::newRow("a name of 255 characters")
            << none << QStringList{longName} << QStringList{longName, "db.db", "empty.db", "old.db"} << "";
        QTest::newRow("beside a leftover")
            << none << QStringList{"left/copy.db"} << QStringList{"db.db", "empty.db", "old.db"}
            << "passwordmanager-vault: warning: left/.passwordmanager-vault-x1y2z3 looks left behind by a copy that "
               "was cut short; remove it unless another passwordmanager-vault is writing it now\n";
    }

    void makesAPrivateCopy()
    {
        QFETCH(QStringList, otherConnection);
        QFETCH(QStringList, arguments);
        for (const QString &statement : otherConnection)
            TestVault::run(statement);
        const VaultToolProcess::Run result = VaultToolProcess::run(QStringList{"backup"} + arguments, QByteArray());
        QCOMPARE(result.status, 0);
        QTEST(result.err, "warnings");
        const QString copy = arguments.last();
        QCOMPARE(VaultToolProcess::modeOf(copy), 0600);
        QCOMPARE(VaultToolProcess::run({"--vault", copy, "export"}).out, VaultToolProcess::run({"export"}).out);
        QTEST(QDir().entryList(QDir::Files | QDir::Hidden), "files");
    }

    void refusesAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("over a file") << QStringList{"old.db"} << "old.db: it already exists";
        QTest::newRow("itself") << QStringList{"--force", "db.db"} << "db.db is the vault itself";
        QTest::newRow("over an empty file") << QStringList{"empty.db"}
                                            << "empty.db: it already exists, empty, as a copy that was cut short "
                                               "leaves it; remove it and try again";
    }

    void refusesAndKeepsTheOldFile()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const VaultToolProcess::Run result = VaultToolProcess::run(QStringList{"backup"} + arguments, QByteArray());
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QCOMPARE(VaultToolProcess::readFile("old.db"), QByteArray("old"));
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList({"db.db", "empty.db", "old.db"}));
    }

    // Full in the middle of the copy.
    void leavesNothingOnAFullDisk()
    {
        VaultToolProcess::WithoutTerminal tool;
        tool.ignoredSignal = SIGXFSZ;
        tool.fileSizeLimit = 4096;
        tool.start(PM_VAULT_TOOL, {"backup", "copy.db"});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(tool.readAllStandardError().startsWith("passwordmanager-vault: cannot copy the vault: "));
        QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden), QStringList({"db.db", "empty.db", "old.db"}));
    }

private:
    std::unique_ptr<TestVault> vault;
};

QTEST_GUILESS_MAIN(TestBackupCommand)
#include "tst_backupcommand.moc"
