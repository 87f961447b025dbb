#include "crypto/aescipher.h"

#include "crypto/aestables.h"

#include <QUuid>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

constexpr int blockSize = 16;

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

inline unsigned invSbox(unsigned x)
{
    return tables[AesTables::invSbox + x];
}

inline unsigned times9(unsigned x)
{
    return tables[AesTables::times9 + x];
}

inline unsigned times11(unsigned x)
{
    return tables[AesTables::times11 + x];
}

inline unsigned times13(unsigned x)
{
    return tables[AesTables::times13 + x];
}

inline unsigned times14(unsigned x)
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

// The round steps live here as inline functions so that the block functions
// compile into one straight run per round; the members of the same names
// only forward to them.
//
// Byte i of the state is row i % 4, column i / 4. ShiftRows moves row r
// left by r columns, so output column c, row r reads input column c + r.

// Encryption keeps the state in four words, one column each with row r in
// bits 8 r to 8 r + 7, so that it stays in registers and a round key is
// added four bytes at a time. Words are copied to and from memory as they are, which puts the
// rows there only on a little-endian machine.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "column words need little-endian order");

using Columns = std::uint32_t[4];

inline std::uint32_t bytesToWord(const unsigned char *bytes)
{
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

inline void wordToBytes(std::uint32_t word, unsigned char *bytes)
{
    std::memcpy(bytes, &word, sizeof word);
}

inline void load(Columns state, const unsigned char *bytes)
{
    for (int c = 0; c < 4; ++c)
        state[c] = bytesToWord(bytes + 4 * c);
}

inline void store(const Columns state, unsigned char *bytes)
{
    for (int c = 0; c < 4; ++c)
        wordToBytes(state[c], bytes + 4 * c);
}

inline void addRoundKey(Columns state, const unsigned char *roundKey)
{
    for (int c = 0; c < 4; ++c)
        state[c] ^= bytesToWord(roundKey + 4 * c);
}

inline std::size_t row(std::uint32_t column, int r)
{
    return (column >> (8 * r)) & 0xff;
}

inline std::uint32_t rotateRight(std::uint32_t word, int bits)
{
    return word >> bits | word << (32 - bits);
}

inline void subShiftColumns(Columns state)
{
    const std::uint32_t in[4] = {state[0], state[1], state[2], state[3]};
    for (int c = 0; c < 4; ++c)
        state[c] = sbox(row(in[c], 0)) | sbox(row(in[(c + 1) & 3], 1)) << 8
                   | sbox(row(in[(c + 2) & 3], 2)) << 16 | sbox(row(in[(c + 3) & 3], 3)) << 24;
}

// a0..a3 are the bytes that ShiftRows brings into one column. Row r of
// MixColumns is 2 S(a_r) + 3 S(a_r+1) + S(a_r+2) + S(a_r+3), and with
// 3 S = 2 S + S that is z_r + z_r+1 + S(a_r+3) for z_r = 2 S(a_r) + S(a_r+1).
// So each byte costs two table reads instead of three, and the rest is done
// on the whole column: z_r+1 and S(a_r+3) come from rotating two words.
inline std::uint32_t subMixColumn(std::size_t a0, std::size_t a1, std::size_t a2, std::size_t a3)
{
    const std::uint32_t doubled =
        sboxTimes2(a0) | sboxTimes2(a1) << 8 | sboxTimes2(a2) << 16 | sboxTimes2(a3) << 24;
    const std::uint32_t next = sbox(a1) | sbox(a2) << 8 | sbox(a3) << 16 | sbox(a0) << 24;
    const std::uint32_t z = doubled ^ next;
    return z ^ rotateRight(z, 8) ^ rotateRight(next, 16);
}

inline void subShiftMixColumns(Columns state)
{
    const std::uint32_t in[4] = {state[0], state[1], state[2], state[3]};
    for (int c = 0; c < 4; ++c)
        state[c] = subMixColumn(row(in[c], 0), row(in[(c + 1) & 3], 1), row(in[(c + 2) & 3], 2),
                                row(in[(c + 3) & 3], 3));
}

// InvShiftRows moves row r right by r columns: output column c, row r reads
// input column c - r.
inline void invShiftSubState(unsigned char *state)
{
    unsigned char in[blockSize];
    std::memcpy(in, state, blockSize);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            state[4 * c + r] = invSbox(in[4 * ((c - r) & 3) + r]);
}

inline void invMixShiftSubState(unsigned char *state)
{
    unsigned char mixed[blockSize];
    for (int c = 0; c < 4; ++c) {
        const unsigned b0 = state[4 * c];
        const unsigned b1 = state[4 * c + 1];
        const unsigned b2 = state[4 * c + 2];
        const unsigned b3 = state[4 * c + 3];
        mixed[4 * c] = times14(b0) ^ times11(b1) ^ times13(b2) ^ times9(b3);
        mixed[4 * c + 1] = times9(b0) ^ times14(b1) ^ times11(b2) ^ times13(b3);
        mixed[4 * c + 2] = times13(b0) ^ times9(b1) ^ times14(b2) ^ times11(b3);
        mixed[4 * c + 3] = times11(b0) ^ times13(b1) ^ times9(b2) ^ times14(b3);
    }
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            state[4 * c + r] = invSbox(mixed[4 * ((c - r) & 3) + r]);
}

inline void xorInto(unsigned char *block, const unsigned char *other)
{
    for (int i = 0; i < blockSize; ++i)
        block[i] ^= other[i];
}

inline void encryptColumns(Columns state, const AesKeySchedule &schedule)
{
    const unsigned char *roundKey = schedule.roundKeys;
    const unsigned char *lastKey = roundKey + blockSize * schedule.roundCount;
    addRoundKey(state, roundKey);
    for (roundKey += blockSize; roundKey != lastKey; roundKey += blockSize) {
        subShiftMixColumns(state);
        addRoundKey(state, roundKey);
    }
    subShiftColumns(state);
    addRoundKey(state, lastKey);
}

inline void decryptState(unsigned char *state, const AesKeySchedule &schedule)
{
    const unsigned char *roundKey = schedule.roundKeys + blockSize * schedule.roundCount;
    xorInto(state, roundKey);
    invShiftSubState(state);
    for (roundKey -= blockSize; roundKey != schedule.roundKeys; roundKey -= blockSize) {
        xorInto(state, roundKey);
        invMixShiftSubState(state);
    }
    xorInto(state, roundKey);
}

// Two blocks side by side in four 64-bit words, one word per row: byte
// 4 b + c of word r is row r, column c of block b. InvMixColumns then
// works on all eight columns at once, with every byte of a word multiplied
// by {02} or {04} in GF(2^8) in a handful of word operations.
inline std::uint64_t timesTwo(std::uint64_t bytes)
{
    return ((bytes & 0x7f7f7f7f7f7f7f7fu) << 1) ^ (((bytes >> 7) & 0x0101010101010101u) * 0x1b);
}

inline std::uint64_t timesFour(std::uint64_t bytes)
{
    const std::uint64_t top = (bytes >> 6) & 0x0303030303030303u;
    return ((bytes & 0x3f3f3f3f3f3f3f3fu) << 2) ^ ((top & 0x0101010101010101u) * 0x1b)
           ^ ((top & 0x0202020202020202u) * 0x1b);
}

inline unsigned byteOf(std::uint64_t word, int index)
{
    return static_cast<unsigned>(word >> (8 * index)) & 0xff;
}

// InvShiftRows and InvSubBytes of one row word.
inline std::uint64_t invShiftSubRow(std::uint64_t row, int r)
{
    std::uint64_t result = 0;
    for (int b = 0; b < 2; ++b)
        for (int c = 0; c < 4; ++c)
            result |= std::uint64_t(invSbox(byteOf(row, 4 * b + c))) << (8 * (4 * b + ((c + r) & 3)));
    return result;
}

} // namespace

AesCipher::AesCipher() = default;

int AesCipher::expandKey(const unsigned char *key, int keyBits, AesKeySchedule &schedule) const
{
    int keyLength;
    int rounds;
    switch (keyBits) {
    case 128:
        keyLength = 16;
        rounds = 10;
        break;
    case 192:
        keyLength = 24;
        rounds = 12;
        break;
    case 256:
        keyLength = 32;
        rounds = 14;
        break;
    default:
        schedule.roundCount = 0;
        return -1;
    }

    unsigned char *w = schedule.roundKeys;
    std::memcpy(w, key, keyLength);
    schedule.roundCount = static_cast<unsigned char>(rounds);
    unsigned roundConstant = 0x01;
    for (int p = keyLength; p < blockSize * (rounds + 1); p += 4) {
        unsigned t0 = w[p - 4];
        unsigned t1 = w[p - 3];
        unsigned t2 = w[p - 2];
        unsigned t3 = w[p - 1];
        if (p % keyLength == 0) {
            const unsigned first = sbox(t1) ^ roundConstant;
            t1 = sbox(t2);
            t2 = sbox(t3);
            t3 = sbox(t0);
            t0 = first;
            roundConstant = ((roundConstant << 1) ^ (roundConstant & 0x80 ? 0x1b : 0)) & 0xff;
        } else if (keyLength == 32 && p % keyLength == 16) {
            t0 = sbox(t0);
            t1 = sbox(t1);
            t2 = sbox(t2);
            t3 = sbox(t3);
        }
        w[p] = static_cast<unsigned char>(w[p - keyLength] ^ t0);
        w[p + 1] = static_cast<unsigned char>(w[p - keyLength + 1] ^ t1);
        w[p + 2] = static_cast<unsigned char>(w[p - keyLength + 2] ^ t2);
        w[p + 3] = static_cast<unsigned char>(w[p - keyLength + 3] ^ t3);
    }
    return 0;
}

int AesCipher::encryptBlock(const unsigned char *input, unsigned char *output,
                            const AesKeySchedule &schedule) const
{
    if (!isRoundCount(schedule.roundCount))
        return -1;
    Columns state;
    load(state, input);
    encryptColumns(state, schedule);
    store(state, output);
    return 0;
}

int AesCipher::decryptBlock(const unsigned char *input, unsigned char *output,
                            const AesKeySchedule &schedule) const
{
    if (!isRoundCount(schedule.roundCount))
        return -1;
    unsigned char state[blockSize];
    std::memcpy(state, input, blockSize);
    decryptState(state, schedule);
    std::memcpy(output, state, blockSize);
    return 0;
}

int AesCipher::encryptCbc(const unsigned char *input, unsigned char *output, unsigned length,
                          unsigned char *chainingBlock, const AesKeySchedule &schedule) const
{
    if (length % blockSize != 0 || !isRoundCount(schedule.roundCount))
        return 1;
    Columns state;
    load(state, chainingBlock);
    for (unsigned offset = 0; offset < length; offset += blockSize) {
        addRoundKey(state, input + offset);
        encryptColumns(state, schedule);
        store(state, output + offset);
    }
    store(state, chainingBlock);
    return 0;
}

int AesCipher::decryptCbc(const unsigned char *input, unsigned char *output, unsigned length,
                          unsigned char *chainingBlock, const AesKeySchedule &schedule) const
{
    if (length % blockSize != 0 || !isRoundCount(schedule.roundCount))
        return 1;
    unsigned offset = 0;
    if (length >= 2 * blockSize) {
        RowKeys keys;
        rowKeys(schedule, keys);
        for (; length - offset >= 2 * blockSize; offset += 2 * blockSize)
            decryptTwoBlocks(input + offset, output + offset, chainingBlock, schedule, keys);
    }
    if (offset < length) {
        unsigned char kept[blockSize];
        std::memcpy(kept, input + offset, blockSize);
        unsigned char state[blockSize];
        std::memcpy(state, kept, blockSize);
        decryptState(state, schedule);
        xorInto(state, chainingBlock);
        std::memcpy(output + offset, state, blockSize);
        std::memcpy(chainingBlock, kept, blockSize);
    }
    return 0;
}

void AesCipher::rowKeys(const AesKeySchedule &schedule, RowKeys &keys) const
{
    for (int round = 1; round < schedule.roundCount; ++round) {
        const unsigned char *roundKey = schedule.roundKeys + blockSize * round;
        for (int r = 0; r < 4; ++r) {
            std::uint64_t row = 0;
            for (int c = 0; c < 4; ++c)
                row |= std::uint64_t(roundKey[4 * c + r]) << (8 * c);
            keys.rows[round - 1][r] = row | row << 32;
        }
    }
}

// The inverse cipher on two blocks at once, then the CBC step. Since
// InvMixColumns = MixColumns x {05 00 04 00}, it needs nothing but
// multiplications by x, which the row words do for eight columns at a time.
void AesCipher::decryptTwoBlocks(const unsigned char *input, unsigned char *output,
                                 unsigned char *chainingBlock, const AesKeySchedule &schedule,
                                 const RowKeys &keys) const
{
    unsigned char ciphertext[2 * blockSize];
    std::memcpy(ciphertext, input, sizeof ciphertext);
    const int rounds = schedule.roundCount;
    const unsigned char *lastKey = schedule.roundKeys + blockSize * rounds;

    std::uint64_t row[4];
    for (int r = 0; r < 4; ++r) {
        std::uint64_t word = 0;
        for (int b = 0; b < 2; ++b)
            for (int c = 0; c < 4; ++c) {
                const int i = 4 * c + r;
                word |= std::uint64_t(invSbox(ciphertext[blockSize * b + i] ^ lastKey[i]))
                        << (8 * (4 * b + ((c + r) & 3)));
            }
        row[r] = word;
    }

    for (int round = rounds - 1; round >= 1; --round) {
        const std::uint64_t *roundKey = keys.rows[round - 1];
        std::uint64_t b0 = row[0] ^ roundKey[0];
        std::uint64_t b1 = row[1] ^ roundKey[1];
        std::uint64_t b2 = row[2] ^ roundKey[2];
        std::uint64_t b3 = row[3] ^ roundKey[3];
        const std::uint64_t u = timesFour(b0 ^ b2);
        const std::uint64_t v = timesFour(b1 ^ b3);
        b0 ^= u;
        b1 ^= v;
        b2 ^= u;
        b3 ^= v;
        // Row r of MixColumns: b_r + 2 (b_r + b_r+1) + the sum of the column.
        const std::uint64_t t0 = b0 ^ b1;
        const std::uint64_t t1 = b1 ^ b2;
        const std::uint64_t t2 = b2 ^ b3;
        const std::uint64_t sum = t0 ^ t2;
        const std::uint64_t d0 = timesTwo(t0);
        const std::uint64_t d1 = timesTwo(t1);
        const std::uint64_t d2 = timesTwo(t2);
        row[0] = invShiftSubRow(b0 ^ sum ^ d0, 0);
        row[1] = invShiftSubRow(b1 ^ sum ^ d1, 1);
        row[2] = invShiftSubRow(b2 ^ sum ^ d2, 2);
        row[3] = invShiftSubRow(b3 ^ sum ^ d0 ^ d1 ^ d2, 3);
    }

    const unsigned char *firstKey = schedule.roundKeys;
    for (int b = 0; b < 2; ++b) {
        const unsigned char *previous = b == 0 ? chainingBlock : ciphertext;
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                const int i = 4 * c + r;
                output[blockSize * b + i] = static_cast<unsigned char>(
                    byteOf(row[r], 4 * b + c) ^ firstKey[i] ^ previous[i]);
            }
    }
    std::memcpy(chainingBlock, ciphertext + blockSize, blockSize);
}

void AesCipher::subShift(unsigned char *state) const
{
    Columns columns;
    load(columns, state);
    subShiftColumns(columns);
    store(columns, state);
}

void AesCipher::subShiftMix(unsigned char *state) const
{
    Columns columns;
    load(columns, state);
    subShiftMixColumns(columns);
    store(columns, state);
}

void AesCipher::invShiftSub(unsigned char *state) const
{
    invShiftSubState(state);
}

void AesCipher::invMixShiftSub(unsigned char *state) const
{
    invMixShiftSubState(state);
}

void AesCipher::xorBlock(unsigned char *block, const unsigned char *other) const
{
    xorInto(block, other);
}

void AesCipher::xorBlock(const unsigned char *first, const unsigned char *second,
                         unsigned char *output) const
{
    for (int i = 0; i < blockSize; ++i)
        output[i] = first[i] ^ second[i];
}

QByteArray AesCipher::keyFromHex(const QString &hex) const
{
    return QByteArray::fromHex(hex.toLatin1());
}

QByteArray AesCipher::encrypt(QByteArray data, QByteArray key) const
{
    const QByteArray iv = QUuid::createUuid().toRfc4122();
    data.prepend(iv);
    return encryptWithIv(std::move(data), std::move(key), iv);
}

QByteArray AesCipher::decrypt(QByteArray value, QByteArray key) const
{
    const QByteArray iv = value.left(blockSize);
    value.remove(0, blockSize);
    return decryptWithIv(std::move(value), std::move(key), iv);
}

QByteArray AesCipher::encryptWithIv(QByteArray data, QByteArray key, QByteArray iv) const
{
    if (!isKeyLength(key.size()) || iv.size() != blockSize)
        return QByteArray();
    AesKeySchedule schedule;
    expandKey(bytesOf(key), 8 * key.size(), schedule);
    unsigned char chainingBlock[blockSize];
    std::memcpy(chainingBlock, iv.constData(), blockSize);
    QByteArray padded = addPadding(std::move(data));
    unsigned char *buffer = reinterpret_cast<unsigned char *>(padded.data());
    encryptCbc(buffer, buffer, static_cast<unsigned>(padded.size()), chainingBlock, schedule);
    return padded;
}

// A length that is not a whole number of blocks was never written by
// encrypt; rather than guess at it, such data decrypts to nothing.
QByteArray AesCipher::decryptWithIv(QByteArray data, QByteArray key, QByteArray iv) const
{
    if (!isKeyLength(key.size()) || iv.size() != blockSize || data.size() % blockSize != 0)
        return QByteArray();
    AesKeySchedule schedule;
    expandKey(bytesOf(key), 8 * key.size(), schedule);
    unsigned char chainingBlock[blockSize];
    std::memcpy(chainingBlock, iv.constData(), blockSize);
    unsigned char *buffer = reinterpret_cast<unsigned char *>(data.data());
    decryptCbc(buffer, buffer, static_cast<unsigned>(data.size()), chainingBlock, schedule);
    return removePadding(std::move(data));
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
