#include "output/float_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "output/decimal_digits.h"

namespace torvane {
namespace {

constexpr std::uint32_t kMicrosPerUnit = 1000000;

// Magnitudes as bits, with the sign cleared. From 2^-21 to below 128 lie
// the usual coordinates, of one or two integer digits (three from 100 up),
// which take the shortest route. Below 2^-21, under half a millionth, every
// value prints as zero, as the many zero coordinates do.
constexpr std::uint32_t kRoundsToZeroBits = 0x35000000u;
constexpr std::uint32_t kUsualLimitBits = 0x43000000u;

// In the usual range the magnitude times 2^43 is below 2^50, so the value in
// millionths times 2^37, (magnitude * 2^43) * 15625, fits in 64 bits. The
// multiplication by 2^43 is exact, and so is the conversion to an integer
// from 2^-20 up (a float is m * 2^e with m < 2^24, and there e >= -43).
// Between 2^-21 and 2^-20 it drops the last bit, m * 2^-44 becoming
// floor(m / 2) * 2^-43; those values print as 0 or 1 millionth, and the
// drop moves none across half a millionth: the least m above it is
// 8796094 on both counts.
constexpr float kFixedPointScale = 0x1p43f;
constexpr std::uint64_t kMicrosPerUnitOverPowerOfTwo = 15625;
constexpr int kMicrosShift = 37;

// With a larger binary exponent a float is an integer of 2^44 or more,
// beyond the integers these routes print.
constexpr int kMaxBinaryExponent = 20;

// scaled / 2^shift rounded half to even, as printf rounds: adding one less
// than half, and one more where the truncated quotient is odd, carries a
// remainder of exactly half to the even neighbour and only there.
inline std::uint64_t RoundHalfToEven(std::uint64_t scaled, int shift)
{
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    const std::uint64_t odd = scaled >> shift & 1;
    return (scaled + (half - 1) + odd) >> shift;
}

// A magnitude in the usual range in millionths, rounded.
inline std::uint32_t UsualMicros(float magnitude)
{
    const auto fixed = static_cast<std::uint64_t>(static_cast<std::int64_t>(magnitude * kFixedPointScale));
    return static_cast<std::uint32_t>(RoundHalfToEven(fixed * kMicrosPerUnitOverPowerOfTwo, kMicrosShift));
}

char* PutPointAndSixDigits(char* out, std::uint32_t fraction)
{
    *out = '.';
    out = PutInnerGroup(out + 1, fraction / 1000);
    return PutInnerGroup(out, fraction % 1000);
}

// Integer parts from 128 up reach 2^44, beyond 32 bits.
char* PutIntegerPart(char* out, std::uint64_t units)
{
    constexpr std::uint32_t kBillion = 1000000000;
    if (units < kBillion)
        return PutDecimal(out, static_cast<std::uint32_t>(units));
    const auto low = static_cast<std::uint32_t>(units % kBillion);
    out = PutDecimal(out, static_cast<std::uint32_t>(units / kBillion));
    out = PutInnerGroup(out, low / 1000000);
    out = PutInnerGroup(out, low / 1000 % 1000);
    return PutInnerGroup(out, low % 1000);
}

// Values from 128 up, infinity and NaN.
char* FormatLarge(float value, std::uint32_t bits, char* out)
{
    const int binaryExponent = static_cast<int>(bits >> 23 & 0xFFu) - 150;
    if (binaryExponent > kMaxBinaryExponent) {
        // Huge values, infinity and NaN: rare enough for the general
        // formatter, which prints fixed notation exactly as printf does.
        return std::to_chars(out, out + kFixed6MaxLength, static_cast<double>(value), std::chars_format::fixed, 6).ptr;
    }
    *out = '-';
    out += bits >> 31;
    const std::uint64_t mantissa = (bits & 0x7FFFFFu) | 0x800000u;
    if (binaryExponent >= 0) {
        out = PutIntegerPart(out, mantissa << binaryExponent);
        return PutPointAndSixDigits(out, 0);
    }
    // From 128 up the exponent is at least -16, so the product fits in 64
    // bits.
    const std::uint64_t micros = RoundHalfToEven(mantissa * kMicrosPerUnit, -binaryExponent);
    out = PutIntegerPart(out, micros / kMicrosPerUnit);
    return PutPointAndSixDigits(out, static_cast<std::uint32_t>(micros % kMicrosPerUnit));
}

// Values outside the usual range: those that print as zero, and those
// from 128 up.
char* FormatUnusual(float value, std::uint32_t bits, char* out)
{
    if ((bits & 0x7FFFFFFFu) >= kRoundsToZeroBits)
        return FormatLarge(value, bits, out);
    *out = '-';
    out += bits >> 31;
    std::memcpy(out, "0.000000", 8);
    return out + 8;
}

}  // namespace

char* FormatFixed6(float value, char* out)
{
    std::uint32_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    if ((bits & 0x7FFFFFFFu) - kRoundsToZeroBits >= kUsualLimitBits - kRoundsToZeroBits)
        return FormatUnusual(value, bits, out);
    // printf shows the sign of every negative value, also of -0.0 and of
    // values that round to zero. The sign varies from one coordinate to the
    // next, so it costs no branch.
    *out = '-';
    out += bits >> 31;
    const std::uint32_t micros = UsualMicros(std::fabs(value));
    out = PutLeadingGroup(out, micros / kMicrosPerUnit);
    return PutPointAndSixDigits(out, micros % kMicrosPerUnit);
}

}  // namespace torvane
