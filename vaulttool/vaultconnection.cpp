// The tool's opening of the vault: regular files only, interrupted writes rolled back.

#include "vaulttool/vaultconnection.h"

#include "vault/sqlerrortext.h"
#include "vault/storednames.h"
#include "vault/vaultstatements.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// What the window program does when another program holds the vault.
const char waitForLocks[] = "QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000";
}

bool VaultConnection::open(const QString &path, bool writable, QString *note, QString *error)
{
    // SQLite would wait forever for a FIFO's writer, and call a directory a
    // disk I/O error.
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        *error = QStringLiteral("cannot open the vault %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        *error = QStringLiteral("cannot open the vault %1: it is not a regular file").arg(path);
        return false;
    }
    // Read-only, SQLite refuses a file that holds a half-done write rather
    // than show its pages; read-write, it rolls the write back first.
    Outcome outcome = connect(path, false, error);
    if (outcome == InterruptedWrite) {
        if (connect(path, true, error) != Opened) {
            *error = cannotRollBack(path, *error);
            return false;
        }
        *note = QStringLiteral("the vault %1 held a write that was cut short; it was rolled back, and the vault is "
                               "as its last complete change left it")
                    .arg(path);
        outcome = connect(path, false, error);
    }
    return outcome == Opened && (!writable || connect(path, true, error) == Opened);
}

VaultConnection::Outcome VaultConnection::connect(const QString &path, bool writable, QString *error)
{
    // As a URI, so that a vault that went missing meanwhile is reported
    // instead of made anew.
    QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    uri.setQuery(writable ? QStringLiteral("mode=rw") : QStringLiteral("mode=ro"));
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    QSqlDatabase vault = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    vault.setConnectOptions(QString::fromLatin1(waitForLocks));
    vault.setDatabaseName(uri.toString(QUrl::FullyEncoded));
    if (!vault.open()) {
        *error = QStringLiteral("cannot open the vault %1: %2").arg(path, vault.lastError().databaseText());
        return Failed;
    }
    StoredNames::keepStoredText(vault);
    // The first read takes the lock and finds a half-done write, once.
    QSqlQuery probe(vault);
    if (probe.exec(VaultStatements::selectSchemaObjects()))
        return Opened;
    const int code = sqlite3_extended_errcode(StoredNames::handle(vault));
    if (code == SQLITE_READONLY_ROLLBACK)
        return InterruptedWrite;
    if ((code & 0xff) == SQLITE_BUSY)
        *error = QStringLiteral("the vault %1 is locked by another program; try again once it is done").arg(path);
    else
        *error = QStringLiteral("cannot read the vault %1: %2").arg(path, sqlErrorText(probe.lastError()));
    probe.finish();
    vault.close();
    return Failed;
}

// Named by what this user cannot write, which is what has to change.
QString VaultConnection::cannotRollBack(const QString &path, const QString &reason)
{
    const QString vault = QFileInfo(path).canonicalFilePath();
    const QString journal = vault + QStringLiteral("-journal");
    QStringList unwritable;
    if (::access(QFile::encodeName(vault).constData(), W_OK) != 0)
        unwritable << QStringLiteral("the vault");
    if (::access(QFile::encodeName(journal).constData(), W_OK) != 0 && errno != ENOENT)
        unwritable << QStringLiteral("its journal %1").arg(journal);
    if (::access(QFile::encodeName(QFileInfo(vault).path()).constData(), W_OK) != 0)
        unwritable << QStringLiteral("its folder %1").arg(QFileInfo(vault).path());
    if (unwritable.isEmpty())
        return QStringLiteral("cannot roll back the write that was cut short in the vault %1: %2").arg(path, reason);
    return QStringLiteral("the vault %1 holds a write that was cut short, which must be rolled back before the vault "
                          "can be read, but this user cannot write %2; run this again as a user who can, such as the "
                          "vault's owner")
        .arg(path, unwritable.join(QStringLiteral(" and ")));
}
