// Random passwords from the character classes the window's check boxes choose.

#include "generator/passwordgenerator.h"

#include <QTime>

#include <cmath>

namespace {

const int maxLength = 4096;

int nextDraw()
{
    int r;
    do {
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        r = drawFromQrandValue(qrand());
        QT_WARNING_POP
    } while (r < 0);
    return r;
}

void seedFromTimeOfDay()
{
    const int seconds = QTime(0, 0, 0, 0).secsTo(QTime::currentTime());
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    qsrand(static_cast<uint>(seconds));
    QT_WARNING_POP
}

// R = 0 would give count itself, one past the end; drawing again keeps
// every index in 0..count - 1 and equally likely.
int randomIndex(int count)
{
    int r;
    do
        r = nextDraw();
    while (r == 0);
    return valueInRange(r, 0, count);
}

} // namespace

PasswordGenerator::PasswordGenerator()
    : PasswordGenerator(true, true, false, true, 6)
{
}

PasswordGenerator::PasswordGenerator(bool useNumber, bool useChar, bool useSpecialChar, bool useUpperChar, int length)
    : useNumber(useNumber)
    , useChar(useChar)
    , useSpecialChar(useSpecialChar)
    , useUpperChar(useUpperChar)
    , length(length)
    , specialChars("!@#$%^&*()_+=-<>?.,;:{}")
{
    seedFromTimeOfDay();
}

void PasswordGenerator::setUseNumber(bool on)
{
    useNumber = on;
}

void PasswordGenerator::setUseChar(bool on)
{
    useChar = on;
}

void PasswordGenerator::setUseSpecialChar(bool on)
{
    useSpecialChar = on;
}

void PasswordGenerator::setUseUpperChar(bool on)
{
    useUpperChar = on;
}

void PasswordGenerator::setLength(int length)
{
    this->length = length;
}

QString PasswordGenerator::generate() const
{
    using Producer = char (PasswordGenerator::*)() const;
    Producer producers[4] = {};
    int count = 0;
    if (useNumber)
        producers[count++] = &PasswordGenerator::randomNumber;
    if (useChar)
        producers[count++] = &PasswordGenerator::randomChar;
    if (useUpperChar)
        producers[count++] = &PasswordGenerator::randomUpperChar;
    if (useSpecialChar)
        producers[count++] = &PasswordGenerator::randomSpecialChar;

    if (count == 0 || length <= 0)
        return QString();
    const int characters = qMin(length, maxLength);
    QString password;
    password.reserve(characters);
    for (int i = 0; i < characters; ++i) {
        const Producer producer = producers[randomIndex(count)];
        password.append(QLatin1Char((this->*producer)()));
    }
    return password;
}

char PasswordGenerator::randomNumber() const
{
    return static_cast<char>(randomInRange('0', '9'));
}

char PasswordGenerator::randomChar() const
{
    return static_cast<char>(randomInRange('a', 'z'));
}

char PasswordGenerator::randomUpperChar() const
{
    return static_cast<char>(randomInRange('A', 'Z'));
}

char PasswordGenerator::randomSpecialChar() const
{
    return specialChars.at(randomIndex(specialChars.size()));
}

int randomInRange(int first, int second)
{
    return valueInRange(nextDraw(), first, second);
}

int valueInRange(int r, int first, int second)
{
    const double span = static_cast<double>(first) - second;
    return static_cast<int>(second + std::floor(r / 32767.0 * span));
}

// qrand() is std::minstd_rand here: 1..2147483646, never 0 or 2^31 - 1, so
// the top 15 bits alone would make R = 0 and R = 32767 one value short.
// Skipping every value whose low 16 bits are all zeros or all ones leaves
// each R exactly 65,534 values (and would do the same for 0..2^31 - 1).
int drawFromQrandValue(int value)
{
    const int low = value & 0xffff;
    if (low == 0 || low == 0xffff)
        return -1;
    return value >> 16;
}
