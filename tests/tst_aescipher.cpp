#include "crypto/aescipher.h"

#include <QRandomGenerator>
#include <QUuid>
#include <QtTest>

#include <openssl/evp.h>

#include <algorithm>

namespace {
unsigned char *bytesOf(QByteArray &array)
{
    return reinterpret_cast<unsigned char *>(array.data());
}

// OpenSSL's AES-CBC with PKCS#7 padding, as an independent implementation.
QByteArray openSslCbc(bool encrypt, QByteArray data, QByteArray key, QByteArray iv)
{
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    QByteArray output(data.size() + 16, '\0');
    int written = 0;
    int last = 0;
    const QByteArray name = "aes-" + QByteArray::number(8 * key.size()) + "-cbc";
    EVP_CipherInit_ex(context, EVP_get_cipherbyname(name), nullptr, bytesOf(key), bytesOf(iv), encrypt);
    EVP_CipherUpdate(context, bytesOf(output), &written, bytesOf(data), data.size());
    EVP_CipherFinal_ex(context, bytesOf(output) + written, &last);
    EVP_CIPHER_CTX_free(context);
    return output.left(written + last);
}
}

class TestAesCipher : public QObject
{
    Q_OBJECT

private slots:
    // FIPS-197 C.1 to C.3.
    void knownBlocks_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("ciphertext");
        const QByteArray key = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f1011121314151617"
                                                   "18191a1b1c1d1e1f");
        QTest::newRow("C.1") << key.left(16) << QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
        QTest::newRow("C.2") << key.left(24) << QByteArray::fromHex("dda97ca4864cdfe06eaf70a0ec0d7191");
        QTest::newRow("C.3") << key << QByteArray::fromHex("8ea2b7ca516745bfeafc49904b496089");
    }

    // In place, both ways. A schedule with a round count no key size has is
    // refused with nothing written.
    void knownBlocks()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, ciphertext);
        const QByteArray plaintext = QByteArray::fromHex("00112233445566778899aabbccddeeff");
        const AesCipher cipher;
        AesKeySchedule schedule;
        QCOMPARE(cipher.expandKey(bytesOf(key), 8 * key.size(), schedule), 0);
        AesKeySchedule unusable = schedule;
        unusable.roundCount = 15;
        QByteArray data = plaintext;
        QCOMPARE(cipher.encryptBlock(bytesOf(data), bytesOf(data), unusable), -1);
        QCOMPARE(cipher.encryptBlock(bytesOf(data), bytesOf(data), schedule), 0);
        QCOMPARE(data, ciphertext);
        QCOMPARE(cipher.decryptBlock(bytesOf(data), bytesOf(data), unusable), -1);
        QCOMPARE(cipher.decryptBlock(bytesOf(data), bytesOf(data), schedule), 0);
        QCOMPARE(data, plaintext);
    }

    // The first two blocks of SP 800-38A F.2.1 and F.2.2, in place. Data that
    // is not whole blocks is refused with nothing written; the IV goes on
    // from the last ciphertext block in either direction.
    void knownCbc()
    {
        QByteArray key = QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c");
        const QByteArray plaintext
            = QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
        const QByteArray ciphertext
            = QByteArray::fromHex("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2");
        const AesCipher cipher;
        AesKeySchedule schedule;
        QCOMPARE(cipher.expandKey(bytesOf(key), 128, schedule), 0);
        QByteArray data = plaintext;
        QByteArray iv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
        QCOMPARE(cipher.encryptCbc(bytesOf(data), bytesOf(data), 20, bytesOf(iv), schedule), 1);
        QCOMPARE(cipher.encryptCbc(bytesOf(data), bytesOf(data), 32, bytesOf(iv), schedule), 0);
        QCOMPARE(data, ciphertext);
        QCOMPARE(iv, ciphertext.right(16));
        iv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
        QCOMPARE(cipher.decryptCbc(bytesOf(data), bytesOf(data), 20, bytesOf(iv), schedule), 1);
        QCOMPARE(cipher.decryptCbc(bytesOf(data), bytesOf(data), 32, bytesOf(iv), schedule), 0);
        QCOMPARE(data, plaintext);
        QCOMPARE(iv, ciphertext.right(16));
    }

    // Random keys, IVs and data of every length up to 300 bytes, from a fixed
    // seed. A stored value is plain AES-CBC of the data, its first block the
    // IV: AES of a fresh random UUID, so that no two values start alike.
    void sameBytesAsOpenSsl()
    {
        const AesCipher cipher;
        const QByteArray zeros(16, '\0');
        QRandomGenerator random(1);
        for (int keyLength : {16, 24, 32}) {
            for (int length = 0; length <= 300; ++length) {
                QByteArray bytes(keyLength + 16 + length, '\0');
                std::generate(bytes.begin(), bytes.end(), [&random] { return char(random.bounded(256)); });
                const QByteArray key = bytes.left(keyLength);
                const QByteArray iv = bytes.mid(keyLength, 16);
                const QByteArray data = bytes.mid(keyLength + 16);
                const QByteArray ciphertext = cipher.encryptWithIv(data, key, iv);
                QCOMPARE(ciphertext, openSslCbc(true, data, key, iv));
                QCOMPARE(cipher.decrypt(iv + ciphertext, key), data);
                QCOMPARE(cipher.decrypt(iv + ciphertext.chopped(1), key), QByteArray());
                const QByteArray stored = cipher.encrypt(data, key);
                QCOMPARE(openSslCbc(false, stored.mid(16), key, stored.left(16)), data);
                QCOMPARE(QUuid::fromRfc4122(openSslCbc(false, stored, key, zeros).left(16)).version(), QUuid::Random);
                QVERIFY(cipher.encrypt(data, key).left(16) != stored.left(16));
            }
        }
    }

    // Lenient: strips no more bytes than the last one says, and only those
    // equal to it; a last byte of 80 or more strips nothing.
    void removePadding()
    {
        const AesCipher cipher;
        QCOMPARE(cipher.removePadding(QByteArray::fromHex("418080")), QByteArray::fromHex("418080"));
        QCOMPARE(cipher.removePadding(QByteArray::fromHex("0505030303")), QByteArray::fromHex("0505"));
        QCOMPARE(cipher.removePadding(QByteArray::fromHex("040303")), QByteArray::fromHex("04"));
        QCOMPARE(cipher.removePadding(QByteArray(17, '\x10')), QByteArray(1, '\x10'));
    }
};

QTEST_GUILESS_MAIN(TestAesCipher)
#include "tst_aescipher.moc"
