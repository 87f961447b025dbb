// A consistent copy of the vault through SQLite's backup.

#include "vaulttool/vaultbackup.h"

#include "vault/storednames.h"
#include "vaulttool/privatefile.h"

#include <QFile>
#include <QSqlDatabase>

#include <sqlite3.h>
#include <sys/stat.h>

bool VaultBackup::copyTo(PrivateFile &target, QString *error)
{
    sqlite3 *vault = StoredNames::handle(QSqlDatabase::database());
    if (!vault) {
        *error = QStringLiteral("the vault is not open");
        return false;
    }
    // Replaced by its copy, the vault would go on being written by whoever
    // has it open, into a file that no longer has a name.
    if (isVaultItself(vault, target.destinationPath())) {
        *error = QStringLiteral("%1 is the vault itself").arg(target.destinationPath());
        return false;
    }
    return copyPages(vault, target.temporaryPath(), error) && target.publish(error);
}

bool VaultBackup::isVaultItself(sqlite3 *vault, const QString &destination)
{
    struct stat vaultFile;
    struct stat target;
    return ::stat(sqlite3_db_filename(vault, "main"), &vaultFile) == 0
        && ::stat(QFile::encodeName(destination).constData(), &target) == 0 && vaultFile.st_dev == target.st_dev
        && vaultFile.st_ino == target.st_ino;
}

bool VaultBackup::copyPages(sqlite3 *vault, const QString &targetPath, QString *error)
{
    sqlite3 *target = nullptr;
    int result = sqlite3_open_v2(QFile::encodeName(targetPath).constData(), &target, SQLITE_OPEN_READWRITE, nullptr);
    if (result == SQLITE_OK) {
        // All pages in one step: one read transaction, so one state of the vault.
        sqlite3_backup *backup = sqlite3_backup_init(target, "main", vault, "main");
        const int stepped = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(target);
        const int finished = backup ? sqlite3_backup_finish(backup) : SQLITE_OK;
        result = stepped == SQLITE_DONE ? finished : stepped;
    }
    const QString reason = QString::fromUtf8(sqlite3_errstr(result));
    sqlite3_close(target);
    if (result == SQLITE_BUSY || result == SQLITE_LOCKED)
        *error = QStringLiteral("the vault is locked by another program; no copy was made");
    else if (result != SQLITE_OK)
        *error = QStringLiteral("cannot copy the vault: %1").arg(reason);
    return result == SQLITE_OK;
}
