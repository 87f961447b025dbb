#include "generator/passwordgenerator.h"

#include <cmath>

namespace {

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

} // namespace

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
