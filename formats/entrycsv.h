#ifndef PM_ENTRYCSV_H
#define PM_ENTRYCSV_H

#include "vault/entry.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// Entries as CSV: a header row naming the columns domain, login, password
// and note, then one row per entry. Reading takes the columns in any order.
class EntryCsv
{
public:
    static QByteArray header();
    static QByteArray row(const Entry &entry);
    // Every row an entry that the entry dialog would store; otherwise the
    // error says what is wrong with the text, and on which line.
    static bool read(const QByteArray &csv, QVector<Entry> *entries, QString *error);

private:
    static QStringList columns();
    static QString emptyField(const Entry &entry);
};

#endif // PM_ENTRYCSV_H
