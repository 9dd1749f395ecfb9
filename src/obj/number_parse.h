#pragma once

#include <cstddef>
#include <cstdint>

#include "obj/digit_chunks.h"

namespace torvane {

// The value that the C library's atof gives for the text [begin, end) in the
// "C" locale: leading white space skipped, optional sign, the longest valid
// prefix of a decimal or hexadecimal floating-point number, "inf",
// "infinity" or "nan" in any letter case; 0 when there is no such prefix.
// Overflow gives infinity, underflow the correctly rounded tiny value or
// zero. The text need not be terminated: nothing at or past end is read.
double ParseDoublePrefix(const char* begin, const char* end);

// atof rounded to the nearest float, as a vertex coordinate is stored.
inline float ParseFloatPrefix(const char* begin, const char* end)
{
    return static_cast<float>(ParseDoublePrefix(begin, end));
}

// The value that atoi gives for [begin, end): leading white space, optional
// sign, decimal digits; 0 when there are none. Values beyond the int32
// range saturate to INT32_MIN or INT32_MAX (the C library leaves overflow
// undefined; saturating keeps a huge index huge instead of wrapping it
// into a valid one).
std::int32_t ParseIntPrefix(const char* begin, const char* end);

// The plain readers below are for a reader that has not cut its text into
// tokens. They read without an end: the token must be followed, at the
// latest, by a byte that cannot continue it (the reader's text ends in a
// NUL byte), and they may read up to kPlainReadReach bytes from any byte
// up to that one.
inline constexpr std::size_t kPlainReadReach = 16;

// Whether c ends a token of a line: a space or a line end ("\n", or the
// "\r" of "\r\n").
inline bool EndsPlainToken(char c)
{
    return c == ' ' || c == '\n' || c == '\r';
}

namespace plain_number {

// Every power of ten up to 10^22 is exact in a double, which is what makes
// a single division by one of them correctly rounded.
inline constexpr double kExactPowersOfTen[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};

// The value negated when negative, without a branch, since signs come in
// random order in real data. Multiplying by -1 is exact and gives -0.0 for
// a zero, and it keeps the value in the floating-point registers: flipping
// its sign bit in an integer register and storing it from there stalled
// the later loads of the value, which made reading vertex lines 2.5 times
// slower.
inline double ApplySign(double value, bool negative)
{
    constexpr double kSigns[] = {1.0, -1.0};
    return value * kSigns[static_cast<int>(negative)];
}

// ParsePlainDecimal for numbers of more than eight digits, digits at the
// unsigned number's start.
const char* ParseLongPlainDecimal(const char* digits, bool negative, double* value);

}  // namespace plain_number

// The common case of ParseDoublePrefix: a number written plainly at p, that
// is an optional "-", decimal digits and optionally "." and more digits (at
// least one digit in all, at most 19), with no exponent and no leading
// white space, and ended by a space or a line end (see EndsPlainToken).
// Returns where the number ends and stores the value atof gives for it;
// returns nullptr, storing nothing, for any other text at p.
inline const char* ParsePlainDecimal(const char* p, double* value)
{
    const bool negative = *p == '-';
    p += static_cast<int>(negative);
    const std::uint64_t head = LoadEightBytes(p);
    // "%.6f" writes every value from -9.999999 to 9.999999 (every normal and
    // texture coordinate) as "d.dddddd": that shape is checked in one step,
    // each byte against its range, and valued as seven digits.
    constexpr std::uint64_t kShapeLowest = 0x3030303030302E30u;   // "0.000000", the first byte lowest
    constexpr std::uint64_t kShapeHighest = 0x3939393939392E39u;  // "9.999999"
    const std::uint64_t shapeDigits = head - kShapeLowest;
    if ((((kShapeHighest - head) | shapeDigits) & 0x8080808080808080u) == 0 && EndsPlainToken(p[8])) {
        // The point's byte is now 0: the first digit moves into it.
        const std::uint64_t digits = shapeDigits + (shapeDigits & 0xFFu) * 0xFFu;
        *value = plain_number::ApplySign(static_cast<double>(EightDigitsValue(digits)) / 1e6, negative);
        return p + 8;
    }
    const unsigned integerBits = LeadingDigitBits(head);
    if (integerBits == 64)
        return plain_number::ParseLongPlainDecimal(p, negative, value);
    // With the digits after a point moved down over it, the integer and
    // fraction digits make one run; without a point the run is the integer.
    const bool point = ((head >> integerBits) & 0xFFu) == '.';
    const std::uint64_t integerPart = (std::uint64_t{1} << integerBits) - 1;
    const std::uint64_t joined = (head & integerPart) | (LoadEightBytes(p + static_cast<int>(point)) & ~integerPart);
    const unsigned digitBits = LeadingDigitBits(joined);
    const char* const end = p + static_cast<int>(point) + digitBits / 8;
    if (digitBits == 64 && static_cast<unsigned char>(*end - '0') < 10)
        return plain_number::ParseLongPlainDecimal(p, negative, value);
    if (digitBits == 0 || !EndsPlainToken(*end))
        return nullptr;
    // At most eight digits: the mantissa and the power of ten are exact, so
    // the division rounds once, correctly.
    const auto mantissa = static_cast<double>(LeadingDigitsValue(joined, digitBits));
    *value =
        plain_number::ApplySign(mantissa / plain_number::kExactPowersOfTen[(digitBits - integerBits) / 8], negative);
    return end;
}

// A run of one to eight decimal digits at p, as in the index fields of a
// face: returns where the digits end and stores their value; nullptr when
// there is no digit at p or more than eight follow.
inline const char* ParseShortDigits(const char* p, std::uint32_t* value)
{
    const std::uint64_t bytes = LoadEightBytes(p);
    const unsigned bits = LeadingDigitBits(bytes);
    if (bits - 8 > 48 && (bits == 0 || static_cast<unsigned char>(p[8] - '0') < 10))
        return nullptr;
    *value = static_cast<std::uint32_t>(LeadingDigitsValue(bytes, bits));
    return p + bits / 8;
}

}  // namespace torvane
