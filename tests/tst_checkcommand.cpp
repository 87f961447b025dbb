#include "crypto/aescipher.h"
#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>

// passwordmanager-vault check: the file, its tables and every stored value.
class TestCheckCommand : public QObject
{
    Q_OBJECT

private slots:
    void reportsWhatItFinds_data()
    {
        QTest::addColumn<QStringList>("damage");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said");
        const QByteArray key = QByteArray::fromHex(TestVault::masterKeyFor().toLatin1());
        const QByteArray unpadded = AesCipher().encrypt("0123456789abcdef", key).left(32).toBase64();
        const QString notBase64 = VaultStatements::insertEntry("b", "l", "bm90IGJhc2U2NA", "bm90IGJhc2U2NA==");
        const QString tooLong = VaultStatements::insertEntry("a", "l", QByteArray(40, 'x').toBase64(), unpadded);
        QTest::newRow("clean") << QStringList() << QByteArray("master\n") << 0 << QByteArray("1 entry, all clean\n");
        // Listed by domain, named by id.
        QTest::newRow("damaged entries")
            << QStringList{notBase64, tooLong} << QByteArray("master\n") << 1
            << QByteArray("3 entries, 2 not clean\n"
                          "passwordmanager-vault: entry 3: the password is 40 bytes long, which no stored value is; "
                          "the note does not decrypt under the master key\n"
                          "passwordmanager-vault: entry 2: the password is not Base64 text; the note is 10 bytes "
                          "long, which no stored value is\n");
        QTest::newRow("damaged, under a wrong password")
            << QStringList{notBase64} << QByteArray("wrong\n") << 1
            << QByteArray("passwordmanager-vault: wrong master password\n");
        QTest::newRow("a missing table") << QStringList{"DROP TABLE Data"} << QByteArray("master\n") << 1
                                         << QByteArray("passwordmanager-vault: the table Data is missing\n");
    }

    // Through a link to the vault.
    void reportsWhatItFinds()
    {
        QFETCH(QStringList, damage);
        QFETCH(QByteArray, input);
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("c", "l", "p", "n");
        QVERIFY(::symlink("db.db", "link.db") == 0);
        for (const QString &statement : damage)
            TestVault::run(statement);
        const VaultToolProcess::Run result = VaultToolProcess::run({"--vault", "link.db", "check"}, input);
        QTEST(result.status, "status");
        QTEST(result.out + result.err.toUtf8(), "said");
    }
};

QTEST_GUILESS_MAIN(TestCheckCommand)
#include "tst_checkcommand.moc"
