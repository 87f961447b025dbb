#ifndef PM_PEERENTRY_H
#define PM_PEERENTRY_H

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// An entry as another password manager keeps it, read from its export and
// not yet one of ours; EntryMapping makes it one.
struct PeerEntry
{
    // Where its record starts in the file, for messages.
    int line = 0;
    QString title;
    QString userName;
    QString password;
    QString notes;
    QStringList urls;
    // Where it was filed, under the peer's own word: "Group" in KeePass,
    // "Folder" in Bitwarden.
    QString placeLabel;
    QString place;
    QString collections;
    QString totp;
    // Every other value under its own name, in the source's order.
    QVector<QPair<QString, QString>> fields;
};

#endif // PM_PEERENTRY_H
