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

bool PrivateFile::create()
{
    // QTemporaryFile makes its files readable and writable by the owner only.
    return temporary.open() || fail(temporary.errorString());
}

QString PrivateFile::temporaryPath() const
{
    return temporary.fileName();
}

bool PrivateFile::write(const QByteArray &bytes)
{
    return temporary.write(bytes) == bytes.size() || fail(temporary.errorString());
}

bool PrivateFile::publish()
{
    if (!temporary.flush() || ::fsync(temporary.handle()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    return takeName();
}

QString PrivateFile::errorString() const
{
    return error;
}

bool PrivateFile::takeName()
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
    return fail(errno == EEXIST ? QStringLiteral("it already exists") : QString::fromLocal8Bit(std::strerror(errno)));
}

bool PrivateFile::fail(const QString &reason)
{
    error = reason;
    return false;
}
