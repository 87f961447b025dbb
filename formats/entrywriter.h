#ifndef PM_ENTRYWRITER_H
#define PM_ENTRYWRITER_H

#include "vault/entry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Writes entries in one format: the header, then a record for each entry in
// the list's order, then the end. An entry is named in a message by its id
// and its domain.
class EntryWriter
{
public:
    virtual ~EntryWriter() = default;

    virtual QByteArray header() const = 0;
    // False, saying why, where the format cannot carry the entry: the export
    // then writes nothing at all.
    virtual bool write(const QString &id, const Entry &entry, QByteArray *out, QString *refusal) = 0;
    virtual QByteArray footer() const = 0;
    // What the peer will refuse of what was written, said once it is all
    // written; the export still succeeds.
    virtual QStringList warnings() const { return {}; }
};

#endif // PM_ENTRYWRITER_H
