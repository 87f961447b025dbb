// An owner-only file written under a temporary name and renamed into place.

#include "vaulttool/privatefile.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Short, so that any name the file system takes can be the destination's.
const QString temporaryPrefix = QStringLiteral(".passwordmanager-vault-");

constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int endingSignalCount = sizeof endingSignals / sizeof endingSignals[0];
struct sigaction previousActions[endingSignalCount];
char temporaryName[PATH_MAX];
char journalName[PATH_MAX];

// SQLite's journal goes along, where the copy was written through it.
void removeAndDie(int signalNumber)
{
    ::unlink(temporaryName);
    ::unlink(journalName);
    for (int i = 0; i < endingSignalCount; ++i) {
        if (endingSignals[i] == signalNumber)
            ::sigaction(signalNumber, &previousActions[i], nullptr);
    }
    ::raise(signalNumber);
}

bool reserve(const QByteArray &name)
{
    const int reserved = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    return reserved >= 0 && ::close(reserved) == 0;
}
}

PrivateFile::PrivateFile(const QString &destination, bool replace)
    : destination(destination)
    , replace(replace)
    , temporary(QFileInfo(destination).path() + QLatin1Char('/') + temporaryPrefix + QStringLiteral("XXXXXX"))
{
}

PrivateFile::~PrivateFile()
{
    removeOnSignals(false);
}

bool PrivateFile::create(QString *error)
{
    const QDir folder = QFileInfo(destination).dir();
    const QStringList leftovers
        = folder.entryList({temporaryPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &leftover : leftovers)
        notes << QStringLiteral("%1 looks left behind by a copy that was cut short; remove it unless another "
                                "passwordmanager-vault is writing it now")
                     .arg(folder.filePath(leftover));
    // Held back until their handlers know the file's name, so that none can
    // end the program between its making and the arranging of its removal.
    sigset_t ending;
    sigemptyset(&ending);
    for (const int signalNumber : endingSignals)
        sigaddset(&ending, signalNumber);
    sigset_t before;
    ::sigprocmask(SIG_BLOCK, &ending, &before);
    // QTemporaryFile makes its files readable and writable by the owner only.
    const bool opened = temporary.open();
    removeOnSignals(opened);
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    if (!opened)
        return fail(temporary.errorString(), error);
    struct stat status;
    if (::fstat(temporary.handle(), &status) == 0 && (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        notes << QStringLiteral("the file system of %1 cannot keep it readable by its owner only: anyone who can "
                                "read that file system can read it")
                     .arg(destination);
    return true;
}

QStringList PrivateFile::warnings() const
{
    return notes;
}

QString PrivateFile::destinationPath() const
{
    return destination;
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
    bool named = replace ? ::rename(from.constData(), to.constData()) == 0
                         : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0;
    if (!named && !replace && (errno == EINVAL || errno == ENOSYS)) {
        // Some file systems cannot rename without replacing; a new link never
        // replaces, and the temporary name goes with the object.
        if (::link(from.constData(), to.constData()) == 0)
            return true;
        // FAT and exFAT cannot link either. The destination is reserved,
        // empty, and the copy renamed over it: a kill in between leaves it
        // empty, never half made, and never another file replaced.
        if (errno != EEXIST && reserve(to)) {
            named = ::rename(from.constData(), to.constData()) == 0;
            const int renameErrno = errno;
            if (!named)
                ::unlink(to.constData());
            errno = renameErrno;
        }
    }
    if (named) {
        temporary.setAutoRemove(false);
        removeOnSignals(false);
        return true;
    }
    if (errno != EEXIST)
        return fail(QString::fromLocal8Bit(std::strerror(errno)), error);
    struct stat existing;
    const bool empty = ::stat(to.constData(), &existing) == 0 && S_ISREG(existing.st_mode) && existing.st_size == 0;
    return fail(empty ? QStringLiteral("it already exists, empty, as a copy that was cut short leaves it; remove it "
                                       "and try again")
                      : QStringLiteral("it already exists"),
                error);
}

bool PrivateFile::fail(const QString &reason, QString *error) const
{
    *error = QStringLiteral("cannot write %1: %2").arg(destination, reason);
    return false;
}

// Between the two, the temporary file and its journal are removed if the
// program is interrupted or ended. A signal ignored at start stays ignored.
void PrivateFile::removeOnSignals(bool remove)
{
    static bool removing = false;
    if (remove == removing)
        return;
    removing = remove;
    if (!remove) {
        for (int i = 0; i < endingSignalCount; ++i)
            ::sigaction(endingSignals[i], &previousActions[i], nullptr);
        return;
    }
    const QByteArray name = QFile::encodeName(QFileInfo(temporary.fileName()).absoluteFilePath());
    std::snprintf(temporaryName, sizeof temporaryName, "%s", name.constData());
    std::snprintf(journalName, sizeof journalName, "%s-journal", name.constData());
    struct sigaction action = {};
    action.sa_handler = removeAndDie;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < endingSignalCount; ++i) {
        ::sigaction(endingSignals[i], nullptr, &previousActions[i]);
        if (previousActions[i].sa_handler != SIG_IGN)
            ::sigaction(endingSignals[i], &action, nullptr);
    }
}
