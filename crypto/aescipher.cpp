// AES's rounds, its key schedule and CBC over the vault's stored layout.

#include "crypto/aescipher.h"

#include "crypto/aestables.h"

#include <QUuid>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

constexpr int blockSize = AesCipher::blockSize;

// One base for all eight tables, so the rounds need one register to reach
// them, with each table's offset folded into the address; indices are
// std::size_t, which lets the compiler do that folding.
constexpr const unsigned char *tables = AesTables::all.data();

inline std::uint32_t sbox(std::size_t x)
{
    return tables[AesTables::sbox + x];
}

inline std::uint32_t sboxTimes2(std::size_t x)
{
    return tables[AesTables::sboxTimes2 + x];
}

inline std::uint32_t invSbox(std::size_t x)
{
    return tables[AesTables::invSbox + x];
}

inline std::uint32_t times9(std::size_t x)
{
    return tables[AesTables::times9 + x];
}

inline std::uint32_t times11(std::size_t x)
{
    return tables[AesTables::times11 + x];
}

inline std::uint32_t times13(std::size_t x)
{
    return tables[AesTables::times13 + x];
}

inline std::uint32_t times14(std::size_t x)
{
    return tables[AesTables::times14 + x];
}

// Anything else would make the rounds run past the 240 bytes of round keys.
bool isRoundCount(unsigned rounds)
{
    return rounds == 10 || rounds == 12 || rounds == 14;
}

bool isKeyLength(int bytes)
{
    return bytes == 16 || bytes == 24 || bytes == 32;
}

const unsigned char *bytesOf(const QByteArray &array)
{
    return reinterpret_cast<const unsigned char *>(array.constData());
}

// Byte i of a block is row i % 4, column i / 4. The state is four words,
// one column each with row r in bits 8 r to 8 r + 7, in named members so
// that it stays in registers whatever the optimisation level. Words are
// copied to and from memory as they are, which puts the rows there only on
// a little-endian machine.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "column words need little-endian order");

struct Columns
{
    std::uint32_t c0;
    std::uint32_t c1;
    std::uint32_t c2;
    std::uint32_t c3;
};

inline std::uint32_t wordAt(const unsigned char *bytes)
{
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

inline void putWord(std::uint32_t word, unsigned char *bytes)
{
    std::memcpy(bytes, &word, sizeof word);
}

inline Columns load(const unsigned char *bytes)
{
    return {wordAt(bytes), wordAt(bytes + 4), wordAt(bytes + 8), wordAt(bytes + 12)};
}

inline void store(const Columns &state, unsigned char *bytes)
{
    putWord(state.c0, bytes);
    putWord(state.c1, bytes + 4);
    putWord(state.c2, bytes + 8);
    putWord(state.c3, bytes + 12);
}

inline Columns operator^(const Columns &a, const Columns &b)
{
    return {a.c0 ^ b.c0, a.c1 ^ b.c1, a.c2 ^ b.c2, a.c3 ^ b.c3};
}

inline std::size_t row0(std::uint32_t column)
{
    return column & 0xff;
}

inline std::size_t row1(std::uint32_t column)
{
    return (column >> 8) & 0xff;
}

inline std::size_t row2(std::uint32_t column)
{
    return (column >> 16) & 0xff;
}

inline std::size_t row3(std::uint32_t column)
{
    return column >> 24;
}

inline std::uint32_t rotateRight(std::uint32_t word, int bits)
{
    return word >> bits | word << (32 - bits);
}

// ShiftRows moves row r left by r columns, so output column c, row r comes
// from input column c + r: the column functions below take row r from their
// argument w_r.

inline std::uint32_t subColumn(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3)
{
    return sbox(row0(w0)) | sbox(row1(w1)) << 8 | sbox(row2(w2)) << 16 | sbox(row3(w3)) << 24;
}

inline std::uint32_t subWord(std::uint32_t word)
{
    return subColumn(word, word, word, word);
}

// With a0..a3 the bytes that ShiftRows brings into a column, MixColumns
// gives row r = 2 S(a_r) + 3 S(a_r+1) + S(a_r+2) + S(a_r+3). As 3 S = 2 S + S,
// that is z_r+2 + z_r+3 + S(a_r+3) for z_r = 2 S(a_r+2) + S(a_r+3): two table
// reads a byte, and the rest on whole words. The words are packed so that
// only z is rotated; a rotated pack of table bytes is one a compiler may
// rebuild from its halves, with a slow double shift on some processors.
inline std::uint32_t subMixColumn(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3)
{
    const std::size_t a0 = row0(w0);
    const std::size_t a1 = row1(w1);
    const std::size_t a2 = row2(w2);
    const std::size_t a3 = row3(w3);
    const std::uint32_t doubled = sboxTimes2(a2) | sboxTimes2(a3) << 8 | sboxTimes2(a0) << 16 | sboxTimes2(a1) << 24;
    const std::uint32_t substituted = sbox(a3) | sbox(a0) << 8 | sbox(a1) << 16 | sbox(a2) << 24;
    const std::uint32_t z = doubled ^ substituted;
    return rotateRight(z, 16) ^ rotateRight(z, 24) ^ substituted;
}

// Each column takes its round key word at once, so that the compiler has
// no reason to keep one column's indices while it works on another.
inline Columns middleRound(const Columns &s, const unsigned char *roundKey)
{
    return {subMixColumn(s.c0, s.c1, s.c2, s.c3) ^ wordAt(roundKey),
            subMixColumn(s.c1, s.c2, s.c3, s.c0) ^ wordAt(roundKey + 4),
            subMixColumn(s.c2, s.c3, s.c0, s.c1) ^ wordAt(roundKey + 8),
            subMixColumn(s.c3, s.c0, s.c1, s.c2) ^ wordAt(roundKey + 12)};
}

inline Columns lastRound(const Columns &s, const unsigned char *roundKey)
{
    return {subColumn(s.c0, s.c1, s.c2, s.c3) ^ wordAt(roundKey),
            subColumn(s.c1, s.c2, s.c3, s.c0) ^ wordAt(roundKey + 4),
            subColumn(s.c2, s.c3, s.c0, s.c1) ^ wordAt(roundKey + 8),
            subColumn(s.c3, s.c0, s.c1, s.c2) ^ wordAt(roundKey + 12)};
}

inline Columns encryptColumns(Columns state, const AesKeySchedule &schedule)
{
    const unsigned char *roundKey = schedule.roundKeys;
    const unsigned char *lastKey = roundKey + blockSize * schedule.roundCount;
    state = state ^ load(roundKey);
    for (roundKey += blockSize; roundKey != lastKey; roundKey += blockSize)
        state = middleRound(state, roundKey);
    return lastRound(state, lastKey);
}

inline std::uint32_t invSubWord(std::uint32_t word)
{
    return invSbox(row0(word)) | invSbox(row1(word)) << 8 | invSbox(row2(word)) << 16 | invSbox(row3(word)) << 24;
}

// InvShiftRows moves row r right by r columns: output column c, row r comes
// from input column c - r.
inline Columns invShiftRows(const Columns &s)
{
    return {(s.c0 & 0xff) | (s.c3 & 0xff00) | (s.c2 & 0xff0000) | (s.c1 & 0xff000000),
            (s.c1 & 0xff) | (s.c0 & 0xff00) | (s.c3 & 0xff0000) | (s.c2 & 0xff000000),
            (s.c2 & 0xff) | (s.c1 & 0xff00) | (s.c0 & 0xff0000) | (s.c3 & 0xff000000),
            (s.c3 & 0xff) | (s.c2 & 0xff00) | (s.c1 & 0xff0000) | (s.c0 & 0xff000000)};
}

// Row 0 of InvMixColumns of the column b0..b3 through the product tables,
// then InvSubBytes; row r is the same with the bytes rotated by r.
inline std::uint32_t invMixSub(std::size_t b0, std::size_t b1, std::size_t b2, std::size_t b3)
{
    return invSbox(times14(b0) ^ times11(b1) ^ times13(b2) ^ times9(b3));
}

// Rows 0 and 2 of the column; rows 1 and 3 are rows 0 and 2 of the bytes
// rotated by one.
inline std::uint32_t invMixSubRows(std::size_t b0, std::size_t b1, std::size_t b2, std::size_t b3)
{
    return invMixSub(b0, b1, b2, b3) | invMixSub(b2, b3, b0, b1) << 16;
}

// The bytes of one column, row r taken from word w_r.
struct ColumnBytes
{
    std::size_t b0;
    std::size_t b1;
    std::size_t b2;
    std::size_t b3;
};

inline ColumnBytes columnBytes(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3)
{
    return {row0(w0), row1(w1), row2(w2), row3(w3)};
}

// Between the rounds of decryption InvShiftRows stays pending: word c,
// row r of a pending state holds row r of column c + r. A round then takes
// row r of column c from word c - r, and the column it works out lands
// whole in word c, pending again. Each round key is added to the pending
// state, so it takes ShiftRows first; decryptCbc does that once a call.
//
// The columns are written out rather than taken through a function of
// their own, which would be too large for some compilers to fold into the
// round at -O2.
inline void inverseMiddleRound(Columns &state, const Columns &pendingKey)
{
    const Columns p = state ^ pendingKey;
    ColumnBytes b = columnBytes(p.c0, p.c3, p.c2, p.c1);
    state.c0 = invMixSubRows(b.b0, b.b1, b.b2, b.b3) | invMixSubRows(b.b1, b.b2, b.b3, b.b0) << 8;
    b = columnBytes(p.c1, p.c0, p.c3, p.c2);
    state.c1 = invMixSubRows(b.b0, b.b1, b.b2, b.b3) | invMixSubRows(b.b1, b.b2, b.b3, b.b0) << 8;
    b = columnBytes(p.c2, p.c1, p.c0, p.c3);
    state.c2 = invMixSubRows(b.b0, b.b1, b.b2, b.b3) | invMixSubRows(b.b1, b.b2, b.b3, b.b0) << 8;
    b = columnBytes(p.c3, p.c2, p.c1, p.c0);
    state.c3 = invMixSubRows(b.b0, b.b1, b.b2, b.b3) | invMixSubRows(b.b1, b.b2, b.b3, b.b0) << 8;
}

// ShiftRows moves row r of column c + r into column c.
inline Columns shiftRows(const Columns &s)
{
    return {(s.c0 & 0xff) | (s.c1 & 0xff00) | (s.c2 & 0xff0000) | (s.c3 & 0xff000000),
            (s.c1 & 0xff) | (s.c2 & 0xff00) | (s.c3 & 0xff0000) | (s.c0 & 0xff000000),
            (s.c2 & 0xff) | (s.c3 & 0xff00) | (s.c0 & 0xff0000) | (s.c1 & 0xff000000),
            (s.c3 & 0xff) | (s.c0 & 0xff00) | (s.c1 & 0xff0000) | (s.c2 & 0xff000000)};
}

// Round keys 1 to Nr - 1 (13 at most), each after ShiftRows, at the index
// of its round.
using PendingKeys = Columns[14];

inline Columns decryptColumns(const Columns &block, const AesKeySchedule &schedule, const PendingKeys &pendingKeys)
{
    const int rounds = schedule.roundCount;
    const Columns first = block ^ load(schedule.roundKeys + blockSize * rounds);
    Columns state = {invSubWord(first.c0), invSubWord(first.c1), invSubWord(first.c2), invSubWord(first.c3)};
    for (const Columns *pendingKey = pendingKeys + rounds - 1; pendingKey != pendingKeys; --pendingKey)
        inverseMiddleRound(state, *pendingKey);
    return invShiftRows(state) ^ load(schedule.roundKeys);
}

// The byte-string layer without copies of its own: one array is made for
// the result and the cipher runs in place there. encryptPadded puts prefix
// before the data, so that encrypt can make its IV the first block.
QByteArray encryptPadded(const AesCipher &cipher, const QByteArray &prefix, const QByteArray &data,
                         const QByteArray &key, const QByteArray &iv)
{
    if (!isKeyLength(key.size()))
        return QByteArray();
    QByteArray padded;
    padded.reserve(prefix.size() + data.size() + blockSize);
    padded.append(prefix).append(data);
    padded = cipher.addPadding(std::move(padded));
    AesKeySchedule schedule;
    cipher.expandKey(bytesOf(key), 8 * key.size(), schedule);
    unsigned char chainingBlock[blockSize];
    std::memcpy(chainingBlock, iv.constData(), blockSize);
    unsigned char *buffer = reinterpret_cast<unsigned char *>(padded.data());
    cipher.encryptCbc(buffer, buffer, static_cast<unsigned>(padded.size()), chainingBlock, schedule);
    return padded;
}

// A length that is not a whole number of blocks was never written by
// encrypt; rather than guess at it, such data decrypts to nothing.
QByteArray decryptPadded(const AesCipher &cipher, const unsigned char *input, int length, const QByteArray &key,
                         const unsigned char *iv)
{
    if (!isKeyLength(key.size()) || length % blockSize != 0)
        return QByteArray();
    AesKeySchedule schedule;
    cipher.expandKey(bytesOf(key), 8 * key.size(), schedule);
    unsigned char chainingBlock[blockSize];
    std::memcpy(chainingBlock, iv, blockSize);
    QByteArray plaintext(length, Qt::Uninitialized);
    cipher.decryptCbc(input, reinterpret_cast<unsigned char *>(plaintext.data()), static_cast<unsigned>(length),
                      chainingBlock, schedule);
    return cipher.removePadding(std::move(plaintext));
}

} // namespace

AesCipher::AesCipher() = default;

int AesCipher::expandKey(const unsigned char *key, int keyBits, AesKeySchedule &schedule) const
{
    int keyWords;
    int rounds;
    switch (keyBits) {
    case 128:
        keyWords = 4;
        rounds = 10;
        break;
    case 192:
        keyWords = 6;
        rounds = 12;
        break;
    case 256:
        keyWords = 8;
        rounds = 14;
        break;
    default:
        schedule.roundCount = 0;
        return -1;
    }

    unsigned char *words = schedule.roundKeys;
    std::memcpy(words, key, 4 * keyWords);
    schedule.roundCount = static_cast<unsigned char>(rounds);
    std::uint32_t roundConstant = 0x01;
    std::uint32_t word = wordAt(words + 4 * (keyWords - 1));
    int place = 0;
    for (int i = keyWords; i < 4 * (rounds + 1); ++i) {
        if (place == 0) {
            // RotWord is a rotation of the little-endian word; the round
            // constant goes into its first byte.
            word = subWord(rotateRight(word, 8)) ^ roundConstant;
            roundConstant = ((roundConstant << 1) ^ (roundConstant & 0x80 ? 0x1b : 0)) & 0xff;
        } else if (keyWords == 8 && place == 4) {
            word = subWord(word);
        }
        word ^= wordAt(words + 4 * (i - keyWords));
        putWord(word, words + 4 * i);
        if (++place == keyWords)
            place = 0;
    }
    return 0;
}

// The single-block functions follow the round steps one by one, as
// FIPS-197 writes the cipher; the CBC functions do the same work with the
// steps folded into whole rounds.
int AesCipher::encryptBlock(const unsigned char *input, unsigned char *output, const AesKeySchedule &schedule) const
{
    if (!isRoundCount(schedule.roundCount))
        return -1;
    const unsigned char *roundKey = schedule.roundKeys;
    const unsigned char *lastKey = roundKey + blockSize * schedule.roundCount;
    unsigned char state[blockSize];
    xorBlock(input, roundKey, state);
    for (roundKey += blockSize; roundKey != lastKey; roundKey += blockSize) {
        subShiftMix(state);
        xorBlock(state, roundKey);
    }
    subShift(state);
    xorBlock(state, lastKey, output);
    return 0;
}

int AesCipher::decryptBlock(const unsigned char *input, unsigned char *output, const AesKeySchedule &schedule) const
{
    if (!isRoundCount(schedule.roundCount))
        return -1;
    const unsigned char *roundKey = schedule.roundKeys + blockSize * schedule.roundCount;
    unsigned char state[blockSize];
    xorBlock(input, roundKey, state);
    invShiftSub(state);
    for (roundKey -= blockSize; roundKey != schedule.roundKeys; roundKey -= blockSize) {
        xorBlock(state, roundKey);
        invMixShiftSub(state);
    }
    xorBlock(state, roundKey, output);
    return 0;
}

int AesCipher::encryptCbc(const unsigned char *input, unsigned char *output, unsigned length,
                          unsigned char *chainingBlock, const AesKeySchedule &schedule) const
{
    if (length % blockSize != 0 || !isRoundCount(schedule.roundCount))
        return 1;
    Columns chain = load(chainingBlock);
    for (unsigned offset = 0; offset < length; offset += blockSize) {
        chain = encryptColumns(chain ^ load(input + offset), schedule);
        store(chain, output + offset);
    }
    store(chain, chainingBlock);
    return 0;
}

// Each input block is read before its output is written, so input and
// output may be the same buffer.
int AesCipher::decryptCbc(const unsigned char *input, unsigned char *output, unsigned length,
                          unsigned char *chainingBlock, const AesKeySchedule &schedule) const
{
    if (length % blockSize != 0 || !isRoundCount(schedule.roundCount))
        return 1;
    PendingKeys pendingKeys;
    for (int round = 1; round < schedule.roundCount; ++round)
        pendingKeys[round] = shiftRows(load(schedule.roundKeys + blockSize * round));
    Columns chain = load(chainingBlock);
    for (unsigned offset = 0; offset < length; offset += blockSize) {
        const Columns block = load(input + offset);
        store(decryptColumns(block, schedule, pendingKeys) ^ chain, output + offset);
        chain = block;
    }
    store(chain, chainingBlock);
    return 0;
}

void AesCipher::subShift(unsigned char *state) const
{
    const Columns s = load(state);
    store({subColumn(s.c0, s.c1, s.c2, s.c3), subColumn(s.c1, s.c2, s.c3, s.c0), subColumn(s.c2, s.c3, s.c0, s.c1),
           subColumn(s.c3, s.c0, s.c1, s.c2)},
          state);
}

void AesCipher::subShiftMix(unsigned char *state) const
{
    const Columns s = load(state);
    store({subMixColumn(s.c0, s.c1, s.c2, s.c3), subMixColumn(s.c1, s.c2, s.c3, s.c0),
           subMixColumn(s.c2, s.c3, s.c0, s.c1), subMixColumn(s.c3, s.c0, s.c1, s.c2)},
          state);
}

void AesCipher::invShiftSub(unsigned char *state) const
{
    const Columns s = load(state);
    store(invShiftRows({invSubWord(s.c0), invSubWord(s.c1), invSubWord(s.c2), invSubWord(s.c3)}), state);
}

void AesCipher::invMixShiftSub(unsigned char *state) const
{
    const Columns s = load(state);
    ColumnBytes b = columnBytes(s.c0, s.c0, s.c0, s.c0);
    const std::uint32_t c0 = invMixSubRows(b.b0, b.b1, b.b2, b.b3) | invMixSubRows(b.b1, b.b2, b.b3, b.b0) << 8;
    b = columnBytes(s.c1, s.c1, s.c1, s.c1);
    const std::uint32_t c1 = invMixSubRows(b.b0, b.b1, b.b2, b.b3) | invMixSubRows(b.b1, b.b2, b.b3, b.b0) << 8;
    b = columnBytes(s.c2, s.c2, s.c2, s.c2);
    const std::uint32_t c2 = invMixSubRows(b.b0, b.b1, b.b2, b.b3) | invMixSubRows(b.b1, b.b2, b.b3, b.b0) << 8;
    b = columnBytes(s.c3, s.c3, s.c3, s.c3);
    const std::uint32_t c3 = invMixSubRows(b.b0, b.b1, b.b2, b.b3) | invMixSubRows(b.b1, b.b2, b.b3, b.b0) << 8;
    store(invShiftRows({c0, c1, c2, c3}), state);
}

void AesCipher::xorBlock(unsigned char *block, const unsigned char *other) const
{
    store(load(block) ^ load(other), block);
}

void AesCipher::xorBlock(const unsigned char *first, const unsigned char *second, unsigned char *output) const
{
    store(load(first) ^ load(second), output);
}

QByteArray AesCipher::keyFromHex(const QString &hex) const
{
    return QByteArray::fromHex(hex.toLatin1());
}

QByteArray AesCipher::encrypt(QByteArray data, QByteArray key) const
{
    // Chained from a zero block, the fresh IV becomes C0 = AES_K(IV), which
    // the rest is chained from: no two values start alike.
    const QByteArray iv = QUuid::createUuid().toRfc4122();
    return encryptPadded(*this, iv, data, key, QByteArray(blockSize, '\0'));
}

QByteArray AesCipher::decrypt(QByteArray value, QByteArray key) const
{
    if (value.size() < blockSize)
        return QByteArray();
    return decryptPadded(*this, bytesOf(value) + blockSize, value.size() - blockSize, key, bytesOf(value));
}

QByteArray AesCipher::encryptWithIv(QByteArray data, QByteArray key, QByteArray iv) const
{
    if (iv.size() != blockSize)
        return QByteArray();
    return encryptPadded(*this, QByteArray(), data, key, iv);
}

QByteArray AesCipher::decryptWithIv(QByteArray data, QByteArray key, QByteArray iv) const
{
    if (iv.size() != blockSize)
        return QByteArray();
    return decryptPadded(*this, bytesOf(data), data.size(), key, bytesOf(iv));
}

QByteArray AesCipher::addPadding(QByteArray data) const
{
    const int count = blockSize - data.size() % blockSize;
    data.append(count, static_cast<char>(count));
    return data;
}

// Lenient on purpose: values already in vaults were read this way. Strips
// the run of trailing bytes equal to the last one, at most that many, and
// leaves the data alone if the last byte read as signed is not positive.
QByteArray AesCipher::removePadding(QByteArray data) const
{
    if (data.isEmpty())
        return data;
    const char last = data.at(data.size() - 1);
    const int count = static_cast<signed char>(last);
    int strip = 0;
    while (strip < count && strip < data.size() && data.at(data.size() - 1 - strip) == last)
        ++strip;
    data.chop(strip);
    return data;
}
