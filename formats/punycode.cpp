// Punycode: the xn-- labels of a host name decoded to Unicode.

#include "formats/punycode.h"

#include <QVector>

#include <limits>

namespace {
constexpr quint32 base = 36;
constexpr quint32 tMin = 1;
constexpr quint32 tMax = 26;
constexpr quint32 skew = 38;
constexpr quint32 damp = 700;
constexpr quint32 initialBias = 72;
constexpr quint32 initialN = 128;
constexpr quint32 maxInt = std::numeric_limits<quint32>::max();

// 0 to 35, or base where the character is no digit.
quint32 digitOf(ushort c)
{
    if (c >= 'a' && c <= 'z')
        return c - 'a';
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= '0' && c <= '9')
        return c - '0' + 26;
    return base;
}

quint32 adapt(quint32 delta, quint32 points, bool first)
{
    delta = first ? delta / damp : delta / 2;
    delta += delta / points;
    quint32 k = 0;
    while (delta > ((base - tMin) * tMax) / 2) {
        delta /= base - tMin;
        k += base;
    }
    return k + (base - tMin + 1) * delta / (delta + skew);
}

bool fail(const char *why, QString *error)
{
    *error = QString::fromLatin1(why);
    return false;
}
}

bool Punycode::decode(const QString &encoded, QString *decoded, QString *error)
{
    const int delimiter = encoded.lastIndexOf(QLatin1Char('-'));
    QVector<uint> output;
    for (int at = 0; at < delimiter; ++at)
        output << encoded.at(at).unicode();
    quint32 n = initialN;
    quint32 i = 0;
    quint32 bias = initialBias;
    for (int in = delimiter > 0 ? delimiter + 1 : 0; in < encoded.size();) {
        const quint32 oldI = i;
        quint32 w = 1;
        for (quint32 k = base;; k += base) {
            if (in >= encoded.size())
                return fail("the text ends inside a number", error);
            const quint32 digit = digitOf(encoded.at(in++).unicode());
            if (digit >= base)
                return fail("a character is not a Punycode digit", error);
            if (digit > (maxInt - i) / w)
                return fail("a number overflows", error);
            i += digit * w;
            const quint32 t = k <= bias ? tMin : k >= bias + tMax ? tMax : k - bias;
            if (digit < t)
                break;
            if (w > maxInt / (base - t))
                return fail("a number overflows", error);
            w *= base - t;
        }
        const quint32 points = quint32(output.size()) + 1;
        bias = adapt(i - oldI, points, oldI == 0);
        if (i / points > maxInt - n)
            return fail("a number overflows", error);
        n += i / points;
        i %= points;
        if ((n >= 0xD800 && n <= 0xDFFF) || n > 0x10FFFF)
            return fail("a decoded number is no character", error);
        output.insert(int(i), n);
        ++i;
    }
    *decoded = QString::fromUcs4(output.constData(), output.size());
    return true;
}
