#include "vault/vaultfile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString VaultFile::name()
{
    return QStringLiteral("db.db");
}

bool VaultFile::exists()
{
    return QFile::exists(name());
}

bool VaultFile::createOwnerOnly()
{
    const QByteArray path = QFile::encodeName(name());
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0)
        return false;
    // The umask may only have taken bits away; make the mode exactly 0600.
    const bool modeSet = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    return ::close(fd) == 0 && modeSet;
}
