#include "vaulttool/privatefile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

PrivateFile::PrivateFile(const QString &destination, bool replace)
    : destination(destination)
    , replace(replace)
    , temporary(destination + QStringLiteral(".XXXXXX"))
{
}

bool PrivateFile::create(QString *error)
{
    // QTemporaryFile makes its files readable and writable by the owner only.
    return temporary.open() || fail(temporary.errorString(), error);
}

QString PrivateFile::temporaryPath() const
{
    return temporary.fileName();
}

bool PrivateFile::write(const QByteArray &bytes, QString *error)
{
    return temporary.write(bytes) == bytes.size() || fail(temporary.errorString(), error);
}

bool PrivateFile::publish(QString *error)
{
    if (!temporary.flush() || ::fsync(temporary.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)), error);
    return takeName(error);
}

bool PrivateFile::takeName(QString *error)
{
    const QByteArray from = QFile::encodeName(temporary.fileName());
    const QByteArray to = QFile::encodeName(destination);
    if (replace ? ::rename(from.constData(), to.constData()) == 0
                : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        temporary.setAutoRemove(false);
        return true;
    }
    // Some file systems cannot rename without replacing; a new link never
    // replaces, and the temporary name goes with the object.
    if (!replace && errno == EINVAL && ::link(from.constData(), to.constData()) == 0)
        return true;
    return fail(errno == EEXIST ? QStringLiteral("it already exists") : QString::fromLocal8Bit(std::strerror(errno)),
                error);
}

bool PrivateFile::fail(const QString &reason, QString *error) const
{
    *error = QStringLiteral("cannot write %1: %2").arg(destination, reason);
    return false;
}
