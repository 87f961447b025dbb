#ifndef PM_PASSWORDGENERATOR_H
#define PM_PASSWORDGENERATOR_H

#include <QByteArray>
#include <QString>

// Every construction seeds the global pseudo-random generator with the whole
// seconds since midnight, so generators made within the same second with the
// same settings give the same password.
class PasswordGenerator
{
public:
    PasswordGenerator();
    PasswordGenerator(bool useNumber, bool useChar, bool useSpecialChar, bool useUpperChar, int length);

    void setUseNumber(bool on);
    void setUseChar(bool on);
    void setUseSpecialChar(bool on);
    void setUseUpperChar(bool on);
    void setLength(int length);

    // Empty when no class is on or the length is 0 or less; at most 4,096
    // characters.
    QString generate() const;

    char randomNumber() const;
    char randomChar() const;
    char randomUpperChar() const;
    char randomSpecialChar() const;

private:
    bool useNumber;
    bool useChar;
    bool useSpecialChar;
    bool useUpperChar;
    int length;
    QByteArray specialChars;
};

// Draws R (0..32767) from the global generator and returns valueInRange(R, first, second).
int randomInRange(int first, int second);

// For first < second: second itself for r = 0, and for r from 1 to 32767 a
// value from second - 1 down to first, each about equally often.
int valueInRange(int r, int first, int second);

// R (0..32767) for one value of qrand(), or -1 when that value is skipped
// so that every R is equally likely.
int drawFromQrandValue(int value);

#endif // PM_PASSWORDGENERATOR_H
