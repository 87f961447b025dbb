#ifndef PM_BITWARDENCSVWRITER_H
#define PM_BITWARDENCSVWRITER_H

#include "formats/entrywriter.h"

// Entries as Bitwarden imports them: its individual vault's header with
// reprompt, and a login per entry named after its domain, with the
// domain's address where the domain is a host name.
class BitwardenCsvWriter : public EntryWriter
{
public:
    QByteArray header() const override;
    bool write(const QString &id, const Entry &entry, QByteArray *out, QString *refusal) override;
    QByteArray footer() const override;
};

#endif // PM_BITWARDENCSVWRITER_H
