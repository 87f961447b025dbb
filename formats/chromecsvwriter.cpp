// Entries written as Chrome's CSV, with a warning for each that Chrome refuses.

#include "formats/chromecsvwriter.h"

#include "formats/csvtable.h"
#include "formats/entrymapping.h"

#include <QUrl>

QByteArray ChromeCsvWriter::header() const
{
    return CsvTable::formatRecord({"name", "url", "username", "password", "note"});
}

bool ChromeCsvWriter::write(const QString &id, const Entry &entry, QByteArray *out, QString *)
{
    const QString url = EntryMapping::urlFor(entry.domain).isEmpty()
        ? QString()
        : QStringLiteral("https://") + QString::fromLatin1(QUrl::toAce(entry.domain));
    *out += CsvTable::formatRecord({entry.domain, url, entry.login, entry.password, entry.note});
    ++rows;
    QStringList faults;
    if (url.isEmpty())
        faults << QStringLiteral("it has no address");
    if (entry.password.isEmpty())
        faults << QStringLiteral("its password is empty");
    const QPair<QString, QString> values[] = {{QStringLiteral("login"), entry.login},
                                              {QStringLiteral("password"), entry.password},
                                              {QStringLiteral("note"), entry.note}};
    for (const auto &value : values) {
        if (value.second.size() > longestValue)
            faults << QStringLiteral("its %1 is longer than 1,000 characters").arg(value.first);
    }
    if (!faults.isEmpty())
        refusedByChrome << QStringLiteral("entry %1 (%2): Chrome will not import it: %3")
                               .arg(id, entry.domain, faults.join(QStringLiteral(", ")));
    return true;
}

QByteArray ChromeCsvWriter::footer() const
{
    return QByteArray();
}

QStringList ChromeCsvWriter::warnings() const
{
    QStringList all = refusedByChrome;
    if (rows > mostRows)
        all << QStringLiteral("%1 entries: Chrome imports at most 3,000 at a time, so split the file").arg(rows);
    return all;
}
