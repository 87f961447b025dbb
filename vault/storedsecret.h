#ifndef PM_STOREDSECRET_H
#define PM_STOREDSECRET_H

#include <QByteArray>
#include <QString>

// How a secret is kept in a column: its text as UTF-8 bytes, encrypted
// under the key, as Base64 text.
class StoredSecret
{
public:
    static QString seal(const QByteArray &plain, const QByteArray &key);
    // As the window program reads a value: whatever it holds, something
    // comes out, empty where nothing can.
    static QByteArray open(const QByteArray &stored, const QByteArray &key);
    // Only a value that this program could have sealed under the key opens;
    // otherwise the problem says why not.
    static bool openWhole(const QByteArray &stored, const QByteArray &key, QByteArray *plain, QString *problem);

    static QByteArray bytesOf(const QString &text);
    // Vaults written under a windows-1251 locale hold windows-1251 bytes;
    // anything that is not valid UTF-8 is read as such.
    static QString textOf(const QByteArray &bytes);
    static QString passText(const QByteArray &plain);
    static QString infoText(const QByteArray &plain);

private:
    static bool hasWholePadding(const QByteArray &value, const QByteArray &key);
};

#endif // PM_STOREDSECRET_H
