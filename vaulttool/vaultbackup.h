#ifndef VAULTBACKUP_H
#define VAULTBACKUP_H

#include <QString>

struct sqlite3;

// A consistent copy of the vault open on the default connection, taken with
// SQLite's online backup, so that a program writing to the vault meanwhile
// can neither tear it nor be blocked for longer than one pass over the file.
class VaultBackup
{
public:
    // Returns what went wrong, or nothing.
    static QString copyTo(const QString &destination, bool replace);

private:
    static sqlite3 *vaultHandle();
    static bool isVaultItself(sqlite3 *vault, const QString &destination);
    static QString copyPages(sqlite3 *vault, const QString &targetPath);
};

#endif // VAULTBACKUP_H
