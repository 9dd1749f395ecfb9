#pragma once

#include <cstdint>

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

// The common case of ParseDoublePrefix, for a reader that has not cut the
// text into tokens: a number written plainly at p, that is an optional "-",
// decimal digits and optionally "." and more digits (at least one digit in
// all, at most 19), with no exponent and no leading white space. Returns
// where the number ends and stores the value atof gives for it; returns
// nullptr, storing nothing, when the text at p does not start that way.
// Bytes up to end may be read; the number ends at the first byte that
// cannot continue it, so end may lie past the end of the token.
const char* ParsePlainDecimal(const char* p, const char* end, double* value);

// A run of one to nine decimal digits at p, as in the index fields of a
// face: returns where the digits end and stores their value; nullptr when
// there is no digit at p or more than nine follow. Bytes up to end may be
// read.
const char* ParseShortDigits(const char* p, const char* end, std::uint32_t* value);

// The value that atoi gives for [begin, end): leading white space, optional
// sign, decimal digits; 0 when there are none. Values beyond the int32
// range saturate to INT32_MIN or INT32_MAX (the C library leaves overflow
// undefined; saturating keeps a huge index huge instead of wrapping it
// into a valid one).
std::int32_t ParseIntPrefix(const char* begin, const char* end);

}  // namespace torvane
