#ifndef PM_PSEUDOTERMINAL_H
#define PM_PSEUDOTERMINAL_H

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QStringList>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <vector>

// A program run on a pseudo-terminal of its own, its controlling terminal,
// typed at and read as a person at a terminal would. A shell runs it as a
// job, so that it can be stopped and continued, with the given signals
// ignored as nohup or a script may leave them.
class PseudoTerminal
{
public:
    PseudoTerminal(const QString &program, const QStringList &arguments, const QList<int> &ignored = {})
    {
        std::vector<QByteArray> words{QFile::encodeName(program)};
        for (const QString &argument : arguments)
            words.push_back(argument.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        if (child == 0)
            runAsJob(argv.data(), ignored);
        if (child < 0)
            qFatal("no pseudo-terminal");
    }

    ~PseudoTerminal()
    {
        if (child > 0 && exitStatus < 0) {
            ::kill(-::tcgetpgrp(terminal), SIGKILL);
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
    bool echoes() const
    {
        termios attributes{};
        return ::tcgetattr(terminal, &attributes) == 0 && (attributes.c_lflag & ECHO);
    }
    pid_t pid() const { return child; }

private:
    // The shell: it hands the terminal to the job, takes it back while the
    // job is stopped and, once "fg" is typed, gives it back and continues
    // the job. It ends with the job's status.
    [[noreturn]] static void runAsJob(char *const argv[], const QList<int> &ignored)
    {
        ::signal(SIGTTOU, SIG_IGN);
        const pid_t job = ::fork();
        if (job == 0) {
            ::setpgid(0, 0);
            ::tcsetpgrp(STDIN_FILENO, ::getpgrp());
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            for (const int signalNumber : {SIGINT, SIGQUIT, SIGTSTP, SIGTTIN, SIGTTOU, SIGHUP, SIGTERM, SIGCONT})
                ::signal(signalNumber, SIG_DFL);
            for (const int signalNumber : ignored)
                ::signal(signalNumber, SIG_IGN);
            ::execv(argv[0], argv);
            ::_exit(127);
        }
        ::setpgid(job, job);
        ::tcsetpgrp(STDIN_FILENO, job);
        int status = 0;
        while (::waitpid(job, &status, WUNTRACED) == job && WIFSTOPPED(status)) {
            ::tcsetpgrp(STDIN_FILENO, ::getpgrp());
            char command[64] = {};
            const char stopped[] = "\nStopped\n$ ";
            if (::write(STDOUT_FILENO, stopped, sizeof stopped - 1) < 0)
                ::_exit(126);
            while (::read(STDIN_FILENO, command, sizeof command) > 0 && std::strncmp(command, "fg\n", 3) != 0) { }
            ::tcsetpgrp(STDIN_FILENO, job);
            ::kill(-job, SIGCONT);
        }
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }

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
