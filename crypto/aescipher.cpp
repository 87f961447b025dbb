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

// The round steps live here as inline functions so that the block functions
// compile into one straight run per round; the member round steps are made
// of the same functions.
//
// Byte i of the state is row i % 4, column i / 4. ShiftRows moves row r
// left by r columns, so output column c, row r reads input column c + r.

// The state lives in four words, one column each with row r in bits 8 r to
// 8 r + 7, so that it stays in registers and a round key is added four bytes
// at a time. Words are copied to and from memory as they are, which puts the
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

// InvShiftRows moves row r right by r columns: output column c, row r reads
// input column c - r.
inline void invShiftRows(Columns state)
{
    const std::uint32_t in[4] = {state[0], state[1], state[2], state[3]};
    for (int c = 0; c < 4; ++c)
        state[c] = (in[c] & 0xff) | (in[(c + 3) & 3] & 0xff00) | (in[(c + 2) & 3] & 0xff0000)
                   | (in[(c + 1) & 3] & 0xff000000);
}

inline std::uint32_t invSubWord(std::uint32_t word)
{
    return invSbox(row(word, 0)) | invSbox(row(word, 1)) << 8 | invSbox(row(word, 2)) << 16
           | invSbox(row(word, 3)) << 24;
}

// InvMixColumns of the column b0..b3 through the product tables, then
// InvSubBytes.
inline std::uint32_t invMixSubColumn(std::size_t b0, std::size_t b1, std::size_t b2, std::size_t b3)
{
    return invSbox(times14(b0) ^ times11(b1) ^ times13(b2) ^ times9(b3))
           | invSbox(times9(b0) ^ times14(b1) ^ times11(b2) ^ times13(b3)) << 8
           | invSbox(times13(b0) ^ times9(b1) ^ times14(b2) ^ times11(b3)) << 16
           | invSbox(times11(b0) ^ times13(b1) ^ times9(b2) ^ times14(b3)) << 24;
}

// Decryption leaves InvShiftRows pending between rounds: word c, row r of
// such a state holds the byte that belongs in column c + r, row r. A middle
// round reads column c through InvShiftRows, row r from word c - r, and adds
// key word c to each word before taking its row, so the round keys are used
// as they are. InvMixColumns and InvSubBytes of column c then land in word c,
// all of one column in one word as in encryption, and InvShiftRows is
// pending again.
inline void invMixSubPending(Columns state, const unsigned char *roundKey)
{
    const std::uint32_t k0 = bytesToWord(roundKey);
    const std::uint32_t k1 = bytesToWord(roundKey + 4);
    const std::uint32_t k2 = bytesToWord(roundKey + 8);
    const std::uint32_t k3 = bytesToWord(roundKey + 12);
    const std::uint32_t s0 = state[0];
    const std::uint32_t s1 = state[1];
    const std::uint32_t s2 = state[2];
    const std::uint32_t s3 = state[3];
    state[0] = invMixSubColumn(row(s0 ^ k0, 0), row(s3 ^ k0, 1), row(s2 ^ k0, 2), row(s1 ^ k0, 3));
    state[1] = invMixSubColumn(row(s1 ^ k1, 0), row(s0 ^ k1, 1), row(s3 ^ k1, 2), row(s2 ^ k1, 3));
    state[2] = invMixSubColumn(row(s2 ^ k2, 0), row(s1 ^ k2, 1), row(s0 ^ k2, 2), row(s3 ^ k2, 3));
    state[3] = invMixSubColumn(row(s3 ^ k3, 0), row(s2 ^ k3, 1), row(s1 ^ k3, 2), row(s0 ^ k3, 3));
}

// Decrypts count blocks side by side, round by round. The blocks do not
// depend on each other, so one block's round can go on while another waits
// for its table reads.
template <int count>
inline void decryptColumns(Columns (&states)[count], const AesKeySchedule &schedule)
{
    const unsigned char *roundKey = schedule.roundKeys + blockSize * schedule.roundCount;
    for (Columns &state : states) {
        addRoundKey(state, roundKey);
        // InvSubBytes, with this round's InvShiftRows left pending.
        for (int c = 0; c < 4; ++c)
            state[c] = invSubWord(state[c]);
    }
    for (roundKey -= blockSize; roundKey != schedule.roundKeys; roundKey -= blockSize)
        for (Columns &state : states)
            invMixSubPending(state, roundKey);
    for (Columns &state : states) {
        invShiftRows(state);
        addRoundKey(state, roundKey);
    }
}

// The CBC step for count blocks; all of them are read before any is
// written, so input and output may be the same buffer.
template <int count>
inline void decryptCbcBlocks(const unsigned char *input, unsigned char *output, Columns chain,
                             const AesKeySchedule &schedule)
{
    Columns ciphertext[count];
    Columns state[count];
    for (int b = 0; b < count; ++b) {
        load(ciphertext[b], input + blockSize * b);
        load(state[b], input + blockSize * b);
    }
    decryptColumns(state, schedule);
    for (int b = 0; b < count; ++b) {
        for (int c = 0; c < 4; ++c) {
            state[b][c] ^= chain[c];
            chain[c] = ciphertext[b][c];
        }
        store(state[b], output + blockSize * b);
    }
}

// CBC decryption takes this many blocks at a time while it has them.
constexpr unsigned blocksAtOnce = 4;

inline void xorInto(unsigned char *block, const unsigned char *other)
{
    for (int i = 0; i < blockSize; ++i)
        block[i] ^= other[i];
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
    Columns state[1];
    load(state[0], input);
    decryptColumns(state, schedule);
    store(state[0], output);
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
    Columns chain;
    load(chain, chainingBlock);
    unsigned offset = 0;
    for (; length - offset >= blocksAtOnce * blockSize; offset += blocksAtOnce * blockSize)
        decryptCbcBlocks<blocksAtOnce>(input + offset, output + offset, chain, schedule);
    for (; offset < length; offset += blockSize)
        decryptCbcBlocks<1>(input + offset, output + offset, chain, schedule);
    store(chain, chainingBlock);
    return 0;
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
    Columns columns;
    load(columns, state);
    for (int c = 0; c < 4; ++c)
        columns[c] = invSubWord(columns[c]);
    invShiftRows(columns);
    store(columns, state);
}

void AesCipher::invMixShiftSub(unsigned char *state) const
{
    Columns columns;
    load(columns, state);
    for (int c = 0; c < 4; ++c)
        columns[c] = invMixSubColumn(row(columns[c], 0), row(columns[c], 1), row(columns[c], 2),
                                     row(columns[c], 3));
    invShiftRows(columns);
    store(columns, state);
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
