// Entries written as the vault's own CSV.

#include "formats/vaultcsvwriter.h"

#include "formats/csvtable.h"
#include "formats/vaultcsvreader.h"

QByteArray VaultCsvWriter::header() const
{
    return CsvTable::formatRecord(VaultCsvReader::columns());
}

bool VaultCsvWriter::write(const QString &, const Entry &entry, QByteArray *out, QString *)
{
    *out += CsvTable::formatRecord({entry.domain, entry.login, entry.password, entry.note});
    return true;
}

QByteArray VaultCsvWriter::footer() const
{
    return QByteArray();
}
