#ifndef VAULTSTATEMENTS_H
#define VAULTSTATEMENTS_H

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

    static QString selectEntryList();
    static QString selectEntry(qint64 id);
    static QString selectEntryPass(qint64 id);
    static QString deleteEntry(qint64 id);
    static QString insertEntry(const QString &domain, const QString &login, const QString &pass, const QString &info);
    static QString updateEntry(const QString &domain, const QString &login, const QString &pass, const QString &info,
                               qint64 id);

    static QString countCheckValues();
    static QString selectCheckValue();
    static QString insertCheckValue(const QString &checkValue);

    static QString checkIntegrity();

private:
    // The inside of a single-quoted SQL literal that holds exactly `text`.
    static QString literalBody(const QString &text);
    static QString idText(qint64 id);
};

#endif // VAULTSTATEMENTS_H
