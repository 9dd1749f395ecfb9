#include "output/float_format.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace torvane {
namespace {

constexpr char kDigitPairs[] = "00010203040506070809"
                               "10111213141516171819"
                               "20212223242526272829"
                               "30313233343536373839"
                               "40414243444546474849"
                               "50515253545556575859"
                               "60616263646566676869"
                               "70717273747576777879"
                               "80818283848586878889"
                               "90919293949596979899";

constexpr std::uint64_t kMicrosPerUnit = 1000000;

// A float is m * 2^e with m < 2^24. With e <= 20 the scaled value
// m * 2^e * 10^6 stays below 2^44 * 10^6 < 2^64, so every float up to 2^44
// is formatted with 64-bit integers alone; larger ones are integers that
// take the general route.
constexpr int kMaxFastBinaryExponent = 20;

// With a shift of 45 or more, m * 10^6 < 2^44 is below half of 2^shift, so
// the scaled value rounds to zero.
constexpr int kShiftRoundingToZero = 45;

char* WriteIntegerPart(char* out, std::uint64_t value)
{
    char scratch[20];
    char* digits = scratch + sizeof scratch;
    while (value >= 100) {
        const std::uint64_t quotient = value / 100;
        digits -= 2;
        std::memcpy(digits, kDigitPairs + 2 * (value - quotient * 100), 2);
        value = quotient;
    }
    if (value >= 10) {
        digits -= 2;
        std::memcpy(digits, kDigitPairs + 2 * value, 2);
    } else {
        *--digits = static_cast<char>('0' + value);
    }
    const std::size_t length = static_cast<std::size_t>(scratch + sizeof scratch - digits);
    std::memcpy(out, digits, length);
    return out + length;
}

// The point and six digits of fraction (below 10^6) as eight bytes in text
// order, the last one spare: the three pairs of digits are split into tens
// and ones in 16-bit lanes, all at once.
inline std::uint64_t PointAndSixDigits(std::uint32_t fraction)
{
    const std::uint64_t high = fraction / 10000;
    const std::uint64_t rest = fraction - high * 10000;
    const std::uint64_t middle = rest / 100;
    const std::uint64_t pairs = high | middle << 16 | (rest - middle * 100) << 32;
    // x * 103 >> 10 is x / 10 for every x below 100, and stays in its lane.
    const std::uint64_t tens = (pairs * 103) >> 10 & 0x0000000F000F000Fu;
    const std::uint64_t digits = tens | (pairs - tens * 10) << 8;
    return (digits | 0x0000303030303030u) << 8 | '.';
}

// The value m * 2^e times 10^6, rounded half to even: the last printed
// digit. Signs and roundings vary from one coordinate to the next, so they
// are applied without branches that would be mispredicted half the time.
inline std::uint64_t RoundedMicros(std::uint64_t mantissa, int binaryExponent)
{
    if (binaryExponent >= 0)
        return (mantissa << binaryExponent) * kMicrosPerUnit;
    const int shift = -binaryExponent;
    if (shift >= kShiftRoundingToZero)
        return 0;
    const std::uint64_t scaled = mantissa * kMicrosPerUnit;
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    const std::uint64_t remainder = scaled & ((half << 1) - 1);
    std::uint64_t micros = scaled >> shift;
    micros += static_cast<std::uint64_t>(remainder > half) | (static_cast<std::uint64_t>(remainder == half) & micros);
    return micros;
}

// Models are mostly scaled to units, so one integer digit is the rule and
// the branch on it is well predicted.
inline char* WriteUnits(char* out, std::uint64_t units)
{
    if (units < 10) {
        *out = static_cast<char>('0' + units);
        return out + 1;
    }
    if (units < 100) {
        std::memcpy(out, kDigitPairs + 2 * units, 2);
        return out + 2;
    }
    return WriteIntegerPart(out, units);
}

}  // namespace

char* FormatFixed6(float value, char* out)
{
    std::uint32_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);

    const std::uint32_t biasedExponent = (bits >> 23) & 0xFFu;
    const std::uint32_t fraction = bits & 0x7FFFFFu;
    // Subnormals share the exponent of the smallest normal numbers.
    const int binaryExponent = biasedExponent == 0 ? -149 : static_cast<int>(biasedExponent) - 150;
    if (binaryExponent > kMaxFastBinaryExponent) {
        // Huge values, infinity and NaN: rare enough for the general
        // formatter, which prints fixed notation exactly as printf does.
        return std::to_chars(out, out + kFixed6MaxLength, static_cast<double>(value), std::chars_format::fixed, 6).ptr;
    }
    const std::uint64_t mantissa = biasedExponent == 0 ? fraction : (fraction | 0x800000u);
    const std::uint64_t micros = RoundedMicros(mantissa, binaryExponent);

    // printf shows the sign of every negative value, also of -0.0 and of
    // values that round to zero.
    *out = '-';
    out += bits >> 31;
    const std::uint64_t units = micros / kMicrosPerUnit;
    const auto fractionDigits = static_cast<std::uint32_t>(micros - units * kMicrosPerUnit);
    out = WriteUnits(out, units);
    // The first character is the lowest byte: one store where that is the
    // machine's order, byte by byte elsewhere.
    const std::uint64_t text = PointAndSixDigits(fractionDigits);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &text, sizeof text);
    } else {
        for (int i = 0; i < 8; ++i)
            out[i] = static_cast<char>(text >> (8 * i));
    }
    return out + 7;
}

}  // namespace torvane
