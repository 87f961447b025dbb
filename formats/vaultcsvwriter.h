#ifndef PM_VAULTCSVWRITER_H
#define PM_VAULTCSVWRITER_H

#include "formats/entrywriter.h"

// The vault's own CSV: a header row naming domain, login, password and
// note, then one row per entry with its four texts as they are.
class VaultCsvWriter : public EntryWriter
{
public:
    QByteArray header() const override;
    bool write(const QString &id, const Entry &entry, QByteArray *out, QString *refusal) override;
    QByteArray footer() const override;
};

#endif // PM_VAULTCSVWRITER_H
