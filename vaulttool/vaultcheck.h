#ifndef VAULTCHECK_H
#define VAULTCHECK_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// The health of the vault open on the default connection, read without
// writing anything.
class VaultCheck
{
public:
    // SQLite's own integrity check, then the two tables.
    static QStringList fileProblems();
    static bool hasTables();
    // One line for each entry whose pass or info does not open under the
    // key. Returns what stopped the reading, or nothing.
    static QString checkEntries(const QByteArray &key, int *entryCount, QStringList *unclean);

private:
    static QStringList missingTables();
    static QString storedValueProblem(const QByteArray &stored, const QByteArray &key);
};

#endif // VAULTCHECK_H
