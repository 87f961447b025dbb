#include "vaulttool/passwordinput.h"

#include "vault/storedsecret.h"

#include <QTextCodec>

#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
int terminal = -1;
struct termios echoedAttributes;
constexpr int endingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
}

bool PasswordInput::fromTerminal(const QByteArray &prompt, QByteArray *line)
{
    terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (terminal < 0)
        return false;
    bool gotLine = false;
    if (::tcgetattr(terminal, &echoedAttributes) == 0) {
        // Interrupted with echo off, the shell would be left typing blind.
        for (const int signalNumber : endingSignals)
            std::signal(signalNumber, restoreEchoAndDie);
        struct termios silent = echoedAttributes;
        silent.c_lflag &= ~tcflag_t(ECHO);
        silent.c_lflag |= ECHONL;
        // Silent before the prompt shows: whatever is typed once it is seen
        // must not be echoed.
        if (::tcsetattr(terminal, TCSAFLUSH, &silent) == 0
            && ::write(terminal, prompt.constData(), size_t(prompt.size())) == prompt.size())
            gotLine = readLine(terminal, line);
        ::tcsetattr(terminal, TCSAFLUSH, &echoedAttributes);
        for (const int signalNumber : endingSignals)
            std::signal(signalNumber, SIG_DFL);
    }
    ::close(terminal);
    terminal = -1;
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

bool PasswordInput::readLine(int fd, QByteArray *line)
{
    // A byte at a time, so that nothing after the line is taken from the input.
    char c;
    ssize_t count = 0;
    while (line->size() <= longestLine && (count = ::read(fd, &c, 1)) == 1 && c != '\n')
        line->append(c);
    const bool gotLine = count == 1 || !line->isEmpty();
    if (line->endsWith('\r'))
        line->chop(1);
    return gotLine;
}

void PasswordInput::restoreEchoAndDie(int signalNumber)
{
    ::tcsetattr(terminal, TCSAFLUSH, &echoedAttributes);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}
