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
    // FIPS-197 C.1 to C.3 on one block; the first two blocks of SP 800-38A
    // F.2.1 and F.2.2 in CBC.
    void knownAnswers_data()
    {
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("iv");
        QTest::addColumn<QByteArray>("plaintext");
        QTest::addColumn<QByteArray>("ciphertext");
        const auto hex = [](const char *digits) { return QByteArray::fromHex(digits); };
        const QByteArray key = hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
        const QByteArray block = hex("00112233445566778899aabbccddeeff");
        for (const bool encrypt : {true, false}) {
            const char *direction = encrypt ? "encrypt" : "decrypt";
            QTest::addRow("C.1 %s", direction)
                << encrypt << key.left(16) << QByteArray() << block << hex("69c4e0d86a7b0430d8cdb78070b4c55a");
            QTest::addRow("C.2 %s", direction)
                << encrypt << key.left(24) << QByteArray() << block << hex("dda97ca4864cdfe06eaf70a0ec0d7191");
            QTest::addRow("C.3 %s", direction)
                << encrypt << key << QByteArray() << block << hex("8ea2b7ca516745bfeafc49904b496089");
            QTest::addRow("F.2 %s", direction)
                << encrypt << hex("2b7e151628aed2a6abf7158809cf4f3c") << hex("000102030405060708090a0b0c0d0e0f")
                << hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51")
                << hex("7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2");
        }
    }

    // In place. A schedule with a round count no key size has, and CBC data
    // that is not whole blocks, are refused with nothing written; CBC goes on
    // from the last ciphertext block in either direction.
    void knownAnswers()
    {
        QFETCH(bool, encrypt);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, iv);
        QFETCH(QByteArray, plaintext);
        QFETCH(QByteArray, ciphertext);
        const AesCipher cipher;
        AesKeySchedule schedule;
        QCOMPARE(cipher.expandKey(bytesOf(key), 8 * key.size(), schedule), 0);
        QByteArray data = encrypt ? plaintext : ciphertext;
        unsigned char *bytes = bytesOf(data);
        const auto block = encrypt ? &AesCipher::encryptBlock : &AesCipher::decryptBlock;
        const auto cbc = encrypt ? &AesCipher::encryptCbc : &AesCipher::decryptCbc;
        AesKeySchedule unusable = schedule;
        unusable.roundCount = 15;
        if (iv.isEmpty()) {
            QCOMPARE((cipher.*block)(bytes, bytes, unusable), -1);
            QCOMPARE((cipher.*block)(bytes, bytes, schedule), 0);
        } else {
            QCOMPARE((cipher.*cbc)(bytes, bytes, 20, bytesOf(iv), schedule), 1);
            QCOMPARE((cipher.*cbc)(bytes, bytes, 32, bytesOf(iv), schedule), 0);
        }
        QCOMPARE(data, encrypt ? ciphertext : plaintext);
        QVERIFY(iv.isEmpty() || iv == ciphertext.right(16));
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
