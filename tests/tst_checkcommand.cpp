#include "crypto/aescipher.h"
#include "testvault.h"
#include "vaulttoolprocess.h"

#include <QtTest>

// passwordmanager-vault check: the file, its tables and every stored value.
class TestCheckCommand : public QObject
{
    Q_OBJECT

private slots:
    void namesDamagedEntries()
    {
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("a", "l", "p", "n");
        QVERIFY(::symlink("db.db", "link.db") == 0);
        QCOMPARE(VaultToolProcess::run({"--vault", "link.db", "check"}).out, QByteArray("1 entry, all clean\n"));
        const QByteArray key = QByteArray::fromHex(TestVault::masterKeyFor().toLatin1());
        const QByteArray unpadded = AesCipher().encrypt("0123456789abcdef", key).left(32).toBase64();
        TestVault::run(VaultStatements::insertEntry("b", "l", "bm90IGJhc2U2NA", "bm90IGJhc2U2NA=="));
        TestVault::run(VaultStatements::insertEntry("c", "l", QByteArray(40, 'x').toBase64(), unpadded));
        const VaultToolProcess::Run result = VaultToolProcess::run({"check"});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.out, QByteArray("3 entries, 2 not clean\n"));
        QCOMPARE(result.err,
                 "passwordmanager-vault: entry 2: the password is not Base64 text; "
                 "the note is 10 bytes long, which no stored value is\n"
                 "passwordmanager-vault: entry 3: the password is 40 bytes long, which no "
                 "stored value is; the note does not decrypt under the master key\n");
    }

    // Listed by domain, named by id.
    void namesADamagedEntryByItsId()
    {
        TestVault vault;
        TestVault::create();
        TestVault::addEntry("b", "l", "p", "n");
        TestVault::run(VaultStatements::insertEntry("a", "l", "bm90IGJhc2U2NA", "bm90IGJhc2U2NA=="));
        QCOMPARE(VaultToolProcess::run({"check"}).err,
                 "passwordmanager-vault: entry 2: the password is not Base64 "
                 "text; the note is 10 bytes long, which no stored value is\n");
    }

    void saysNothingOfTheEntriesUnderAWrongPassword()
    {
        TestVault vault;
        TestVault::create();
        TestVault::run(VaultStatements::insertEntry("a", "l", "bm90IGJhc2U2NA", "bm90IGJhc2U2NA=="));
        const VaultToolProcess::Run result = VaultToolProcess::run({"check"}, "wrong\n");
        QCOMPARE(result.status, 1);
        QCOMPARE(result.out + result.err.toUtf8(), QByteArray("passwordmanager-vault: wrong master password\n"));
    }

    void reportsAMissingTable()
    {
        TestVault vault;
        TestVault::create();
        TestVault::run("DROP TABLE Data");
        const VaultToolProcess::Run result = VaultToolProcess::run({"check"});
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err, "passwordmanager-vault: the table Data is missing\n");
    }
};

QTEST_GUILESS_MAIN(TestCheckCommand)
#include "tst_checkcommand.moc"
