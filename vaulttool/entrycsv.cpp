#include "vaulttool/entrycsv.h"

#include "vaulttool/csvtable.h"

QByteArray EntryCsv::header()
{
    return CsvTable::formatRecord(columns());
}

QByteArray EntryCsv::row(const VaultEntries::Entry &entry)
{
    return CsvTable::formatRecord({entry.domain, entry.login, entry.password, entry.note});
}

QString EntryCsv::read(const QByteArray &csv, QVector<VaultEntries::Entry> *entries)
{
    QVector<CsvTable::Record> records;
    const QString fault = CsvTable::parse(csv, &records);
    if (!fault.isEmpty())
        return fault;
    const QStringList header = records.isEmpty() ? QStringList() : records.first().fields;
    QVector<int> at;
    for (const QString &column : columns())
        at << header.indexOf(column);
    if (header.size() != columns().size() || at.contains(-1))
        return QStringLiteral("line 1: the header row must name the columns %1")
            .arg(columns().join(QStringLiteral(", ")));
    for (const CsvTable::Record &record : records.mid(1)) {
        if (record.fields.size() != header.size())
            return QStringLiteral("line %1: %2 fields where the header has %3")
                .arg(record.line)
                .arg(record.fields.size())
                .arg(header.size());
        const QStringList &fields = record.fields;
        const VaultEntries::Entry entry{fields[at[0]], fields[at[1]], fields[at[2]], fields[at[3]]};
        const QString empty = emptyField(entry);
        if (!empty.isEmpty())
            return QStringLiteral("line %1: the %2 is empty").arg(record.line).arg(empty);
        entries->append(entry);
    }
    return QString();
}

QStringList EntryCsv::columns()
{
    return {QStringLiteral("domain"), QStringLiteral("login"), QStringLiteral("password"), QStringLiteral("note")};
}

// The entry dialog's checks, in its order; blanks are not empty.
QString EntryCsv::emptyField(const VaultEntries::Entry &entry)
{
    if (entry.domain.isEmpty())
        return QStringLiteral("domain");
    if (entry.login.isEmpty())
        return QStringLiteral("login");
    if (entry.password.isEmpty())
        return QStringLiteral("password");
    return QString();
}
