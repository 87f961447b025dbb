#include "vault/storedsecret.h"

#include "crypto/aescipher.h"

#include <QTextCodec>

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

QByteArray StoredSecret::bytesOf(const QString &text)
{
    return text.toUtf8();
}

QString StoredSecret::passText(const QByteArray &plain)
{
    const int zero = plain.indexOf('\0');
    return decode(zero < 0 ? plain : plain.left(zero));
}

QString StoredSecret::infoText(const QByteArray &plain)
{
    return decode(plain);
}

QString StoredSecret::nameText(const QVariant &stored)
{
    // SQLite hands text over decoded already; only bytes need the rule.
    if (stored.type() == QVariant::ByteArray)
        return decode(stored.toByteArray());
    return stored.toString();
}

QString StoredSecret::decode(const QByteArray &bytes)
{
    // IgnoreHeader keeps a leading byte order mark as the character it is.
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(),
                                                                       bytes.size(), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return text;
    if (QTextCodec *windows1251 = QTextCodec::codecForName("windows-1251"))
        return windows1251->toUnicode(bytes);
    return QString::fromLatin1(bytes);
}
