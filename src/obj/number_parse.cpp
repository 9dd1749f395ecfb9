#include "obj/number_parse.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

namespace torvane {
namespace {

using plain_number::ApplySign;
using plain_number::kExactPowersOfTen;
constexpr int kMaxExactPowerOfTen = 22;

constexpr std::uint64_t kIntegerPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// Up to 19 decimal digits always fit in 64 bits (10^19 - 1 < 2^64).
constexpr std::ptrdiff_t kMaxFastDigits = 19;
// Integers up to 2^53 convert to double without rounding.
constexpr std::uint64_t kMaxExactMantissa = std::uint64_t{1} << 53;

// Exponents are only needed exactly while they could still matter; beyond
// this the value is certainly zero or infinite, and clamping keeps the
// arithmetic on them free of overflow whatever the digit count.
constexpr std::int64_t kExponentClamp = 1000000;

// White space exactly as isspace classifies it in the "C" locale; bytes
// above 0x7F (such as 0x85 or 0xA0) are not white space there.
inline bool IsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline unsigned DigitValue(char c)
{
    return static_cast<unsigned>(static_cast<unsigned char>(c)) - unsigned{'0'};
}

inline bool IsDigit(char c)
{
    return DigitValue(c) < 10;
}

// Appends the digits that bytes start with to mantissa; returns
// LeadingDigitBits of bytes.
inline unsigned AppendLeadingDigits(std::uint64_t bytes, std::uint64_t& mantissa)
{
    const unsigned bits = LeadingDigitBits(bytes);
    if (bits != 0)
        mantissa = mantissa * kIntegerPowersOfTen[bits / 8] + LeadingDigitsValue(bytes, bits);
    return bits;
}

// Appends the digits from p onwards to mantissa; returns the end of them.
// The mantissa wraps silently past 19 digits; callers count the digits and
// only trust the mantissa when there were few enough.
inline const char* AccumulateDigits(const char* p, const char* end, std::uint64_t& mantissa)
{
    for (; end - p >= 8; p += 8) {
        const unsigned bits = AppendLeadingDigits(LoadEightBytes(p), mantissa);
        if (bits < 64)
            return p + bits / 8;
    }
    for (; p != end && IsDigit(*p); ++p)
        mantissa = mantissa * 10 + DigitValue(*p);
    return p;
}

// AccumulateDigits in text that goes on to a byte that is not a digit.
inline const char* AccumulatePlainDigits(const char* p, std::uint64_t& mantissa)
{
    for (;; p += 8) {
        const unsigned bits = AppendLeadingDigits(LoadEightBytes(p), mantissa);
        if (bits < 64)
            return p + bits / 8;
    }
}

// The digits of "123", "123.45", ".45" or "123." at p, appended to mantissa
// (which wraps past 19 digits: callers check count): where they end, how
// many there are, and how many of them follow the point.
struct DecimalDigits {
    const char* end;
    std::ptrdiff_t count;
    std::ptrdiff_t fractionCount;
};

inline DecimalDigits AccumulateDecimal(const char* p, const char* end, std::uint64_t& mantissa)
{
    const char* const begin = p;
    p = AccumulateDigits(p, end, mantissa);
    const std::ptrdiff_t integerCount = p - begin;
    std::ptrdiff_t fractionCount = 0;
    if (p != end && *p == '.') {
        const char* const fractionBegin = ++p;
        p = AccumulateDigits(p, end, mantissa);
        fractionCount = p - fractionBegin;
    }
    return {p, integerCount + fractionCount, fractionCount};
}

inline bool IsHexDigit(char c)
{
    const unsigned lower = static_cast<unsigned char>(c) | 0x20u;
    return IsDigit(c) || (lower >= 'a' && lower <= 'f');
}

// Reads an optional exponent "<marker>[+-]digits" starting at p. The
// exponent belongs to the number only when at least one digit follows;
// otherwise ("1e", "1e+", "0x1p-") the token ends before the marker.
// Returns the end of the token and stores the clamped exponent.
const char* ReadExponent(const char* p, const char* end, char marker, std::int64_t& exponent)
{
    exponent = 0;
    if (p == end || (static_cast<unsigned char>(*p) | 0x20u) != static_cast<unsigned char>(marker)) {
        return p;
    }
    const char* q = p + 1;
    bool negative = false;
    if (q != end && (*q == '+' || *q == '-')) {
        negative = *q == '-';
        ++q;
    }
    if (q == end || !IsDigit(*q)) {
        return p;
    }
    std::int64_t value = 0;
    for (; q != end && IsDigit(*q); ++q) {
        if (value < kExponentClamp) {
            value = value * 10 + static_cast<std::int64_t>(DigitValue(*q));
        }
    }
    exponent = negative ? -value : value;
    return q;
}

inline bool MatchesWordIgnoringCase(const char* p, const char* end, const char* word)
{
    for (; *word != '\0'; ++word, ++p) {
        if (p == end || (static_cast<unsigned char>(*p) | 0x20u) != static_cast<unsigned char>(*word)) {
            return false;
        }
    }
    return true;
}

// No digits after the sign: only the words inf/infinity and nan/nan(...)
// still make a number. Reading three letters settles the value, since the
// longer spellings only extend the part that is consumed.
double ParseWordOrZero(const char* p, const char* end, bool negative)
{
    if (MatchesWordIgnoringCase(p, end, "inf")) {
        return ApplySign(std::numeric_limits<double>::infinity(), negative);
    }
    if (MatchesWordIgnoringCase(p, end, "nan")) {
        return std::copysign(std::numeric_limits<double>::quiet_NaN(), negative ? -1.0 : 1.0);
    }
    // Nothing converted: the C library gives +0 even after a "-".
    return 0.0;
}

// When the exact conversion reports a value out of range, it leaves the
// result untouched and only the side (overflow or underflow) is still
// unknown. The scale of the leading non-zero digit decides it: values that
// overflow are above 10^308 (2^1024) and values that underflow are below
// 10^-324 (2^-1075), so the sign of that scale is a safe test.
double OutOfRangeValue(std::int64_t leadingDigitScale)
{
    return leadingDigitScale > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

// "0x" seen after the sign; digits points just past it.
double ParseHex(const char* digits, const char* end, bool negative)
{
    const char* p = digits;
    // The leading non-zero hex digit is worth 16^(leadingScale - 1) before
    // the binary exponent is applied.
    std::int64_t leadingScale = 0;
    bool foundNonZero = false;

    const char* const integerBegin = p;
    while (p != end && IsHexDigit(*p)) {
        ++p;
    }
    for (const char* q = integerBegin; q != p; ++q) {
        if (*q != '0') {
            leadingScale = static_cast<std::int64_t>(p - q);
            foundNonZero = true;
            break;
        }
    }
    if (p != end && *p == '.') {
        ++p;
        const char* const fractionBegin = p;
        while (p != end && IsHexDigit(*p)) {
            ++p;
        }
        if (!foundNonZero) {
            for (const char* q = fractionBegin; q != p; ++q) {
                if (*q != '0') {
                    leadingScale = -static_cast<std::int64_t>(q - fractionBegin);
                    foundNonZero = true;
                    break;
                }
            }
        }
    }
    if (!foundNonZero) {
        // Also covers "0x" without hex digits: that is the number "0"
        // followed by junk.
        return ApplySign(0.0, negative);
    }
    const char* const mantissaEnd = p;
    std::int64_t binaryExponent = 0;
    const char* const tokenEnd = ReadExponent(mantissaEnd, end, 'p', binaryExponent);

    double value = 0.0;
    const std::from_chars_result result = std::from_chars(digits, tokenEnd, value, std::chars_format::hex);
    if (result.ec == std::errc::result_out_of_range) {
        const std::int64_t scale = std::max(std::min(leadingScale, kExponentClamp), -kExponentClamp);
        value = OutOfRangeValue(scale * 4 + binaryExponent);
    }
    return ApplySign(value, negative);
}

// Exact conversion for everything the fast path declines: long mantissas,
// large exponents, results near or beyond the ends of the double range.
double ParseDecimalExactly(const char* body, const char* mantissaEnd, const char* tokenEnd, bool negative)
{
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(body, tokenEnd, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // The leading non-zero digit is worth 10^(position - 1) before the
        // exponent is applied.
        std::int64_t position = 0;
        bool afterPoint = false;
        const char* pointPosition = mantissaEnd;
        for (const char* q = body; q != mantissaEnd; ++q) {
            if (*q == '.') {
                pointPosition = q;
                break;
            }
        }
        for (const char* q = body; q != mantissaEnd; ++q) {
            if (*q == '.') {
                afterPoint = true;
                continue;
            }
            if (*q != '0') {
                position = afterPoint ? -static_cast<std::int64_t>(q - pointPosition - 1)
                                      : static_cast<std::int64_t>(pointPosition - q);
                break;
            }
        }
        const std::int64_t leadingScale = std::max(std::min(position, kExponentClamp), -kExponentClamp);
        std::int64_t exponent = 0;
        ReadExponent(mantissaEnd, tokenEnd, 'e', exponent);
        value = OutOfRangeValue(leadingScale + exponent);
    }
    return ApplySign(value, negative);
}

// Skips leading white space and one sign. Signs come in random order in
// real data, so the sign is taken without a branch that could be
// mispredicted.
const char* SkipSpaceAndSign(const char* p, const char* end, bool& negative)
{
    while (p != end && IsSpace(*p)) {
        ++p;
    }
    if (p != end) {
        const char c = *p;
        negative = c == '-';
        p += static_cast<int>(negative) | static_cast<int>(c == '+');
    }
    return p;
}

}  // namespace

double ParseDoublePrefix(const char* begin, const char* end)
{
    bool negative = false;
    const char* p = SkipSpaceAndSign(begin, end, negative);
    const char* const body = p;
    if (end - p >= 2 && p[0] == '0' && (static_cast<unsigned char>(p[1]) | 0x20u) == 'x') {
        return ParseHex(p + 2, end, negative);
    }

    // Leading zeros count as digits here: the limit of 19 keeps the mantissa
    // exact either way, and long runs of them are rare enough for the exact
    // path.
    std::uint64_t mantissa = 0;
    const DecimalDigits digits = AccumulateDecimal(p, end, mantissa);
    p = digits.end;
    const std::ptrdiff_t digitCount = digits.count;
    const std::ptrdiff_t fractionDigits = digits.fractionCount;
    if (digitCount == 0) {
        return ParseWordOrZero(body, end, negative);
    }

    const char* const mantissaEnd = p;
    std::int64_t exponent = 0;
    const char* const tokenEnd = ReadExponent(mantissaEnd, end, 'e', exponent);

    const std::int64_t power = exponent - static_cast<std::int64_t>(fractionDigits);
    if (digitCount <= kMaxFastDigits && mantissa <= kMaxExactMantissa && power >= -kMaxExactPowerOfTen &&
        power <= kMaxExactPowerOfTen) {
        // Both operands are exact, so IEEE division or multiplication rounds
        // the true quotient or product once: the correctly rounded result.
        double value = static_cast<double>(mantissa);
        if (power < 0) {
            value /= kExactPowersOfTen[-power];
        } else {
            value *= kExactPowersOfTen[power];
        }
        return ApplySign(value, negative);
    }
    return ParseDecimalExactly(body, mantissaEnd, tokenEnd, negative);
}

namespace plain_number {

const char* ParseLongPlainDecimal(const char* digits, bool negative, double* value)
{
    std::uint64_t mantissa = 0;
    const char* p = AccumulatePlainDigits(digits, mantissa);
    const std::ptrdiff_t integerCount = p - digits;
    std::ptrdiff_t fractionCount = 0;
    if (*p == '.') {
        const char* const fractionBegin = ++p;
        p = AccumulatePlainDigits(p, mantissa);
        fractionCount = p - fractionBegin;
    }
    const std::ptrdiff_t count = integerCount + fractionCount;
    if (count == 0 || count > kMaxFastDigits || mantissa > kMaxExactMantissa || !EndsPlainToken(*p))
        return nullptr;
    *value = ApplySign(static_cast<double>(mantissa) / kExactPowersOfTen[fractionCount], negative);
    return p;
}

}  // namespace plain_number

std::int32_t ParseIntPrefix(const char* begin, const char* end)
{
    bool negative = false;
    const char* p = SkipSpaceAndSign(begin, end, negative);
    while (p != end && *p == '0')
        ++p;
    std::uint64_t magnitude = 0;
    const char* const digitsEnd = AccumulateDigits(p, end, magnitude);
    // Ten significant digits always fit the 64 bits; more are beyond the
    // int32 range whatever the (wrapped) mantissa says.
    constexpr std::ptrdiff_t kMostExactDigits = 10;
    if (digitsEnd - p > kMostExactDigits)
        magnitude = std::numeric_limits<std::uint64_t>::max();
    if (negative) {
        if (magnitude >= (std::uint64_t{1} << 31)) {
            return std::numeric_limits<std::int32_t>::min();
        }
        return -static_cast<std::int32_t>(magnitude);
    }
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(magnitude);
}

}  // namespace torvane
