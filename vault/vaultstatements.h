#ifndef PM_VAULTSTATEMENTS_H
#define PM_VAULTSTATEMENTS_H

#include <QString>
#include <QtGlobal>

// Every SQL text the program runs, in one place. Values reach a statement
// only through these functions: texts as single-quoted literals with each
// quote inside doubled, ids as integers. Nothing typed can change what a
// statement does.
class VaultStatements
{
public:
    static QString createDataTable();
    static QString createSPassTable();

    enum EntryListColumn { ListId, ListDomain, ListLogin };
    static QString selectEntryList();
    enum EntryColumn { EntryDomain, EntryLogin, EntryPass, EntryInfo };
    static QString selectEntry(qint64 id);
    static QString selectEntryPass(qint64 id);
    // Every row whole, in the list's order, for the command-line tool. The
    // rowid names a row alone even where another tool made ids that do not.
    enum StoredEntryColumn { StoredId, StoredDomain, StoredLogin, StoredPass, StoredInfo, StoredRowid };
    static QString selectStoredEntries();
    // Every row's sealed values, in the order the rows are kept: nothing to
    // sort, so SQLite writes no temporary file.
    enum SealedEntryColumn { SealedId, SealedPass, SealedInfo, SealedRowid };
    static QString selectSealedEntries();
    // One row's sealed values, and their replacement, by rowid alone.
    enum SealedValueColumn { SealedValuePass, SealedValueInfo };
    static QString selectSealedValues(qint64 rowid);
    static QString updateSealedValues(const QString &pass, const QString &info, qint64 rowid);
    static QString deleteEntry(qint64 id);
    static QString insertEntry(const QString &domain, const QString &login, const QString &pass, const QString &info);
    static QString updateEntry(const QString &domain, const QString &login, const QString &pass, const QString &info,
                               qint64 id);

    static QString countCheckValues();
    enum CheckValueColumn { CheckValueCount, CheckValueText };
    static QString selectCheckValue();
    static QString insertCheckValue(const QString &checkValue);
    static QString updateCheckValue(const QString &checkValue);

    static QString checkIntegrity();
    // Every object of the schema, SQLite's own included.
    enum SchemaObjectColumn { SchemaType, SchemaName };
    static QString selectSchemaObjects();
    // Hidden and generated columns too.
    static QString selectColumnNames(const QString &table);

private:
    // The inside of a single-quoted SQL literal that holds exactly `text`.
    static QString literalBody(const QString &text);
    static QString idText(qint64 id);
};

#endif // PM_VAULTSTATEMENTS_H
