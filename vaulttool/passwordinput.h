#ifndef PM_PASSWORDINPUT_H
#define PM_PASSWORDINPUT_H

#include <QByteArray>
#include <QString>

// Reads the master password as one line, without its line break, and makes
// of it the bytes that the master password dialog makes of the same text.
class PasswordInput
{
public:
    // Far more than the dialog's 32,767 characters take in UTF-8; a longer
    // line is read no further.
    static constexpr int longestLine = 128 * 1024;

    // From the controlling terminal, not echoed. Stopped at the prompt, the
    // terminal echoes again; continued, the prompt starts anew. False where
    // there is no terminal, or the input ends before anything was typed.
    static bool fromTerminal(const QByteArray &prompt, QByteArray *line, QString *error = nullptr);
    // False when standard input ends before anything was read.
    static bool fromStandardInput(QByteArray *line);
    // The line as UTF-8 text; refused where it is not, or holds a zero byte
    // that would cut the password short, or is longer than longestLine. The
    // refusal calls the password by the name given.
    static bool passwordBytes(const QByteArray &line, QByteArray *bytes, QString *error,
                              const QString &name = QStringLiteral("the master password"));

private:
    // The prompt is shown again where the program was continued meanwhile.
    static bool readLine(int fd, QByteArray *line, const QByteArray &prompt = QByteArray());
};

#endif // PM_PASSWORDINPUT_H
