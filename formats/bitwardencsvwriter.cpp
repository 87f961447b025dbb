// Entries written as Bitwarden's CSV.

#include "formats/bitwardencsvwriter.h"

#include "formats/csvtable.h"
#include "formats/entrymapping.h"

QByteArray BitwardenCsvWriter::header() const
{
    return CsvTable::formatRecord({"folder", "favorite", "type", "name", "notes", "fields", "reprompt", "login_uri",
                                   "login_username", "login_password", "login_totp"});
}

bool BitwardenCsvWriter::write(const QString &, const Entry &entry, QByteArray *out, QString *)
{
    *out += CsvTable::formatRecord({QString(), QString(), QStringLiteral("login"), entry.domain, entry.note, QString(),
                                    QStringLiteral("0"), EntryMapping::urlFor(entry.domain), entry.login,
                                    entry.password, QString()});
    return true;
}

QByteArray BitwardenCsvWriter::footer() const
{
    return QByteArray();
}
