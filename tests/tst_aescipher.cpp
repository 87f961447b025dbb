#include "crypto/aescipher.h"

#include <QtTest>

#include <cstring>

namespace {

const unsigned char *bytesOf(const QByteArray &array)
{
    return reinterpret_cast<const unsigned char *>(array.constData());
}

unsigned char *bytesOf(QByteArray &array)
{
    return reinterpret_cast<unsigned char *>(array.data());
}

QByteArray roundKey(const AesKeySchedule &schedule, int round)
{
    return QByteArray(reinterpret_cast<const char *>(schedule.roundKeys) + 16 * round, 16);
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
    "6bc1bee22e409f96e93d7e117393172a"
    "ae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52ef"
    "f69f2445df4f9b17ad2b417be66c3710");
const QByteArray cbcCiphertext = QByteArray::fromHex(
    "7649abac8119b246cee98e9b12e9197d"
    "5086cb9b507219ee95db113a917678b2"
    "73bed6b8e3c1743b7116e69e22229516"
    "3ff1caa1681fac09120eca307586e1a7");

const QByteArray key128 = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray key192 = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f1011121314151617");
const QByteArray key256 =
    QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");

} // namespace

class TestAesCipher : public QObject
{
    Q_OBJECT

private slots:
    void knownAnswers_data();
    void knownAnswers();
    void expandKeyLeavesTheRestOfTheScheduleAlone();
    void roundSteps_data();
    void roundSteps();
    void blockXor();
    void cbcKnownAnswers_data();
    void cbcKnownAnswers();
    void expandKeyRejectsOtherSizes_data();
    void expandKeyRejectsOtherSizes();
    void invalidScheduleFailsWithoutWriting_data();
    void invalidScheduleFailsWithoutWriting();
    void cbcLengthNotWholeBlocks_data();
    void cbcLengthNotWholeBlocks();

    void keyFromHex_data();
    void keyFromHex();
    void addPadding_data();
    void addPadding();
    void removePadding_data();
    void removePadding();
    void storedValueLayout_data();
    void storedValueLayout();
    void roundTrip_data();
    void roundTrip();
    void decryptTakesAnyFirstBlockAsChainingValue();
    void badLengthsGiveEmptyResults_data();
    void badLengthsGiveEmptyResults();
    void tenMegabyteValue();
    void wrongKeyGivesOtherBytes();
};

void TestAesCipher::knownAnswers_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plaintext");
    QTest::addColumn<QByteArray>("ciphertext");
    QTest::addColumn<QByteArray>("lastRoundKey");
    QTest::addColumn<int>("rounds");

    const QByteArray plaintext = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    QTest::newRow("FIPS-197 C.1, 128 bits") << key128 << plaintext
        << QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a")
        << QByteArray::fromHex("13111d7fe3944a17f307a78b4d2b30c5") << 10;
    QTest::newRow("FIPS-197 C.2, 192 bits") << key192 << plaintext
        << QByteArray::fromHex("dda97ca4864cdfe06eaf70a0ec0d7191")
        << QByteArray::fromHex("a4970a331a78dc09c418c271e3a41d5d") << 12;
    QTest::newRow("FIPS-197 C.3, 256 bits") << key256 << plaintext
        << QByteArray::fromHex("8ea2b7ca516745bfeafc49904b496089")
        << QByteArray::fromHex("24fc79ccbf0979e9371ac23c6d68de36") << 14;
    QTest::newRow("FIPS-197 B") << cbcKey << QByteArray::fromHex("3243f6a8885a308d313198a2e0370734")
        << QByteArray::fromHex("3925841d02dc09fbdc118597196a0b32")
        << QByteArray::fromHex("d014f9a8c9ee2589e13f0cc8b6630ca6") << 10;
}

void TestAesCipher::knownAnswers()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plaintext);
    QFETCH(QByteArray, ciphertext);
    QFETCH(QByteArray, lastRoundKey);
    QFETCH(int, rounds);

    const AesCipher cipher;
    AesKeySchedule schedule;
    QCOMPARE(cipher.expandKey(bytesOf(key), 8 * key.size(), schedule), 0);
    QCOMPARE(int(schedule.roundCount), rounds);
    QCOMPARE(roundKey(schedule, 0), key.left(16));
    QCOMPARE(roundKey(schedule, rounds), lastRoundKey);

    QByteArray output(16, '\0');
    QCOMPARE(cipher.encryptBlock(bytesOf(plaintext), bytesOf(output), schedule), 0);
    QCOMPARE(output, ciphertext);
    QCOMPARE(cipher.decryptBlock(bytesOf(ciphertext), bytesOf(output), schedule), 0);
    QCOMPARE(output, plaintext);

    QByteArray inPlace = plaintext;
    QCOMPARE(cipher.encryptBlock(bytesOf(inPlace), bytesOf(inPlace), schedule), 0);
    QCOMPARE(inPlace, ciphertext);
    QCOMPARE(cipher.decryptBlock(bytesOf(inPlace), bytesOf(inPlace), schedule), 0);
    QCOMPARE(inPlace, plaintext);
}

void TestAesCipher::expandKeyLeavesTheRestOfTheScheduleAlone()
{
    AesKeySchedule schedule;
    std::memset(schedule.roundKeys, 0xa5, sizeof schedule.roundKeys);
    QCOMPARE(AesCipher().expandKey(bytesOf(key192), 192, schedule), 0);
    for (std::size_t i = 16 * 13; i < sizeof schedule.roundKeys; ++i)
        QCOMPARE(int(schedule.roundKeys[i]), 0xa5);
}

// The first round of FIPS-197 Appendix B.
void TestAesCipher::roundSteps_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");

    const QByteArray start = QByteArray::fromHex("193de3bea0f4e22b9ac68d2ae9f84808");
    const QByteArray shifted = QByteArray::fromHex("d4bf5d30e0b452aeb84111f11e2798e5");
    const QByteArray mixed = QByteArray::fromHex("046681e5e0cb199a48f8d37a2806264c");
    QTest::newRow("subShift") << "subShift" << start << shifted;
    QTest::newRow("subShiftMix") << "subShiftMix" << start << mixed;
    QTest::newRow("invShiftSub") << "invShiftSub" << shifted << start;
    QTest::newRow("invMixShiftSub") << "invMixShiftSub" << mixed << start;
}

void TestAesCipher::roundSteps()
{
    QFETCH(QString, step);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);

    const AesCipher cipher;
    QByteArray state = input;
    if (step == "subShift")
        cipher.subShift(bytesOf(state));
    else if (step == "subShiftMix")
        cipher.subShiftMix(bytesOf(state));
    else if (step == "invShiftSub")
        cipher.invShiftSub(bytesOf(state));
    else
        cipher.invMixShiftSub(bytesOf(state));
    QCOMPARE(state, output);
}

void TestAesCipher::blockXor()
{
    const AesCipher cipher;
    const QByteArray first = QByteArray::fromHex("00ff0ff05aa5123456789abcdef00102");
    const QByteArray second = QByteArray::fromHex("ffff00f05a5a0000000000000000ff03");
    const QByteArray sum = QByteArray::fromHex("ff000f0000ff123456789abcdef0fe01");

    QByteArray output(16, '\0');
    cipher.xorBlock(bytesOf(first), bytesOf(second), bytesOf(output));
    QCOMPARE(output, sum);

    QByteArray block = first;
    cipher.xorBlock(bytesOf(block), bytesOf(second));
    QCOMPARE(block, sum);
}

void TestAesCipher::cbcKnownAnswers_data()
{
    QTest::addColumn<int>("bytesPerCall");
    QTest::addColumn<bool>("inPlace");

    for (int bytesPerCall : {64, 48, 32, 16}) {
        QTest::addRow("%d bytes a call", bytesPerCall) << bytesPerCall << false;
        QTest::addRow("%d bytes a call, in place", bytesPerCall) << bytesPerCall << true;
    }
}

// A chain continues across calls, so splitting the four blocks over several
// calls must not change anything.
void TestAesCipher::cbcKnownAnswers()
{
    QFETCH(int, bytesPerCall);
    QFETCH(bool, inPlace);

    const AesCipher cipher;
    const AesKeySchedule schedule = expanded(cbcKey);
    const int length = cbcPlaintext.size();

    QByteArray chain = cbcIv;
    QByteArray encrypted = inPlace ? cbcPlaintext : QByteArray(length, '\0');
    for (int offset = 0; offset < length; offset += bytesPerCall) {
        const int step = qMin(bytesPerCall, length - offset);
        const unsigned char *input = inPlace ? bytesOf(encrypted) : bytesOf(cbcPlaintext);
        QCOMPARE(cipher.encryptCbc(input + offset, bytesOf(encrypted) + offset, step,
                                   bytesOf(chain), schedule), 0);
    }
    QCOMPARE(encrypted, cbcCiphertext);
    QCOMPARE(chain, cbcCiphertext.right(16));

    chain = cbcIv;
    QByteArray decrypted = inPlace ? cbcCiphertext : QByteArray(length, '\0');
    for (int offset = 0; offset < length; offset += bytesPerCall) {
        const int step = qMin(bytesPerCall, length - offset);
        const unsigned char *input = inPlace ? bytesOf(decrypted) : bytesOf(cbcCiphertext);
        QCOMPARE(cipher.decryptCbc(input + offset, bytesOf(decrypted) + offset, step,
                                   bytesOf(chain), schedule), 0);
    }
    QCOMPARE(decrypted, cbcPlaintext);
    QCOMPARE(chain, cbcCiphertext.right(16));
}

void TestAesCipher::expandKeyRejectsOtherSizes_data()
{
    QTest::addColumn<int>("keyBits");

    for (int bits : {0, 64, 127, 129, 160, 255, 512, -128})
        QTest::addRow("%d bits", bits) << bits;
}

void TestAesCipher::expandKeyRejectsOtherSizes()
{
    QFETCH(int, keyBits);

    AesKeySchedule schedule = expanded(key256);
    const QByteArray before(reinterpret_cast<const char *>(schedule.roundKeys),
                            sizeof schedule.roundKeys);
    QCOMPARE(AesCipher().expandKey(bytesOf(key256), keyBits, schedule), -1);
    QCOMPARE(int(schedule.roundCount), 0);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(schedule.roundKeys),
                        sizeof schedule.roundKeys), before);
}

void TestAesCipher::invalidScheduleFailsWithoutWriting_data()
{
    QTest::addColumn<int>("keyBits");
    QTest::addColumn<int>("roundCount");

    QTest::newRow("expanded with 64 bits") << 64 << -1;
    QTest::newRow("expanded with 512 bits") << 512 << -1;
    QTest::newRow("never expanded") << 0 << -1;
    QTest::newRow("round count 11") << 128 << 11;
    QTest::newRow("round count 15") << 256 << 15;
    QTest::newRow("round count 255") << 256 << 255;
}

void TestAesCipher::invalidScheduleFailsWithoutWriting()
{
    QFETCH(int, keyBits);
    QFETCH(int, roundCount);

    const AesCipher cipher;
    AesKeySchedule schedule;
    if (keyBits != 0)
        cipher.expandKey(bytesOf(key256), keyBits, schedule);
    if (roundCount >= 0)
        schedule.roundCount = static_cast<unsigned char>(roundCount);

    const QByteArray untouched(64, '\x5c');
    const QByteArray input = cbcPlaintext;
    QByteArray output = untouched;
    QCOMPARE(cipher.encryptBlock(bytesOf(input), bytesOf(output), schedule), -1);
    QCOMPARE(output, untouched);
    QCOMPARE(cipher.decryptBlock(bytesOf(input), bytesOf(output), schedule), -1);
    QCOMPARE(output, untouched);

    QByteArray chain = cbcIv;
    QCOMPARE(cipher.encryptCbc(bytesOf(input), bytesOf(output), 64, bytesOf(chain), schedule), 1);
    QCOMPARE(output, untouched);
    QCOMPARE(chain, cbcIv);
    QCOMPARE(cipher.decryptCbc(bytesOf(input), bytesOf(output), 64, bytesOf(chain), schedule), 1);
    QCOMPARE(output, untouched);
    QCOMPARE(chain, cbcIv);
}

void TestAesCipher::cbcLengthNotWholeBlocks_data()
{
    QTest::addColumn<unsigned>("length");
    QTest::addColumn<int>("result");

    for (unsigned length : {20u, 1u, 15u, 17u, 63u})
        QTest::addRow("%u bytes", length) << length << 1;
    QTest::newRow("0 bytes") << 0u << 0;
}

void TestAesCipher::cbcLengthNotWholeBlocks()
{
    QFETCH(unsigned, length);
    QFETCH(int, result);

    const AesCipher cipher;
    const AesKeySchedule schedule = expanded(cbcKey);
    const QByteArray untouched(64, '\x5c');

    QByteArray output = untouched;
    QByteArray chain = cbcIv;
    QCOMPARE(cipher.encryptCbc(bytesOf(cbcPlaintext), bytesOf(output), length, bytesOf(chain),
                               schedule), result);
    QCOMPARE(output, untouched);
    QCOMPARE(chain, cbcIv);
    QCOMPARE(cipher.decryptCbc(bytesOf(cbcCiphertext), bytesOf(output), length, bytesOf(chain),
                               schedule), result);
    QCOMPARE(output, untouched);
    QCOMPARE(chain, cbcIv);
}

void TestAesCipher::keyFromHex_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QByteArray>("key");

    QTest::newRow("master key") << "9e107d9d372bb6826bd81d3542a419d6"
        << QByteArray("\x9e\x10\x7d\x9d\x37\x2b\xb6\x82\x6b\xd8\x1d\x35\x42\xa4\x19\xd6", 16);
    QTest::newRow("upper case") << "9E107D9D" << QByteArray("\x9e\x10\x7d\x9d", 4);
    QTest::newRow("other characters skipped") << "00:1f zz-a0\u0436" << QByteArray("\x00\x1f\xa0", 3);
    QTest::newRow("empty") << "" << QByteArray();
}

void TestAesCipher::keyFromHex()
{
    QFETCH(QString, hex);
    QFETCH(QByteArray, key);
    QCOMPARE(AesCipher().keyFromHex(hex), key);
}

void TestAesCipher::addPadding_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("added");

    QTest::newRow("empty") << 0 << 16;
    QTest::newRow("1 byte") << 1 << 15;
    QTest::newRow("15 bytes") << 15 << 1;
    QTest::newRow("16 bytes") << 16 << 16;
    QTest::newRow("17 bytes") << 17 << 15;
    QTest::newRow("40 bytes") << 40 << 8;
}

void TestAesCipher::addPadding()
{
    QFETCH(int, length);
    QFETCH(int, added);

    const QByteArray data(length, '\x10');
    QCOMPARE(AesCipher().addPadding(data), data + QByteArray(added, char(added)));
}

void TestAesCipher::removePadding_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("ends in 00") << QByteArray::fromHex("41420000") << QByteArray::fromHex("41420000");
    QTest::newRow("ends in 80") << QByteArray::fromHex("418080") << QByteArray::fromHex("418080");
    QTest::newRow("ends in ff") << QByteArray::fromHex("41ff") << QByteArray::fromHex("41ff");
    QTest::newRow("05 05 03 03 03") << QByteArray::fromHex("410505030303")
        << QByteArray::fromHex("410505");
    QTest::newRow("04 03 03") << QByteArray::fromHex("41040303") << QByteArray::fromHex("4104");
    QTest::newRow("02 01") << QByteArray::fromHex("410201") << QByteArray::fromHex("4102");
    QTest::newRow("14 7f 7f") << QByteArray::fromHex("41147f7f") << QByteArray::fromHex("4114");
    QTest::newRow("only 05 05") << QByteArray::fromHex("0505") << QByteArray();
    QTest::newRow("full block of 10") << QByteArray(16, '\x10') << QByteArray();
    QTest::newRow("17 bytes of 10") << QByteArray(17, '\x10') << QByteArray(1, '\x10');
    QTest::newRow("02 02 02") << QByteArray::fromHex("020202") << QByteArray::fromHex("02");
}

void TestAesCipher::removePadding()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);
    QCOMPARE(AesCipher().removePadding(data), expected);
}

void TestAesCipher::storedValueLayout_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("storedLength");

    const QList<QPair<int, int>> lengths = {{0, 32}, {15, 32}, {16, 48}, {31, 48}, {32, 64},
                                            {100, 128}};
    for (const QByteArray &key : {key128, key192, key256})
        for (const auto &length : lengths)
            QTest::addRow("%d-byte key, %d bytes", key.size(), length.first)
                << key << length.first << length.second;
}

// The first block depends on the key alone, the rest is CBC chained from
// it, and so the whole value depends only on key and data.
void TestAesCipher::storedValueLayout()
{
    QFETCH(QByteArray, key);
    QFETCH(int, length);
    QFETCH(int, storedLength);

    const AesCipher cipher;
    QByteArray data(length, '\0');
    for (int i = 0; i < length; ++i)
        data[i] = char(i * 7 + 3);

    const QByteArray stored = cipher.encrypt(data, key);
    QCOMPARE(stored.size(), storedLength);
    QCOMPARE(cipher.encrypt(data, key), stored);

    const AesKeySchedule schedule = expanded(key);
    QByteArray firstBlock(16, '\0');
    QCOMPARE(cipher.encryptBlock(bytesOf(firstBlock), bytesOf(firstBlock), schedule), 0);
    QCOMPARE(stored.left(16), firstBlock);
    QCOMPARE(stored.mid(16), cipher.encryptWithIv(data, key, firstBlock));
    QCOMPARE(QByteArray::fromBase64(stored.toBase64()), stored);
    if (length < 16)
        QCOMPARE(stored.toBase64().size(), 44);
}

void TestAesCipher::roundTrip_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("data");

    QList<QPair<QByteArray, QByteArray>> values = {
        {"empty", QByteArray()},
        {"one byte", QByteArray("x")},
        {"15 bytes", QByteArray("fifteen bytes!!")},
        {"16 bytes", QByteArray("sixteen bytes!!!")},
        {"text", QByteArray("correct horse battery staple, \xd0\xbf\xd0\xb0\xd1\x80\xd0\xbe\xd0\xbb\xd1\x8c")},
        {"16 bytes of 10", QByteArray(16, '\x10')},
        {"01 02 02", QByteArray::fromHex("010202")},
        {"33 bytes of 7f", QByteArray(33, '\x7f')},
    };
    for (int last : {0x00, 0x01, 0x02, 0x0f, 0x10, 0x11, 0x7f, 0x80, 0xc3, 0xff})
        values.append({"ends in " + QByteArray::number(last, 16),
                       QByteArray("abc") + QByteArray(2, char(last))});
    for (const QByteArray &key : {key128, key192, key256})
        for (const auto &value : values)
            QTest::addRow("%d-byte key, %s", key.size(), value.first.constData())
                << key << value.second;
}

void TestAesCipher::roundTrip()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, data);

    const AesCipher cipher;
    QCOMPARE(cipher.decrypt(cipher.encrypt(data, key), key), data);
}

void TestAesCipher::decryptTakesAnyFirstBlockAsChainingValue()
{
    const AesCipher cipher;
    const QByteArray data("a note of some length, longer than two blocks");
    for (const QByteArray &iv : {cbcIv, QByteArray(16, '\0'), QByteArray(16, '\xff')}) {
        const QByteArray value = iv + cipher.encryptWithIv(data, cbcKey, iv);
        QCOMPARE(cipher.decrypt(value, cbcKey), data);
        QCOMPARE(cipher.decryptWithIv(value.mid(16), cbcKey, iv), data);
    }
}

void TestAesCipher::badLengthsGiveEmptyResults_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("iv");

    const QByteArray stored = AesCipher().encrypt("a secret of twenty bytes", cbcKey);
    QTest::newRow("encrypt, 20-byte key") << "encrypt" << QByteArray("secret") << QByteArray(20, 'k')
                                          << QByteArray();
    QTest::newRow("encrypt, empty key") << "encrypt" << QByteArray("secret") << QByteArray()
                                        << QByteArray();
    QTest::newRow("decrypt, 20-byte key") << "decrypt" << stored << QByteArray(20, 'k') << QByteArray();
    QTest::newRow("decrypt, 15-byte key") << "decrypt" << stored << cbcKey.left(15) << QByteArray();
    QTest::newRow("decrypt, empty value") << "decrypt" << QByteArray() << cbcKey << QByteArray();
    QTest::newRow("decrypt, 15-byte value") << "decrypt" << stored.left(15) << cbcKey << QByteArray();
    QTest::newRow("decrypt, 16-byte value") << "decrypt" << stored.left(16) << cbcKey << QByteArray();
    QTest::newRow("decrypt, one byte short") << "decrypt" << stored.chopped(1) << cbcKey << QByteArray();
    QTest::newRow("decrypt, one byte over") << "decrypt" << stored + 'x' << cbcKey << QByteArray();
    QTest::newRow("decrypt, 17 bytes after first block") << "decrypt" << stored.left(33) << cbcKey
                                                         << QByteArray();
    QTest::newRow("encryptWithIv, 15-byte IV") << "encryptWithIv" << QByteArray("secret") << cbcKey
                                               << cbcIv.left(15);
    QTest::newRow("encryptWithIv, 17-byte IV") << "encryptWithIv" << QByteArray("secret") << cbcKey
                                               << cbcIv + 'x';
    QTest::newRow("encryptWithIv, 33-byte key") << "encryptWithIv" << QByteArray("secret")
                                                << QByteArray(33, 'k') << cbcIv;
    QTest::newRow("decryptWithIv, 15-byte IV") << "decryptWithIv" << stored.mid(16) << cbcKey
                                               << cbcIv.left(15);
    QTest::newRow("decryptWithIv, empty IV") << "decryptWithIv" << stored.mid(16) << cbcKey
                                             << QByteArray();
    QTest::newRow("decryptWithIv, 8-byte key") << "decryptWithIv" << stored.mid(16)
                                               << QByteArray(8, 'k') << cbcIv;
    QTest::newRow("decryptWithIv, 40 bytes") << "decryptWithIv" << QByteArray(40, 'd') << cbcKey
                                             << cbcIv;
}

void TestAesCipher::badLengthsGiveEmptyResults()
{
    QFETCH(QString, operation);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, iv);

    const AesCipher cipher;
    QByteArray result("not called");
    if (operation == "encrypt")
        result = cipher.encrypt(data, key);
    else if (operation == "decrypt")
        result = cipher.decrypt(data, key);
    else if (operation == "encryptWithIv")
        result = cipher.encryptWithIv(data, key, iv);
    else if (operation == "decryptWithIv")
        result = cipher.decryptWithIv(data, key, iv);
    QVERIFY(result.isEmpty());
}

void TestAesCipher::tenMegabyteValue()
{
    const AesCipher cipher;
    QByteArray note(10 * 1024 * 1024 + 5, '\0');
    for (int i = 0; i < note.size(); ++i)
        note[i] = char(i ^ (i >> 11));

    const QByteArray stored = cipher.encrypt(note, key256);
    QCOMPARE(stored.size(), note.size() - note.size() % 16 + 32);
    QCOMPARE(cipher.decrypt(stored, key256), note);
}

void TestAesCipher::wrongKeyGivesOtherBytes()
{
    const AesCipher cipher;
    const QByteArray data("my password");
    const QByteArray stored = cipher.encrypt(data, cipher.keyFromHex("00112233445566778899aabbccddeeff"));
    const QByteArray wrong = cipher.decrypt(stored, cipher.keyFromHex("00112233445566778899aabbccddeefe"));
    QVERIFY(wrong != data);
    QVERIFY(wrong.size() <= 16);
}

QTEST_GUILESS_MAIN(TestAesCipher)
#include "tst_aescipher.moc"
