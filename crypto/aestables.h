#ifndef PM_AESTABLES_H
#define PM_AESTABLES_H

#include <array>
#include <cstddef>

// The cipher's eight byte tables of 256 entries each, one after another in a
// single array. The compiler works them out, so the program carries them as
// read-only data and never builds them at run time.
namespace AesTables {

constexpr std::size_t tableSize = 256;

// Where each table starts in the array.
enum Offset : std::size_t {
    times14 = 0 * tableSize,
    times13 = 1 * tableSize,
    times11 = 2 * tableSize,
    times9 = 3 * tableSize,
    sboxTimes3 = 4 * tableSize,
    sboxTimes2 = 5 * tableSize,
    invSbox = 6 * tableSize,
    sbox = 7 * tableSize,
};

namespace detail {

// Product in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr unsigned multiply(unsigned a, unsigned b)
{
    unsigned product = 0;
    for (; b != 0; b >>= 1) {
        if (b & 1)
            product ^= a;
        a <<= 1;
        if (a & 0x100)
            a ^= 0x11b;
    }
    return product;
}

// x^254 is the multiplicative inverse of x, and maps 0 to 0 as the S-box needs.
constexpr unsigned inverse(unsigned x)
{
    unsigned result = 1;
    for (unsigned exponent = 254; exponent != 0; exponent >>= 1) {
        if (exponent & 1)
            result = multiply(result, x);
        x = multiply(x, x);
    }
    return result;
}

constexpr unsigned rotateLeft(unsigned byte, int bits)
{
    return ((byte << bits) | (byte >> (8 - bits))) & 0xff;
}

constexpr unsigned substitute(unsigned x)
{
    const unsigned b = inverse(x);
    return b ^ rotateLeft(b, 1) ^ rotateLeft(b, 2) ^ rotateLeft(b, 3) ^ rotateLeft(b, 4) ^ 0x63;
}

constexpr std::array<unsigned char, 8 * tableSize> build()
{
    std::array<unsigned char, 8 * tableSize> tables{};
    for (unsigned x = 0; x < tableSize; ++x) {
        const unsigned s = substitute(x);
        tables[times14 + x] = static_cast<unsigned char>(multiply(14, x));
        tables[times13 + x] = static_cast<unsigned char>(multiply(13, x));
        tables[times11 + x] = static_cast<unsigned char>(multiply(11, x));
        tables[times9 + x] = static_cast<unsigned char>(multiply(9, x));
        tables[sboxTimes3 + x] = static_cast<unsigned char>(multiply(3, s));
        tables[sboxTimes2 + x] = static_cast<unsigned char>(multiply(2, s));
        tables[invSbox + s] = static_cast<unsigned char>(x);
        tables[sbox + x] = static_cast<unsigned char>(s);
    }
    return tables;
}

} // namespace detail

inline constexpr std::array<unsigned char, 8 * tableSize> all = detail::build();

} // namespace AesTables

#endif // PM_AESTABLES_H
