#include "crypto/aescipher.h"

#include <QtTest>

namespace {

unsigned char *bytesOf(QByteArray &array)
{
    return reinterpret_cast<unsigned char *>(array.data());
}

const unsigned char *bytesOf(const QByteArray &array)
{
    return reinterpret_cast<const unsigned char *>(array.constData());
}

AesKeySchedule expanded(const QByteArray &key)
{
    AesKeySchedule schedule;
    AesCipher().expandKey(bytesOf(key), 8 * key.size(), schedule);
    return schedule;
}

// SP 800-38A F.2.1 and F.2.2.
const QByteArray cbcKey = QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c");
const QByteArray cbcIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray cbcPlaintext = QByteArray::fromHex(
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
const QByteArray cbcCiphertext = QByteArray::fromHex(
    "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
    "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7");

} // namespace

class TestAesCipher : public QObject
{
    Q_OBJECT

private slots:
    void blockKnownAnswers_data();
    void blockKnownAnswers();
    void roundStepsAndBlockXor();
    void cbcKnownAnswers_data();
    void cbcKnownAnswers();
    void failuresWriteNothing_data();
    void failuresWriteNothing();
    void storedValueLayout_data();
    void storedValueLayout();
    void badLengthsGiveEmptyResults_data();
    void badLengthsGiveEmptyResults();
    void removePadding_data();
    void removePadding();
    void keyFromHex_data();
    void keyFromHex();
};

void TestAesCipher::blockKnownAnswers_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("ciphertext");
    QTest::addColumn<QByteArray>("lastRoundKey");
    QTest::addColumn<int>("rounds");

    QTest::newRow("FIPS-197 C.1") << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f")
        << QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a")
        << QByteArray::fromHex("13111d7fe3944a17f307a78b4d2b30c5") << 10;
    QTest::newRow("FIPS-197 C.2") << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f1011121314151617")
        << QByteArray::fromHex("dda97ca4864cdfe06eaf70a0ec0d7191")
        << QByteArray::fromHex("a4970a331a78dc09c418c271e3a41d5d") << 12;
    QTest::newRow("FIPS-197 C.3")
        << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f")
        << QByteArray::fromHex("8ea2b7ca516745bfeafc49904b496089")
        << QByteArray::fromHex("24fc79ccbf0979e9371ac23c6d68de36") << 14;
}

void TestAesCipher::blockKnownAnswers()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, ciphertext);
    QFETCH(QByteArray, lastRoundKey);
    QFETCH(int, rounds);
    const QByteArray plaintext = QByteArray::fromHex("00112233445566778899aabbccddeeff");

    const AesCipher cipher;
    const AesKeySchedule schedule = expanded(key);
    QCOMPARE(int(schedule.roundCount), rounds);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(schedule.roundKeys) + 16 * rounds, 16),
             lastRoundKey);

    QByteArray output(16, '\0');
    QCOMPARE(cipher.encryptBlock(bytesOf(plaintext), bytesOf(output), schedule), 0);
    QCOMPARE(output, ciphertext);
    QCOMPARE(cipher.decryptBlock(bytesOf(output), bytesOf(output), schedule), 0);
    QCOMPARE(output, plaintext);
}

// The first round of the FIPS-197 Appendix B example, step by step.
void TestAesCipher::roundStepsAndBlockXor()
{
    const AesCipher cipher;
    const QByteArray start = QByteArray::fromHex("193de3bea0f4e22b9ac68d2ae9f84808");
    const QByteArray shifted = QByteArray::fromHex("d4bf5d30e0b452aeb84111f11e2798e5");
    const QByteArray mixed = QByteArray::fromHex("046681e5e0cb199a48f8d37a2806264c");
    const QByteArray roundKey = QByteArray::fromHex("a0fafe1788542cb123a339392a6c7605");
    const QByteArray next = QByteArray::fromHex("a49c7ff2689f352b6b5bea43026a5049");

    QByteArray state = start;
    cipher.subShift(bytesOf(state));
    QCOMPARE(state, shifted);
    cipher.invShiftSub(bytesOf(state));
    QCOMPARE(state, start);
    cipher.subShiftMix(bytesOf(state));
    QCOMPARE(state, mixed);
    QByteArray sum(16, '\0');
    cipher.xorBlock(bytesOf(state), bytesOf(roundKey), bytesOf(sum));
    QCOMPARE(sum, next);
    cipher.xorBlock(bytesOf(sum), bytesOf(roundKey));
    QCOMPARE(sum, mixed);
    cipher.invMixShiftSub(bytesOf(state));
    QCOMPARE(state, start);
}

void TestAesCipher::cbcKnownAnswers_data()
{
    QTest::addColumn<int>("bytesPerCall");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("four blocks") << 64 << false;
    QTest::newRow("four blocks in place") << 64 << true;
    QTest::newRow("a block a call, in place") << 16 << true;
    QTest::newRow("three blocks then one") << 48 << false;
}

// A chain goes on across calls, so splitting the blocks must change nothing.
void TestAesCipher::cbcKnownAnswers()
{
    QFETCH(int, bytesPerCall);
    QFETCH(bool, inPlace);
    const AesCipher cipher;
    const AesKeySchedule schedule = expanded(cbcKey);

    for (const bool encrypt : {true, false}) {
        const QByteArray &input = encrypt ? cbcPlaintext : cbcCiphertext;
        QByteArray output = inPlace ? input : QByteArray(input.size(), '\0');
        QByteArray chain = cbcIv;
        for (int offset = 0; offset < input.size(); offset += bytesPerCall) {
            const unsigned step = unsigned(qMin(bytesPerCall, input.size() - offset));
            const unsigned char *in = (inPlace ? bytesOf(output) : bytesOf(input)) + offset;
            unsigned char *out = bytesOf(output) + offset;
            QCOMPARE(encrypt ? cipher.encryptCbc(in, out, step, bytesOf(chain), schedule)
                             : cipher.decryptCbc(in, out, step, bytesOf(chain), schedule), 0);
        }
        QCOMPARE(output, encrypt ? cbcCiphertext : cbcPlaintext);
        QCOMPARE(chain, cbcCiphertext.right(16));
    }
}

void TestAesCipher::failuresWriteNothing_data()
{
    QTest::addColumn<int>("keyBits");
    QTest::addColumn<int>("roundCount");
    QTest::addColumn<unsigned>("length");
    QTest::addColumn<int>("blockResult");
    QTest::addColumn<int>("cbcResult");

    QTest::newRow("64-bit key") << 64 << -1 << 64u << -1 << 1;
    QTest::newRow("512-bit key") << 512 << -1 << 64u << -1 << 1;
    QTest::newRow("never expanded") << 0 << -1 << 64u << -1 << 1;
    QTest::newRow("round count 15") << 256 << 15 << 64u << -1 << 1;
    QTest::newRow("20 bytes of CBC") << 128 << -1 << 20u << 0 << 1;
    QTest::newRow("no bytes of CBC") << 128 << -1 << 0u << 0 << 0;
}

void TestAesCipher::failuresWriteNothing()
{
    QFETCH(int, keyBits);
    QFETCH(int, roundCount);
    QFETCH(unsigned, length);
    QFETCH(int, blockResult);
    QFETCH(int, cbcResult);

    const AesCipher cipher;
    AesKeySchedule schedule;
    const QByteArray key(64, 'k');
    const bool validSize = keyBits == 128 || keyBits == 192 || keyBits == 256;
    if (keyBits)
        QCOMPARE(cipher.expandKey(bytesOf(key), keyBits, schedule), validSize ? 0 : -1);
    if (!validSize)
        QCOMPARE(int(schedule.roundCount), 0);
    if (roundCount >= 0)
        schedule.roundCount = static_cast<unsigned char>(roundCount);

    const QByteArray untouched(64, '\x5c');
    QByteArray output = untouched;
    QCOMPARE(cipher.encryptBlock(bytesOf(cbcPlaintext), bytesOf(output), schedule), blockResult);
    QCOMPARE(cipher.decryptBlock(bytesOf(cbcPlaintext), bytesOf(output), schedule), blockResult);
    if (blockResult)
        QCOMPARE(output, untouched);

    output = untouched;
    QByteArray chain = cbcIv;
    QCOMPARE(cipher.encryptCbc(bytesOf(cbcPlaintext), bytesOf(output), length, bytesOf(chain), schedule),
             cbcResult);
    QCOMPARE(cipher.decryptCbc(bytesOf(cbcPlaintext), bytesOf(output), length, bytesOf(chain), schedule),
             cbcResult);
    QCOMPARE(output, untouched);
    QCOMPARE(chain, cbcIv);
}

void TestAesCipher::storedValueLayout_data()
{
    QTest::addColumn<int>("keyLength");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("storedLength");

    for (int keyLength : {16, 24, 32}) {
        QTest::addRow("%d-byte key, empty", keyLength) << keyLength << QByteArray() << 32;
        QTest::addRow("%d-byte key, 15 bytes", keyLength) << keyLength << QByteArray(15, 'x') << 32;
        QTest::addRow("%d-byte key, 16 bytes of 10", keyLength) << keyLength << QByteArray(16, '\x10') << 48;
        QTest::addRow("%d-byte key, 31 bytes", keyLength) << keyLength << QByteArray(31, 'x') << 48;
    }
    for (int last : {0x00, 0x01, 0x02, 0x0f, 0x10, 0x11, 0x7f, 0x80, 0xff})
        QTest::addRow("ends in %02x %02x", last, last) << 16 << QByteArray("abc") + QByteArray(2, char(last)) << 32;
    QTest::newRow("32 bytes") << 16 << QByteArray(32, '\x7f') << 64;
    QTest::newRow("10 MB") << 32 << QByteArray(10 * 1024 * 1024 + 5, '\xa5') << 10 * 1024 * 1024 + 32;
}

// The first block depends on the key alone and the rest is CBC chained from
// it, so the whole value depends only on key and data.
void TestAesCipher::storedValueLayout()
{
    QFETCH(int, keyLength);
    QFETCH(QByteArray, data);
    QFETCH(int, storedLength);
    QByteArray key(keyLength, '\0');
    for (int i = 0; i < keyLength; ++i)
        key[i] = char(i * 37 + 11);

    const AesCipher cipher;
    const QByteArray stored = cipher.encrypt(data, key);
    QCOMPARE(stored.size(), storedLength);
    QCOMPARE(cipher.encrypt(data, key), stored);
    QByteArray firstBlock(16, '\0');
    cipher.encryptBlock(bytesOf(firstBlock), bytesOf(firstBlock), expanded(key));
    QCOMPARE(stored.left(16), firstBlock);
    QCOMPARE(cipher.decrypt(stored, key), data);

    // Any first block serves as the chaining value of what follows it.
    const QByteArray iv(16, '\xee');
    QCOMPARE(cipher.decrypt(iv + cipher.encryptWithIv(data, key, iv), key), data);
}

void TestAesCipher::badLengthsGiveEmptyResults_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("key");

    const QByteArray stored = AesCipher().encrypt("a secret of twenty bytes", cbcKey);
    QTest::newRow("20-byte key") << stored << QByteArray(20, 'k');
    QTest::newRow("empty key") << stored << QByteArray();
    QTest::newRow("empty value") << QByteArray() << cbcKey;
    QTest::newRow("15-byte value") << stored.left(15) << cbcKey;
    QTest::newRow("16-byte value") << stored.left(16) << cbcKey;
    QTest::newRow("one byte short") << stored.chopped(1) << cbcKey;
    QTest::newRow("one byte over") << stored + 'x' << cbcKey;
}

void TestAesCipher::badLengthsGiveEmptyResults()
{
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, key);
    const AesCipher cipher;
    QVERIFY(cipher.decrypt(value, key).isEmpty());
    QVERIFY(cipher.decryptWithIv(value.mid(16), key, cbcIv.left(value.size() % 16)).isEmpty());
    if (key.size() != 16) {
        QVERIFY(cipher.encrypt("secret", key).isEmpty());
        QVERIFY(cipher.encryptWithIv("secret", key, cbcIv).isEmpty());
    }
    QVERIFY(cipher.encryptWithIv("secret", cbcKey, cbcIv.left(15)).isEmpty());
}

void TestAesCipher::removePadding_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("ends in 00") << QByteArray::fromHex("41420000") << QByteArray::fromHex("41420000");
    QTest::newRow("ends in 80") << QByteArray::fromHex("418080") << QByteArray::fromHex("418080");
    QTest::newRow("ends in ff") << QByteArray::fromHex("41ff") << QByteArray::fromHex("41ff");
    QTest::newRow("05 05 03 03 03") << QByteArray::fromHex("410505030303") << QByteArray::fromHex("410505");
    QTest::newRow("04 03 03") << QByteArray::fromHex("41040303") << QByteArray::fromHex("4104");
    QTest::newRow("02 01") << QByteArray::fromHex("410201") << QByteArray::fromHex("4102");
    QTest::newRow("14 7f 7f") << QByteArray::fromHex("41147f7f") << QByteArray::fromHex("4114");
    QTest::newRow("only 05 05") << QByteArray::fromHex("0505") << QByteArray();
    QTest::newRow("17 bytes of 10") << QByteArray(17, '\x10') << QByteArray(1, '\x10');
}

void TestAesCipher::removePadding()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);
    QCOMPARE(AesCipher().removePadding(data), expected);
}

void TestAesCipher::keyFromHex_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QByteArray>("key");

    QTest::newRow("master key") << "9e107d9d372bb6826bd81d3542a419d6"
                                << QByteArray::fromHex("9e107d9d372bb6826bd81d3542a419d6");
    QTest::newRow("other characters skipped") << "00:1f zz-A0\u0436" << QByteArray("\x00\x1f\xa0", 3);
    QTest::newRow("empty") << "" << QByteArray();
}

void TestAesCipher::keyFromHex()
{
    QFETCH(QString, hex);
    QFETCH(QByteArray, key);
    QCOMPARE(AesCipher().keyFromHex(hex), key);
    if (key.isEmpty())
        QVERIFY(AesCipher().encrypt("secret", key).isEmpty());
}

QTEST_GUILESS_MAIN(TestAesCipher)
#include "tst_aescipher.moc"
