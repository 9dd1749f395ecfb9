// printf("%.6f") of the value widened to double is the reference; every
// case compares the exact bytes.
#include "output/float_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TORVANE_FORMAT_TESTS_QUICK 1
#endif
#endif
#if defined(TORVANE_QUICK_TESTS) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) ||                   \
    !defined(__OPTIMIZE__)
#define TORVANE_FORMAT_TESTS_QUICK 1
#endif

namespace torvane {
namespace {

#if defined(TORVANE_FORMAT_TESTS_QUICK)
constexpr std::uint32_t kVolume = 1;
#else
constexpr std::uint32_t kVolume = 10;
#endif

float FloatFromBits(std::uint32_t bits)
{
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string Formatted(float value)
{
    char text[kFixed6MaxLength];
    const char* const end = FormatFixed6(value, text);
    return std::string(text, static_cast<std::size_t>(end - text));
}

// Counts mismatches and reports the first few, so that a systematic fault
// does not flood the log.
class PrintfComparison {
public:
    void Check(float value)
    {
        char expected[128];
        const int expectedLength = std::snprintf(expected, sizeof expected, "%.6f", static_cast<double>(value));
        char actual[kFixed6MaxLength];
        const char* const end = FormatFixed6(value, actual);
        const auto actualLength = end - actual;
        ++checked_;
        if (actualLength != expectedLength ||
            std::memcmp(actual, expected, static_cast<std::size_t>(expectedLength)) != 0) {
            if (++mismatches_ <= 10) {
                ADD_FAILURE() << "value " << std::hexfloat << value << ": got \""
                              << std::string(actual, static_cast<std::size_t>(actualLength)) << "\", printf gives \""
                              << expected << "\"";
            }
        }
    }

    void CheckBothSigns(float value)
    {
        Check(value);
        Check(-value);
    }

    void CheckNeighbours(float value, int radius)
    {
        float below = value;
        float above = value;
        CheckBothSigns(value);
        for (int i = 0; i < radius; ++i) {
            below = std::nextafter(below, -std::numeric_limits<float>::infinity());
            above = std::nextafter(above, std::numeric_limits<float>::infinity());
            CheckBothSigns(below);
            CheckBothSigns(above);
        }
    }

    long long checked() const { return checked_; }

private:
    long long checked_ = 0;
    long long mismatches_ = 0;
};

TEST(FormatFixed6, MatchesPrintfAcrossTheWholeFloatRange)
{
    // A stride through every bit pattern, both signs, from the subnormals
    // through the integer-only magnitudes up to infinity.
    PrintfComparison comparison;
    const std::uint32_t stride = 0x80000000u / (150000u * kVolume) | 1u;
    for (std::uint32_t bits = 0; bits < 0x7F800000u; bits += stride) {
        comparison.CheckBothSigns(FloatFromBits(bits));
    }
    EXPECT_GT(comparison.checked(), 150000);
}

TEST(FormatFixed6, MatchesPrintfWhereTheSeventhDigitDecides)
{
    PrintfComparison comparison;
    // Exact ties: x * 10^6 ends in exactly one half precisely when x is an
    // odd multiple of 2^-7, and printf then rounds to the even digit.
    for (std::uint32_t odd = 1; odd < (1u << 24); odd += 2 * (131 / kVolume) + 2) {
        comparison.CheckBothSigns(static_cast<float>(odd) / 128.0f);
    }
    // The floats nearest to the decimal midpoints k + 0.5 millionths at
    // every scale, and their neighbours on both sides.
    std::mt19937_64 rng(6);
    for (std::uint32_t i = 0; i < 15000 * kVolume; ++i) {
        const int digits = static_cast<int>(rng() % 17);
        const std::uint64_t micros = rng() % static_cast<std::uint64_t>(std::pow(10.0, digits) + 1);
        const double midpoint = (static_cast<double>(micros) + 0.5) / 1e6;
        comparison.CheckNeighbours(static_cast<float>(midpoint), 2);
    }
}

TEST(FormatFixed6, MatchesPrintfOnSpecialMagnitudes)
{
    PrintfComparison comparison;
    for (int exponent = -149; exponent <= 127; ++exponent) {
        comparison.CheckNeighbours(std::ldexp(1.0f, exponent), 1);
    }
    // Subnormals: every one of the smallest, then a stride through the rest.
    for (std::uint32_t bits = 0; bits < 4096; ++bits) {
        comparison.CheckBothSigns(FloatFromBits(bits));
    }
    for (std::uint32_t bits = 4096; bits < 0x800000u; bits += 101) {
        comparison.CheckBothSigns(FloatFromBits(bits));
    }
    comparison.CheckNeighbours(std::numeric_limits<float>::max(), 64);
    comparison.CheckNeighbours(std::numeric_limits<float>::min(), 64);
    // Around half a millionth, where values stop rounding to zero, and
    // around one millionth.
    comparison.CheckNeighbours(5e-7f, 256);
    comparison.CheckNeighbours(1e-6f, 256);
    comparison.CheckNeighbours(1.5e-6f, 256);
    // Where exact 64-bit scaling of an integer float ends.
    for (int exponent = 40; exponent <= 48; ++exponent) {
        comparison.CheckNeighbours(std::ldexp(1.0f, exponent), 64);
    }
    comparison.CheckNeighbours(16777216.0f, 16);
    // Where the shortest route starts and ends, where the integer part gains
    // a digit, also by rounding up (9.9999995 prints as 10.000000), and
    // where an integer part needs more than 32 bits.
    comparison.CheckNeighbours(std::ldexp(1.0f, -21), 256);
    comparison.CheckNeighbours(std::ldexp(1.0f, -20), 256);
    comparison.CheckNeighbours(128.0f, 256);
    for (const float value : {0.9999995f, 9.9999995f, 10.0f, 100.0f, 1000.0f, 1e9f, 4294967296.0f})
        comparison.CheckNeighbours(value, 256);
    comparison.CheckNeighbours(0.1f, 16);
    comparison.CheckNeighbours(1.0f, 16);
}

TEST(FormatFixed6, WritesTheSignOfNegativeZeroAndOfValuesRoundingToZero)
{
    EXPECT_EQ(Formatted(0.0f), "0.000000");
    EXPECT_EQ(Formatted(-0.0f), "-0.000000");
    EXPECT_EQ(Formatted(-0.0000001f), "-0.000000");
    EXPECT_EQ(Formatted(-std::numeric_limits<float>::denorm_min()), "-0.000000");
    EXPECT_EQ(Formatted(-0.5f), "-0.500000");
    EXPECT_EQ(Formatted(-std::numeric_limits<float>::max()), "-340282346638528859811704183484516925440.000000");
}

TEST(FormatFixed6, WritesInfinityAndNanAsWords)
{
    EXPECT_EQ(Formatted(std::numeric_limits<float>::infinity()), "inf");
    EXPECT_EQ(Formatted(-std::numeric_limits<float>::infinity()), "-inf");
    EXPECT_EQ(Formatted(std::numeric_limits<float>::quiet_NaN()).substr(0, 3), "nan");
    EXPECT_EQ(Formatted(-std::numeric_limits<float>::quiet_NaN()).substr(0, 4), "-nan");
}

TEST(FormatFixed6, MatchesPrintfOnRandomFloats)
{
    PrintfComparison comparison;
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> coordinate(-1000.0f, 1000.0f);
    for (std::uint32_t i = 0; i < 60000 * kVolume; ++i) {
        comparison.Check(coordinate(rng));
        const float any = FloatFromBits(static_cast<std::uint32_t>(rng()));
        if (std::isfinite(any)) {
            comparison.Check(any);
        }
    }
}

}  // namespace
}  // namespace torvane
