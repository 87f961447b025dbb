#ifndef PM_PSEUDOTERMINAL_H
#define PM_PSEUDOTERMINAL_H

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QStringList>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

// A program run on a pseudo-terminal of its own, its controlling terminal,
// typed at and read as a person at a terminal would.
class PseudoTerminal
{
public:
    PseudoTerminal(const QString &program, const QStringList &arguments)
    {
        std::vector<QByteArray> words{QFile::encodeName(program)};
        for (const QString &argument : arguments)
            words.push_back(argument.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (child == 0) {
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        if (child < 0)
            qFatal("no pseudo-terminal");
    }

    ~PseudoTerminal()
    {
        if (child > 0 && exitStatus < 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
        ::close(terminal);
    }

    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    void type(const QByteArray &keys) const
    {
        if (::write(terminal, keys.constData(), size_t(keys.size())) != keys.size())
            qFatal("cannot type on the pseudo-terminal");
    }

    // Everything the terminal has shown, once it shows the text or the time is up.
    QByteArray waitFor(const QByteArray &text, int milliseconds = 10000)
    {
        QDeadlineTimer deadline(milliseconds);
        while (!shown.contains(text) && readSome(int(deadline.remainingTime()))) { }
        return shown;
    }

    // The exit status, once the program has ended and everything it showed
    // is read; -1 if it has not ended in time.
    int waitForExit(int milliseconds = 10000)
    {
        QDeadlineTimer deadline(milliseconds);
        while (readSome(int(deadline.remainingTime()))) { }
        int status = 0;
        while (exitStatus < 0 && !deadline.hasExpired()) {
            if (::waitpid(child, &status, WNOHANG) == child)
                exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            else
                ::usleep(10000);
        }
        return exitStatus;
    }

    QByteArray screen() const { return shown; }
    pid_t pid() const { return child; }

private:
    // False once the program has closed the terminal or the time is up.
    bool readSome(int milliseconds)
    {
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, qMax(milliseconds, 0)) <= 0)
            return false;
        char buffer[4096];
        const ssize_t count = ::read(terminal, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        shown.append(buffer, int(count));
        return true;
    }

    int terminal = -1;
    pid_t child = -1;
    int exitStatus = -1;
    QByteArray shown;
};

#endif // PM_PSEUDOTERMINAL_H
