#ifndef PASSWORDGENERATOR_H
#define PASSWORDGENERATOR_H

#include <QtGlobal>

// Draws R (0..32767) from the global generator and returns valueInRange(R, first, second).
int randomInRange(int first, int second);

// For first < second: second itself for r = 0, and for r from 1 to 32767 a
// value from second - 1 down to first, each about equally often.
int valueInRange(int r, int first, int second);

// R (0..32767) for one value of qrand(), or -1 when that value is skipped
// so that every R is equally likely.
int drawFromQrandValue(int value);

#endif // PASSWORDGENERATOR_H
