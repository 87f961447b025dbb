#ifndef PM_VAULTBACKUP_H
#define PM_VAULTBACKUP_H

#include <QString>

class PrivateFile;
struct sqlite3;

// A consistent copy of the vault open on the default connection, taken with
// SQLite's online backup, so that a program writing to the vault meanwhile
// can neither tear it nor be blocked for longer than one pass over the file.
class VaultBackup
{
public:
    // Into a private file already made, which takes its name once the copy is whole.
    static bool copyTo(PrivateFile &target, QString *error);

private:
    static bool isVaultItself(sqlite3 *vault, const QString &destination);
    static bool copyPages(sqlite3 *vault, const QString &targetPath, QString *error);
};

#endif // PM_VAULTBACKUP_H
