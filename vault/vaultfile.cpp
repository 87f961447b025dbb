#include "vault/vaultfile.h"

#include <QFile>

#include <climits>
#include <cstddef>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// As many links as the kernel follows in one path.
constexpr int maxLinks = 40;
}

QString VaultFile::name()
{
    return QStringLiteral("db.db");
}

QByteArray VaultFile::createOwnerOnly()
{
    // O_EXCL refuses any symbolic link, even a dangling one; without our
    // file the database would then be created at the link's target with the
    // umask's mode.
    const QByteArray path = pathBehindLinks();
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return QByteArray();
    // The umask may only have taken bits away; make the mode exactly 0600.
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    ::close(fd);
    return path;
}

void VaultFile::removeCreated(const QByteArray &createdPath)
{
    if (!createdPath.isEmpty())
        ::unlink(createdPath.constData());
}

QByteArray VaultFile::pathBehindLinks()
{
    QByteArray path = QFile::encodeName(name());
    for (int link = 0; link < maxLinks; ++link) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length < 0 || static_cast<std::size_t>(length) == sizeof target)
            return path;
        const QByteArray next(target, static_cast<int>(length));
        // A relative target is relative to the folder the link is in.
        const int slash = path.lastIndexOf('/');
        path = next.startsWith('/') || slash < 0 ? next : path.left(slash + 1) + next;
    }
    return path;
}
