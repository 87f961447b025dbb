// The master password read from a terminal without echo, or from standard input.

#include "vaulttool/passwordinput.h"

#include "vault/storedsecret.h"

#include <QTextCodec>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
int terminal = -1;
struct termios echoedAttributes;
struct termios silentAttributes;
volatile sig_atomic_t continued = 0;

void restoreEchoAndDie(int signalNumber);
void restoreEchoAndStop(int signalNumber);
void silenceAgain(int signalNumber);

struct Handling
{
    int signalNumber;
    void (*handler)(int);
};
// Interrupted with echo off, the shell would be left typing blind; stopped,
// it would show what is typed at the prompt once the program goes on.
constexpr Handling handlings[]
    = {{SIGINT, restoreEchoAndDie},  {SIGTERM, restoreEchoAndDie},  {SIGHUP, restoreEchoAndDie},
       {SIGQUIT, restoreEchoAndDie}, {SIGTSTP, restoreEchoAndStop}, {SIGCONT, silenceAgain}};
constexpr int handlingCount = sizeof handlings / sizeof handlings[0];
struct sigaction previousActions[handlingCount];

void installHandlers()
{
    for (int i = 0; i < handlingCount; ++i) {
        struct sigaction action = {};
        action.sa_handler = handlings[i].handler;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a read that a signal cuts short comes back, so that
        // the prompt can start anew.
        action.sa_flags = 0;
        ::sigaction(handlings[i].signalNumber, nullptr, &previousActions[i]);
        // Ignored by whoever started the program, as nohup ignores SIGHUP.
        if (previousActions[i].sa_handler != SIG_IGN)
            ::sigaction(handlings[i].signalNumber, &action, nullptr);
    }
}

void restoreHandlers()
{
    for (int i = 0; i < handlingCount; ++i)
        ::sigaction(handlings[i].signalNumber, &previousActions[i], nullptr);
}

// Whatever was there before takes the signal once echo is back: the default
// action, or a handler that has its own to clean up.
void restoreEchoAndDie(int signalNumber)
{
    ::tcsetattr(terminal, TCSAFLUSH, &echoedAttributes);
    for (int i = 0; i < handlingCount; ++i) {
        if (handlings[i].signalNumber == signalNumber)
            ::sigaction(signalNumber, &previousActions[i], nullptr);
    }
    ::raise(signalNumber);
}

void restoreEchoAndStop(int)
{
    const int savedErrno = errno;
    ::tcsetattr(terminal, TCSANOW, &echoedAttributes);
    struct sigaction stop = {};
    stop.sa_handler = SIG_DFL;
    struct sigaction ours;
    ::sigaction(SIGTSTP, &stop, &ours);
    // Blocked while this handler runs, it stops the program as soon as it
    // is let through, and the program goes on here once continued.
    ::raise(SIGTSTP);
    sigset_t stopSignal;
    sigemptyset(&stopSignal);
    sigaddset(&stopSignal, SIGTSTP);
    sigset_t before;
    ::sigprocmask(SIG_UNBLOCK, &stopSignal, &before);
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    ::sigaction(SIGTSTP, &ours, nullptr);
    errno = savedErrno;
}

void silenceAgain(int)
{
    const int savedErrno = errno;
    ::tcsetattr(terminal, TCSANOW, &silentAttributes);
    continued = 1;
    errno = savedErrno;
}

bool show(int fd, const QByteArray &text)
{
    return ::write(fd, text.constData(), size_t(text.size())) == text.size();
}
}

bool PasswordInput::fromTerminal(const QByteArray &prompt, QByteArray *line, QString *error)
{
    QString reason = QStringLiteral("no terminal to ask for the master password; use --password-stdin");
    terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    bool gotLine = false;
    if (terminal >= 0 && ::tcgetattr(terminal, &echoedAttributes) == 0) {
        silentAttributes = echoedAttributes;
        silentAttributes.c_lflag &= ~tcflag_t(ECHO);
        silentAttributes.c_lflag |= ECHONL;
        installHandlers();
        // Silent before the prompt shows: whatever is typed once it is seen
        // must not be echoed.
        continued = 0;
        if (::tcsetattr(terminal, TCSAFLUSH, &silentAttributes) == 0 && show(terminal, prompt)) {
            gotLine = readLine(terminal, line, prompt);
            // Ctrl-D echoes nothing; what is said next starts a line of its own.
            if (!gotLine && show(terminal, "\n"))
                reason = QStringLiteral("no master password was typed: the input ended");
        }
        ::tcsetattr(terminal, TCSAFLUSH, &echoedAttributes);
        restoreHandlers();
    }
    if (terminal >= 0)
        ::close(terminal);
    terminal = -1;
    if (!gotLine && error)
        *error = reason;
    return gotLine;
}

bool PasswordInput::fromStandardInput(QByteArray *line)
{
    return readLine(STDIN_FILENO, line);
}

bool PasswordInput::passwordBytes(const QByteArray &line, QByteArray *bytes, QString *error, const QString &name)
{
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QString text = QTextCodec::codecForName("UTF-8")->toUnicode(line.constData(), line.size(), &state);
    if (line.size() > longestLine) {
        *error = QStringLiteral("%1 is longer than %2 KiB").arg(name).arg(longestLine / 1024);
        return false;
    }
    if (line.contains('\0')) {
        *error = QStringLiteral("%1 holds a zero byte").arg(name);
        return false;
    }
    if (state.invalidChars != 0 || state.remainingChars != 0) {
        *error = QStringLiteral("%1 is not UTF-8 text").arg(name);
        return false;
    }
    *bytes = StoredSecret::bytesOf(text);
    return true;
}

bool PasswordInput::readLine(int fd, QByteArray *line, const QByteArray &prompt)
{
    // SIGCONT is let through only while waiting for input, so that it can
    // never come between the look at what it leaves and the wait.
    sigset_t continueSignal;
    sigemptyset(&continueSignal);
    sigaddset(&continueSignal, SIGCONT);
    sigset_t before;
    ::sigprocmask(SIG_BLOCK, &continueSignal, &before);
    sigset_t waiting = before;
    sigdelset(&waiting, SIGCONT);
    pollfd input{fd, POLLIN, 0};
    // A byte at a time, so that nothing after the line is taken from the input.
    char c;
    ssize_t count = 0;
    while (line->size() <= longestLine) {
        // Continued after a stop: what was typed before is dropped, and the
        // prompt asks again.
        if (continued) {
            continued = 0;
            line->clear();
            ::tcflush(fd, TCIFLUSH);
            show(fd, prompt);
        }
        count = ::ppoll(&input, 1, nullptr, &waiting) < 0 ? -1 : ::read(fd, &c, 1);
        if (count == 1 && c != '\n')
            line->append(c);
        else if (count >= 0 || errno != EINTR)
            break;
    }
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    const bool gotLine = count == 1 || !line->isEmpty();
    if (line->endsWith('\r'))
        line->chop(1);
    return gotLine;
}
