// Passwords and notes sealed and opened in the stored layout.

#include "vault/storedsecret.h"

#include "crypto/aescipher.h"

#include <QTextCodec>

#include <algorithm>

namespace {
constexpr int blockSize = AesCipher::blockSize;

const unsigned char *bytesAt(const QByteArray &bytes, int offset)
{
    return reinterpret_cast<const unsigned char *>(bytes.constData()) + offset;
}
}

QString StoredSecret::seal(const QByteArray &plain, const QByteArray &key)
{
    AesCipher cipher;
    return QString::fromLatin1(cipher.encrypt(plain, key).toBase64());
}

QByteArray StoredSecret::open(const QByteArray &stored, const QByteArray &key)
{
    AesCipher cipher;
    return cipher.decrypt(QByteArray::fromBase64(stored), key);
}

bool StoredSecret::openWhole(const QByteArray &stored, const QByteArray &key, QByteArray *plain, QString *problem)
{
    const QByteArray value = QByteArray::fromBase64(stored);
    if (value.toBase64() != stored) {
        *problem = QStringLiteral("is not Base64 text");
        return false;
    }
    // The first block, then the data with at least one byte of padding.
    if (value.size() < 2 * blockSize || value.size() % blockSize != 0) {
        *problem = QStringLiteral("is %1 bytes long, which no stored value is").arg(value.size());
        return false;
    }
    if (!hasWholePadding(value, key)) {
        *problem = QStringLiteral("does not decrypt under the master key");
        return false;
    }
    AesCipher cipher;
    *plain = cipher.decrypt(value, key);
    return true;
}

QByteArray StoredSecret::bytesOf(const QString &text)
{
    return text.toUtf8();
}

QString StoredSecret::textOf(const QByteArray &bytes)
{
    // IgnoreHeader keeps a leading byte order mark as the character it is.
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return text;
    if (QTextCodec *windows1251 = QTextCodec::codecForName("windows-1251"))
        return windows1251->toUnicode(bytes);
    return QString::fromLatin1(bytes);
}

QString StoredSecret::passText(const QByteArray &plain)
{
    const int zero = plain.indexOf('\0');
    return textOf(zero < 0 ? plain : plain.left(zero));
}

QString StoredSecret::infoText(const QByteArray &plain)
{
    return textOf(plain);
}

// A wrong key, or blocks from another value, leave the last block's padding
// as noise, which is whole by chance about once in 256 tries.
bool StoredSecret::hasWholePadding(const QByteArray &value, const QByteArray &key)
{
    AesCipher cipher;
    AesKeySchedule schedule;
    if (cipher.expandKey(bytesAt(key, 0), 8 * key.size(), schedule) != 0)
        return false;
    unsigned char last[blockSize];
    cipher.decryptBlock(bytesAt(value, value.size() - blockSize), last, schedule);
    cipher.xorBlock(last, bytesAt(value, value.size() - 2 * blockSize));
    const int count = last[blockSize - 1];
    return count >= 1 && count <= blockSize
        && std::all_of(last + blockSize - count, last + blockSize, [count](unsigned char c) { return c == count; });
}
