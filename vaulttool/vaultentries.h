#ifndef VAULTENTRIES_H
#define VAULTENTRIES_H

#include <QByteArray>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>

// The entries of the vault open on the default connection, read as the
// window program shows them and stored as its entry dialog stores them.
class VaultEntries
{
public:
    struct Entry
    {
        QString domain;
        QString login;
        QString password;
        QString note;
    };
    using Visit = std::function<void(qint64 id, const QSqlQuery &stored)>;

    // Every entry in the list's order, its row holding domain, login, pass
    // and info as stored. Returns what stopped the reading, or nothing.
    static QString forEach(const Visit &visit);
    static Entry shown(const QSqlQuery &stored, const QByteArray &key);
    // All of them or, returning what went wrong, none.
    static QString addAll(const QVector<Entry> &entries, const QByteArray &key);

private:
    static QString reason(const QSqlError &error);
};

#endif // VAULTENTRIES_H
