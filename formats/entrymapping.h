#ifndef PM_ENTRYMAPPING_H
#define PM_ENTRYMAPPING_H

#include "formats/peerentry.h"
#include "vault/entry.h"

#include <QString>

// How another manager's entry becomes one of ours, and the address that one
// of ours is given on its way out.
class EntryMapping
{
public:
    // False, saying why, where the entry holds nothing the vault can keep.
    static bool toEntry(const PeerEntry &peer, Entry *entry, QString *refusal);
    // https://DOMAIN where the domain is a host name and nothing more (an IP
    // address counts), else nothing.
    static QString urlFor(const QString &domain);
};

#endif // PM_ENTRYMAPPING_H
