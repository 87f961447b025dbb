#ifndef PM_MASTERPASSWORD_H
#define PM_MASTERPASSWORD_H

#include <QByteArray>
#include <QString>

// What the master password's bytes give: the master key, the AES key made
// from it, and the check value kept in SPass, by which the right password
// is told from a wrong one.
class MasterPassword
{
public:
    explicit MasterPassword(const QByteArray &passwordBytes);

    QString masterKey() const;
    QByteArray key() const;
    QString checkValue() const;
    bool matches(const QByteArray &storedCheckValue) const;

private:
    QByteArray passwordBytes;
    QString hexDigest;
};

#endif // PM_MASTERPASSWORD_H
