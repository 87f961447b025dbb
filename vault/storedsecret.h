#ifndef STOREDSECRET_H
#define STOREDSECRET_H

#include <QByteArray>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// How a secret is kept in a column: its text as UTF-8 bytes, encrypted
// under the key, as Base64 text.
class StoredSecret
{
public:
    static QString seal(const QByteArray &plain, const QByteArray &key);
    static QByteArray open(const QByteArray &stored, const QByteArray &key);

    static QByteArray bytesOf(const QString &text);
    // Vaults written under a windows-1251 locale hold windows-1251 bytes;
    // anything that is not valid UTF-8 is read as such.
    static QString passText(const QByteArray &plain);
    static QString infoText(const QByteArray &plain);
    // Domains and logins are stored as plain text, but other tools may have
    // stored bytes, or text that is not UTF-8; both are read by the same
    // rule. The stored bytes of text are at hand only on a forward-only
    // query, on a connection given to keepStoredText.
    static QString nameText(const QSqlQuery &query, int column);
    static void keepStoredText(const QSqlDatabase &db);

private:
    static QString decode(const QByteArray &bytes);
};

#endif // STOREDSECRET_H
