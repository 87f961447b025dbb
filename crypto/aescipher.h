#ifndef PM_AESCIPHER_H
#define PM_AESCIPHER_H

#include "crypto/aeskeyschedule.h"

#include <QByteArray>
#include <QString>

// AES (128-, 192- and 256-bit keys) with CBC, and the one layout in which the
// vault stores every encrypted value. The object holds nothing; construct
// one for each use.
//
// The block layer works on caller-owned buffers and allocates nothing. Its
// block functions return 0 or -1 and its CBC functions 0 or 1; on failure
// they write nothing at all.
//
// The byte-string layer takes copies of its arguments. A stored value is
// C0 || C1..Cn, the CBC encryption of IV || data || PKCS#7 padding chained
// from a zero block, with a fresh random IV: C0 = AES_K(IV) serves as the
// chaining value for the rest, as the IV of plain AES-CBC. An empty result
// means a bad key or IV length, or a stored value whose length cannot be one
// of ours.
class AesCipher
{
public:
    static constexpr int blockSize = 16;

    AesCipher();

    int expandKey(const unsigned char *key, int keyBits, AesKeySchedule &schedule) const;
    int encryptBlock(const unsigned char *input, unsigned char *output, const AesKeySchedule &schedule) const;
    int decryptBlock(const unsigned char *input, unsigned char *output, const AesKeySchedule &schedule) const;
    int encryptCbc(const unsigned char *input, unsigned char *output, unsigned length, unsigned char *chainingBlock,
                   const AesKeySchedule &schedule) const;
    int decryptCbc(const unsigned char *input, unsigned char *output, unsigned length, unsigned char *chainingBlock,
                   const AesKeySchedule &schedule) const;

    // The round steps, each in place on a 16-byte state.
    void subShift(unsigned char *state) const;
    void subShiftMix(unsigned char *state) const;
    void invShiftSub(unsigned char *state) const;
    void invMixShiftSub(unsigned char *state) const;

    void xorBlock(unsigned char *block, const unsigned char *other) const;
    void xorBlock(const unsigned char *first, const unsigned char *second, unsigned char *output) const;

    QByteArray keyFromHex(const QString &hex) const;
    QByteArray encrypt(QByteArray data, QByteArray key) const;
    QByteArray decrypt(QByteArray value, QByteArray key) const;
    QByteArray encryptWithIv(QByteArray data, QByteArray key, QByteArray iv) const;
    QByteArray decryptWithIv(QByteArray data, QByteArray key, QByteArray iv) const;
    QByteArray addPadding(QByteArray data) const;
    QByteArray removePadding(QByteArray data) const;
};

#endif // PM_AESCIPHER_H
