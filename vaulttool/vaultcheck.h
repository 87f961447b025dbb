#ifndef PM_VAULTCHECK_H
#define PM_VAULTCHECK_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// The health of the vault open on the default connection, read without
// changing any entry.
class VaultCheck
{
public:
    // SQLite's own integrity check, then the two tables; false where the
    // tables are missing, or could not be listed.
    static bool checkFile(QStringList *problems);
    // Counts the entries, with one line for each whose password or note does
    // not open under the key. False, saying why, where they could not be read.
    static bool checkEntries(const QByteArray &key, int *entryCount, QStringList *unclean, QString *error);
};

#endif // PM_VAULTCHECK_H
