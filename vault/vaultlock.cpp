// The byte-range lock that keeps a change of the master password from the key in use.

#include "vault/vaultlock.h"

#include "vault/storednames.h"

#include <QFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// One byte clear of the ones SQLite locks (512 from 1 GiB on). Unlike a
// flock, which NFS turns into a lock on the whole file that would stop
// SQLite's own, a lock on a byte of its own never meets them anywhere. It
// belongs to the open file, as a flock does, not to the process.
constexpr off_t lockedByte = 0x40000000 + 4096;

QString cannotLock(const QByteArray &path, int reason)
{
    return QStringLiteral("cannot lock the vault %1: %2")
        .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(reason)));
}

bool failWith(const QString &text, QString *error)
{
    if (error)
        *error = text;
    return false;
}
}

VaultLock::VaultLock(QObject *parent)
    : QObject(parent)
{
}

VaultLock::~VaultLock()
{
    if (descriptor >= 0)
        ::close(descriptor);
}

bool VaultLock::lockShared(const QSqlDatabase &vault, QString *error)
{
    return lock(vault, O_RDONLY, F_RDLCK, F_OFD_SETLKW, error);
}

bool VaultLock::lockAlone(const QSqlDatabase &vault, QString *error)
{
    return lock(vault, O_RDWR, F_WRLCK, F_OFD_SETLK, error);
}

bool VaultLock::isHeld() const
{
    return descriptor >= 0;
}

bool VaultLock::lock(const QSqlDatabase &vault, int access, short type, int command, QString *error)
{
    // SQLite's own name of the file, which it found following up to a hundred
    // symbolic links, more than open() follows.
    sqlite3 *connection = StoredNames::handle(vault);
    const QByteArray path = connection ? sqlite3_db_filename(connection, "main") : "";
    descriptor = ::open(path.constData(), access | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
        return failWith(cannotLock(path, errno), error);
    struct flock range{};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = lockedByte;
    range.l_len = 1;
    int result = 0;
    while ((result = ::fcntl(descriptor, command, &range)) != 0 && errno == EINTR) { }
    if (result == 0)
        return true;
    const int reason = errno;
    ::close(descriptor);
    descriptor = -1;
    if (reason == EAGAIN || reason == EACCES)
        return failWith(QStringLiteral("the window program has the vault open; close it first"), error);
    return failWith(cannotLock(path, reason), error);
}
