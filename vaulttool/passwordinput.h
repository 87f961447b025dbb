#ifndef PM_PASSWORDINPUT_H
#define PM_PASSWORDINPUT_H

#include <QByteArray>

// Reads the master password as one line, without its line break.
class PasswordInput
{
public:
    // From the controlling terminal, not echoed; false without a terminal.
    static bool fromTerminal(const QByteArray &prompt, QByteArray *line);
    // False when standard input ends before anything was read.
    static bool fromStandardInput(QByteArray *line);

private:
    static bool readLine(int fd, QByteArray *line);
    static void restoreEchoAndDie(int signalNumber);
};

#endif // PM_PASSWORDINPUT_H
