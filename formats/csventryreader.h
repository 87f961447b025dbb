#ifndef PM_CSVENTRYREADER_H
#define PM_CSVENTRYREADER_H

#include "formats/csvtable.h"
#include "formats/entryreader.h"

#include <QHash>

// What the readers of the CSV formats share: a header row names the
// columns, in any order, and each later record is one entry. A record with
// more or fewer fields than the header is refused by its line. Columns the
// format does not know go to the note under their own names.
class CsvEntryReader : public EntryReader
{
public:
    bool read(QIODevice *input, const Take &take, QStringList *refused, QStringList *warnings, QString *error) override;

    // As --format names it.
    virtual QString name() const = 0;
    // How many of the format's required columns the header names; -1 where
    // one is missing, or where the format takes no other column and the
    // header names one.
    virtual int fit(const QStringList &header) const;
    // The records after a header that fits, as read() takes them.
    bool readRecords(CsvTable *table, const QStringList &header, const Take &take, QStringList *refused,
                     QString *error) const;

protected:
    // One record's fields by the names of their columns.
    class Row
    {
    public:
        Row(const QHash<QString, int> &columns, const QStringList &fields);
        // Empty where the header has no such column.
        QString value(const QString &column) const;

    private:
        const QHash<QString, int> &columns;
        const QStringList &fields;
    };

    // What a header must name, for the refusal of one that does not fit.
    virtual QString headerRule() const;
    // The columns that peerOf reads, or leaves out as the peer's metadata.
    virtual QStringList knownColumns() const = 0;
    // The columns a header must name: all the known ones unless a format
    // says fewer.
    virtual QStringList requiredColumns() const;
    virtual PeerEntry peerOf(const Row &row) const = 0;

    // The number of columns where the header names them all, else -1.
    static int countNamed(const QStringList &header, const QStringList &columns);
};

#endif // PM_CSVENTRYREADER_H
