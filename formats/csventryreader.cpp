// What the CSV formats' readers share: the header's columns and a record per entry.

#include "formats/csventryreader.h"

bool CsvEntryReader::read(QIODevice *input, const Take &take, QStringList *refused, QStringList *, QString *error)
{
    CsvTable table(input);
    CsvTable::Record header;
    if (!table.next(&header, error))
        return false;
    if (fit(header.fields) < 0) {
        *error = QStringLiteral("line %1: the header row must name %2").arg(header.line).arg(headerRule());
        return false;
    }
    return readRecords(&table, header.fields, take, refused, error);
}

bool CsvEntryReader::readRecords(CsvTable *table, const QStringList &header, const Take &take, QStringList *refused,
                                 QString *error) const
{
    // Where a column is named twice, its first field is the one read.
    QHash<QString, int> columns;
    for (int column = header.size() - 1; column >= 0; --column)
        columns.insert(header.at(column), column);
    const QStringList known = knownColumns();
    QVector<int> others;
    for (int column = 0; column < header.size(); ++column) {
        if (!known.contains(header.at(column)))
            others << column;
    }
    CsvTable::Record record;
    while (table->next(&record, error)) {
        if (record.fields.isEmpty())
            return true;
        if (record.fields.size() != header.size()) {
            *refused << QStringLiteral("line %1: %2 fields where the header has %3")
                            .arg(record.line)
                            .arg(record.fields.size())
                            .arg(header.size());
            continue;
        }
        PeerEntry peer = peerOf(Row(columns, record.fields));
        peer.line = record.line;
        for (const int column : others)
            peer.fields << qMakePair(header.at(column), record.fields.at(column));
        take(peer);
    }
    return false;
}

CsvEntryReader::Row::Row(const QHash<QString, int> &columns, const QStringList &fields)
    : columns(columns)
    , fields(fields)
{
}

QString CsvEntryReader::Row::value(const QString &column) const
{
    const int at = columns.value(column, -1);
    return at < 0 ? QString() : fields.at(at);
}

int CsvEntryReader::countNamed(const QStringList &header, const QStringList &columns)
{
    for (const QString &column : columns) {
        if (!header.contains(column))
            return -1;
    }
    return columns.size();
}

int CsvEntryReader::fit(const QStringList &header) const
{
    return countNamed(header, requiredColumns());
}

QString CsvEntryReader::headerRule() const
{
    return QStringLiteral("the columns %1").arg(requiredColumns().join(QStringLiteral(", ")));
}

QStringList CsvEntryReader::requiredColumns() const
{
    return knownColumns();
}
