#ifndef ENTRYCSV_H
#define ENTRYCSV_H

#include "vaulttool/vaultentries.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// Entries as CSV: a header row naming the columns domain, login, password
// and note, then one row per entry. Reading takes the columns in any order.
class EntryCsv
{
public:
    static QByteArray header();
    static QByteArray row(const VaultEntries::Entry &entry);
    // Returns what is wrong with the text, with its line, or nothing; then
    // every row is an entry that the entry dialog would store.
    static QString read(const QByteArray &csv, QVector<VaultEntries::Entry> *entries);

private:
    static QStringList columns();
    static QString emptyField(const VaultEntries::Entry &entry);
};

#endif // ENTRYCSV_H
