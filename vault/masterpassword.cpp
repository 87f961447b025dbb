// The master key and the check value derived from the master password.

#include "vault/masterpassword.h"

#include "crypto/aescipher.h"
#include "vault/storedsecret.h"

#include <QCryptographicHash>

MasterPassword::MasterPassword(const QByteArray &passwordBytes)
    : passwordBytes(passwordBytes)
    , hexDigest(QString::fromUtf8(QCryptographicHash::hash(passwordBytes, QCryptographicHash::Md5).toHex()))
{
}

QString MasterPassword::masterKey() const
{
    return hexDigest;
}

QByteArray MasterPassword::key() const
{
    AesCipher cipher;
    return cipher.keyFromHex(hexDigest);
}

QString MasterPassword::checkValue() const
{
    return StoredSecret::seal(passwordBytes, key());
}

bool MasterPassword::matches(const QByteArray &storedCheckValue) const
{
    return StoredSecret::open(storedCheckValue, key()) == passwordBytes;
}
