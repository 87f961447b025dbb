#ifndef PM_VAULTCONNECTION_H
#define PM_VAULTCONNECTION_H

#include <QString>

// Opens the vault on the default connection for the tool's commands. Only a
// regular file is opened, a lock held by another program is reported once,
// and a write that a killed writer left half done is rolled back, as any
// read-write opening does, before anything is read.
class VaultConnection
{
public:
    // The note says what was done to the vault on the way, if anything.
    static bool open(const QString &path, bool writable, QString *note, QString *error);

private:
    enum Outcome { Opened, InterruptedWrite, Failed };
    static Outcome connect(const QString &path, bool writable, QString *error);
    static QString cannotRollBack(const QString &path, const QString &reason);
};

#endif // PM_VAULTCONNECTION_H
