#ifndef PM_VAULTTOOLPROCESS_H
#define PM_VAULTTOOLPROCESS_H

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// passwordmanager-vault run as the process it is, in the working directory,
// with the master password on standard input; and the files it reads and
// writes there.
class VaultToolProcess
{
public:
    // A session of its own has no controlling terminal, whichever the test
    // has. Without root's power to pass over file modes, they hold for it as
    // for a user; it stays root, so that it can reach the tool wherever the
    // build is, in root's own home too.
    class WithoutTerminal : public QProcess
    {
    public:
        bool withoutRoot = false;
        int ignoredSignal = 0;
        rlim_t fileSizeLimit = RLIM_INFINITY;

    protected:
        void setupChildProcess() override
        {
            ::setsid();
            ::signal(ignoredSignal, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            if (withoutRoot && ::geteuid() == 0
                && (::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE) || ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH)))
                ::_exit(126);
        }
    };

    struct Run
    {
        int status;
        QByteArray out;
        QString err;
    };

    static Run run(const QStringList &arguments, const QByteArray &input = "master\n", bool withoutRoot = false)
    {
        return runProgram(PM_VAULT_TOOL, QStringList{"--password-stdin"} + arguments, input, withoutRoot);
    }

    // Any program the same way: the tool without --password-stdin, or a
    // peer's command-line tool.
    static Run runProgram(const QString &program, const QStringList &arguments, const QByteArray &input,
                          bool withoutRoot = false)
    {
        WithoutTerminal process;
        process.withoutRoot = withoutRoot;
        process.start(program, arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
            qFatal("%s did not finish", qPrintable(program));
        return {process.exitCode(), process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
    }

    static void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
    }

    static QByteArray readFile(const QString &name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static int modeOf(const QString &name)
    {
        struct stat status;
        return ::stat(QFile::encodeName(name).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
    }
};

#endif // PM_VAULTTOOLPROCESS_H
