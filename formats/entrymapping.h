#ifndef PM_ENTRYMAPPING_H
#define PM_ENTRYMAPPING_H

#include "formats/peerentry.h"
#include "vault/entry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// How another manager's entry becomes one of ours, and the address that one
// of ours is given on its way out.
class EntryMapping
{
public:
    // The domain is the host of the first address that has one, lower-cased
    // and in Unicode, or the title where the title names that same host, or
    // where no address has one. The note is the peer's notes, then a
    // `Label: value` line for each value the peer holds that the other three
    // texts do not: the title, each address that says more than the host,
    // where it was filed, its collections, its TOTP and every other field.
    // A field without a name is a block of such lines already. Refused,
    // saying why by the entry's line, where all four texts would be empty,
    // or where the domain or the login holds a zero byte, which no statement
    // can store.
    static bool toEntry(const PeerEntry &peer, Entry *entry, QString *refusal);
    // https://DOMAIN where the domain is a host name and nothing more (an IP
    // address counts), else nothing.
    static QString urlFor(const QString &domain);

private:
    static QString hostOf(const QString &url);
    static bool sameHost(const QString &name, const QByteArray &hostAce);
    static bool saysOnlyHost(const QString &url, const QByteArray &hostAce);
    static QString noteOf(const QString &notes, const QStringList &lines);
};

#endif // PM_ENTRYMAPPING_H
