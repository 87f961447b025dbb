#include "formats/entrycsv.h"

#include "formats/csvtable.h"

QByteArray EntryCsv::header()
{
    return CsvTable::formatRecord(columns());
}

QByteArray EntryCsv::row(const Entry &entry)
{
    return CsvTable::formatRecord({entry.domain, entry.login, entry.password, entry.note});
}

bool EntryCsv::read(const QByteArray &csv, QVector<Entry> *entries, QString *error)
{
    QVector<CsvTable::Record> records;
    if (!CsvTable::parse(csv, &records, error))
        return false;
    const QStringList header = records.isEmpty() ? QStringList() : records.first().fields;
    QVector<int> at;
    for (const QString &column : columns())
        at << header.indexOf(column);
    if (header.size() != columns().size() || at.contains(-1)) {
        *error = QStringLiteral("line 1: the header row must name the columns %1")
                     .arg(columns().join(QStringLiteral(", ")));
        return false;
    }
    for (const CsvTable::Record &record : records.mid(1)) {
        if (record.fields.size() != header.size()) {
            *error = QStringLiteral("line %1: %2 fields where the header has %3")
                         .arg(record.line)
                         .arg(record.fields.size())
                         .arg(header.size());
            return false;
        }
        const QStringList &fields = record.fields;
        const Entry entry{fields[at[0]], fields[at[1]], fields[at[2]], fields[at[3]]};
        const QString empty = emptyField(entry);
        if (!empty.isEmpty()) {
            *error = QStringLiteral("line %1: the %2 is empty").arg(record.line).arg(empty);
            return false;
        }
        entries->append(entry);
    }
    return true;
}

QStringList EntryCsv::columns()
{
    return {QStringLiteral("domain"), QStringLiteral("login"), QStringLiteral("password"), QStringLiteral("note")};
}

// The entry dialog's checks, in its order; blanks are not empty.
QString EntryCsv::emptyField(const Entry &entry)
{
    if (entry.domain.isEmpty())
        return QStringLiteral("domain");
    if (entry.login.isEmpty())
        return QStringLiteral("login");
    if (entry.password.isEmpty())
        return QStringLiteral("password");
    return QString();
}
