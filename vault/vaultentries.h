#ifndef PM_VAULTENTRIES_H
#define PM_VAULTENTRIES_H

#include "vault/entry.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

// The entries of the vault open on the default connection, read as the
// window program shows them and stored as its entry dialog stores them.
class VaultEntries
{
public:
    // One row as it is kept: the names read as the list reads them, the
    // password and the note still sealed.
    struct Stored
    {
        QString id;
        qint64 rowid;
        QString domain;
        QString login;
        QByteArray pass;
        QByteArray info;
    };
    using Visit = std::function<bool(const Stored &stored, QString *error)>;

    // The entry of that id, or an empty one where there is none. False only
    // if the vault could not be read.
    static bool read(qint64 id, const QByteArray &key, Entry *entry, QString *error);
    static bool add(const Entry &entry, const QByteArray &key, QString *error);
    // False also where no entry has the id any more.
    static bool update(qint64 id, const Entry &entry, const QByteArray &key, QString *error);

    // Every entry in the list's order, until a visit fails.
    static bool forEach(const Visit &visit, QString *error);
    // The password's and the note's bytes, where both open whole under the
    // key; otherwise the problem names the entry by its id and says what is
    // wrong with each value.
    static bool openWhole(const Stored &stored, const QByteArray &key, QByteArray *pass, QByteArray *info,
                          QString *problem);
    // The entry as the window shows it, from the bytes openWhole gave.
    static Entry shown(const Stored &stored, const QByteArray &pass, const QByteArray &info);
    // All of them or, saying what went wrong, none.
    static bool addAll(const QVector<Entry> &entries, const QByteArray &key, QString *error);
};

#endif // PM_VAULTENTRIES_H
