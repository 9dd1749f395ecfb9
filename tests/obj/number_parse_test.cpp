// The C library's strtod and strtoll are the reference: every token is
// parsed both ways and the results must agree to the bit.
#include "obj/number_parse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TORVANE_NUMBER_TESTS_QUICK 1
#endif
#endif
#if defined(TORVANE_QUICK_TESTS) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) ||                   \
    !defined(__OPTIMIZE__)
#define TORVANE_NUMBER_TESTS_QUICK 1
#endif

namespace torvane {
namespace {

#if defined(TORVANE_NUMBER_TESTS_QUICK)
constexpr int kVolume = 1;
#else
constexpr int kVolume = 10;
#endif

std::string Printable(const std::string& token)
{
    std::string shown = "\"";
    for (const char c : token) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown + "\"";
}

std::uint64_t BitsOf(double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::uint32_t BitsOf(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double DoubleFromBits(std::uint64_t bits)
{
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float FloatFromBits(std::uint32_t bits)
{
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// NaN payloads are not part of the contract; NaN-ness and sign are.
template <typename Real>
bool SameValue(Real actual, Real expected)
{
    if (std::isnan(expected)) {
        return std::isnan(actual) && std::signbit(actual) == std::signbit(expected);
    }
    return BitsOf(actual) == BitsOf(expected);
}

bool SameValue(std::int32_t actual, std::int32_t expected)
{
    return actual == expected;
}

double ReferenceDouble(const std::string& token)
{
    // mingw-w64's strtod returns -0 for "-" followed by no number; C says 0.
    char* end = nullptr;
    const double value = std::strtod(token.c_str(), &end);
    if (end == token.c_str())
        return 0.0;
    return value;
}

std::int32_t ReferenceInt(const std::string& token)
{
    const long long wide = std::strtoll(token.c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long long>(wide, std::numeric_limits<std::int32_t>::min(),
                                                           std::numeric_limits<std::int32_t>::max()));
}

// Parses the token from a heap block of exactly its size, so that a
// sanitizer reports any read at or past the end, and again with digits
// right behind the end, which must not change the value.
template <typename Parse>
auto ParseBounded(const std::string& token, Parse parse, bool& sameWithTrailingDigits)
{
    const std::size_t size = token.size();
    const std::unique_ptr<char[]> exact(new char[size == 0 ? 1 : size]);
    if (size != 0) {
        std::memcpy(exact.get(), token.data(), size);
    }
    const auto value = parse(exact.get(), exact.get() + size);

    const std::string padded = token + "987654321e9";
    const auto again = parse(padded.data(), padded.data() + size);
    sameWithTrailingDigits = SameValue(value, again);
    return value;
}

void ExpectDoubleLikeStrtod(const std::string& token)
{
    bool sameWithTrailingDigits = false;
    const double actual = ParseBounded(token, ParseDoublePrefix, sameWithTrailingDigits);
    const double expected = ReferenceDouble(token);
    EXPECT_TRUE(SameValue(actual, expected))
        << Printable(token) << ": got " << actual << " (bits " << std::hex << BitsOf(actual) << "), strtod gives "
        << expected << " (bits " << BitsOf(expected) << ")";
    EXPECT_TRUE(sameWithTrailingDigits) << Printable(token) << ": digits after the end changed the value";
}

void ExpectIntLikeAtoi(const std::string& token)
{
    bool sameWithTrailingDigits = false;
    const std::int32_t actual = ParseBounded(token, ParseIntPrefix, sameWithTrailingDigits);
    EXPECT_EQ(actual, ReferenceInt(token)) << Printable(token);
    EXPECT_TRUE(sameWithTrailingDigits) << Printable(token) << ": digits after the end changed the value";
}

// Exact decimal text of m * 2^exponent, through base-10^9 limbs, so that
// halfway points between neighbouring doubles can be written out in full.
std::string ExactDecimal(std::uint64_t m, int exponent)
{
    constexpr std::uint64_t kLimb = 1000000000;
    std::vector<std::uint64_t> limbs{m % kLimb, m / kLimb % kLimb, m / kLimb / kLimb};  // least significant first
    const auto multiply = [&limbs](std::uint64_t factor) {
        std::uint64_t carry = 0;
        for (std::uint64_t& limb : limbs) {
            const std::uint64_t product = limb * factor + carry;
            limb = product % kLimb;
            carry = product / kLimb;
        }
        for (; carry != 0; carry /= kLimb) {
            limbs.push_back(carry % kLimb);
        }
    };
    const auto dropLeadingZeroLimbs = [&limbs] {
        while (limbs.size() > 1 && limbs.back() == 0) {
            limbs.pop_back();
        }
    };
    dropLeadingZeroLimbs();
    // m * 2^-k = m * 5^k / 10^k: the digits of m * 5^k with the point k from
    // the right.
    for (int step = std::abs(exponent); step > 0; step -= 8) {
        const int chunk = std::min(step, 8);
        std::uint64_t factor = 1;
        for (int i = 0; i < chunk; ++i) {
            factor *= exponent >= 0 ? 2 : 5;
        }
        multiply(factor);
    }
    dropLeadingZeroLimbs();
    std::string digits = std::to_string(limbs.back());
    for (std::size_t i = limbs.size() - 1; i-- > 0;) {
        char limb[16];
        std::snprintf(limb, sizeof limb, "%09llu", static_cast<unsigned long long>(limbs[i]));
        digits += limb;
    }
    if (exponent >= 0) {
        return digits;
    }
    const auto fractionDigits = static_cast<std::size_t>(-exponent);
    if (digits.size() <= fractionDigits) {
        digits.insert(0, fractionDigits - digits.size() + 1, '0');
    }
    digits.insert(digits.size() - fractionDigits, ".");
    return digits;
}

// Decimal text of the point halfway between a positive finite value and
// its upper neighbour, given the value's significand bits and the
// exponent of its last bit.
std::string HalfwayText(std::uint64_t significand, int lastBitExponent)
{
    return ExactDecimal(2 * significand + 1, lastBitExponent - 1);
}

// Tokens just above and just below an exact decimal: the rounding decision
// then rests on digits far beyond the 17th.
std::vector<std::string> AroundExact(const std::string& exact)
{
    std::vector<std::string> tokens{exact};
    const bool integral = exact.find('.') == std::string::npos;
    tokens.push_back(exact + (integral ? ".000000000000000000000000001" : "000000000000000000000000001"));
    std::string below = exact;
    std::size_t i = below.size();
    while (i-- > 0) {
        if (below[i] == '.') {
            continue;
        }
        if (below[i] != '0') {
            --below[i];
            break;
        }
        below[i] = '9';
    }
    tokens.push_back(below + (integral ? ".99999999999999999999" : "99999999999999999999"));
    return tokens;
}

class TokenMaker {
public:
    explicit TokenMaker(std::uint64_t seed) : rng_(seed) { }

    int Below(int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(rng_); }
    std::uint64_t Bits() { return rng_(); }

    std::string LeadingSpace()
    {
        static const char kSpaces[] = " \t\n\v\f\r";
        std::string space;
        if (Below(3) == 0) {
            for (int count = 1 + Below(3); count > 0; --count) {
                space += kSpaces[Below(6)];
            }
        }
        return space;
    }

    std::string Sign()
    {
        static const char* const kSigns[] = {"", "", "-", "+", "--", "+-", "-+"};
        return kSigns[Below(Below(4) == 0 ? 7 : 4)];
    }

    std::string Digits(int count)
    {
        // Runs of zeros and nines make the carries and long zero tails that
        // sit next to rounding boundaries.
        const int style = Below(4);
        std::string digits;
        for (int i = 0; i < count; ++i) {
            if (style == 1 && Below(4) != 0) {
                digits += '0';
            } else if (style == 2 && Below(4) != 0) {
                digits += '9';
            } else {
                digits += static_cast<char>('0' + Below(10));
            }
        }
        return digits;
    }

    std::string Exponent()
    {
        if (Below(3) != 0) {
            return "";
        }
        std::string exponent = Below(2) == 0 ? "e" : "E";
        static const char* const kSigns[] = {"", "+", "-"};
        exponent += kSigns[Below(3)];
        switch (Below(5)) {
        case 0: return exponent + std::to_string(Below(23));
        case 1: return exponent + std::to_string(Below(60));
        case 2: return exponent + std::to_string(280 + Below(70));
        case 3: return exponent + std::string(static_cast<std::size_t>(Below(4)), '0') + std::to_string(Below(400));
        default: return exponent + Digits(1 + Below(25));
        }
    }

    std::string TrailingJunk()
    {
        static const char* const kJunk[] = {"", "", "", "e", "E+", "e-", ".", "x", "/2", " 7", "\r", "f", "p3", "..5"};
        return kJunk[Below(14)];
    }

    std::string DecimalToken()
    {
        const std::string digits = Digits(1 + Below(40));
        std::string mantissa;
        switch (Below(5)) {
        case 0: mantissa = digits; break;
        case 1: mantissa = "." + digits; break;
        case 2: mantissa = digits + "."; break;
        default: {
            const std::size_t point = static_cast<std::size_t>(Below(static_cast<int>(digits.size()) + 1));
            mantissa = digits.substr(0, point) + "." + digits.substr(point);
        }
        }
        return LeadingSpace() + Sign() + mantissa + Exponent() + TrailingJunk();
    }

    std::string HexToken()
    {
        static const char kHex[] = "0123456789abcdefABCDEF";
        std::string digits;
        for (int count = Below(20); count > 0; --count) {
            digits += kHex[Below(22)];
        }
        const std::size_t point = static_cast<std::size_t>(Below(static_cast<int>(digits.size()) + 2));
        if (point <= digits.size()) {
            digits.insert(point, ".");
        }
        std::string token = LeadingSpace() + Sign() + (Below(2) == 0 ? "0x" : "0X") + digits;
        if (Below(3) != 0) {
            static const char* const kSigns[] = {"", "+", "-"};
            token += std::string(Below(2) == 0 ? "p" : "P") + kSigns[Below(3)] + std::to_string(Below(1200));
        }
        return token + TrailingJunk();
    }

    std::string IntToken()
    {
        std::string digits = Digits(Below(25));
        if (Below(4) == 0) {
            digits.insert(0, static_cast<std::size_t>(Below(12)), '0');
        }
        return LeadingSpace() + Sign() + digits + TrailingJunk();
    }

    double AnyFiniteDouble()
    {
        double value = 0;
        do {
            value = DoubleFromBits(rng_() & ~(std::uint64_t{1} << 63));
        } while (!std::isfinite(value));
        return value;
    }

    float AnyFiniteFloat()
    {
        float value = 0;
        do {
            value = FloatFromBits(static_cast<std::uint32_t>(rng_()));
        } while (!std::isfinite(value));
        return value;
    }

private:
    std::mt19937_64 rng_;
};

TEST(ParseDoublePrefix, AgreesWithStrtodOnMalformedAndBorderlineText)
{
    const char* const kTokens[] = {
        "",
        ".",
        "+",
        "-",
        "e",
        "E5",
        "e5",
        "0x",
        "0X",
        "0x.",
        "-0x",
        "+0x.p1",
        "0xg",
        "0x1p",
        "0x1p+",
        "0x1P-",
        "1e",
        "1e+",
        "1e-",
        "1E+x",
        "--1",
        "+-1",
        "-+1",
        "- 1",
        ".e1",
        "-.e1",
        "+.",
        "1.",
        "-1.",
        ".5",
        "-.5",
        "1.e5",
        "00000",
        "-0",
        "+0.000",
        "-0e999999999999",
        "0.0e-99999",
        "007.5e0001",
        " \t\n\v\f\r-2.5",
        ("\xA0"
         "1"),
        ("\x85"
         "1"),
        ("\x1C"
         "1"),
        "  ",
        "1,5",
        "1_000",
        "inf",
        "INF",
        "-Inf",
        "+iNfInItY",
        "infinity",
        "infin",
        "in",
        "i",
        "-in",
        "nan",
        "NaN",
        "-nan",
        "+nan",
        "nan(",
        "nan()",
        "nan(abc_123)",
        "-nan(0x7)",
        "nan(a b)",
        "na",
        "n",
        "-na",
        "nanx",
        "infx",
        "1e400",
        "-1e400",
        "1e-400",
        "-1e-400",
        "1e308",
        "1.7976931348623157e308",
        "1.7976931348623158e308",
        "1.797693134862315807e308",
        "1.7976931348623159e308",
        "2.2250738585072011e-308",
        "2.2250738585072012e-308",
        "2.2250738585072014e-308",
        "4.9406564584124654e-324",
        "2.4703282292062327e-324",
        "2.4703282292062328e-324",
        "-2.4703282292062328e-324",
        "3e-324",
        "7.4109846876186981e-324",
        "1e-320",
        "1e99999999999999999999",
        "1e-99999999999999999999",
        "0.0000000000000000000000000000000000000001e400",
        "100000000000000000000000000000000000000000e-420",
        "9007199254740992",
        "9007199254740993",
        "9007199254740993.0000000001",
        "9007199254740995",
        "18446744073709551615",
        "18446744073709551616",
        "1e22",
        "1e23",
        "8.98846567431158e307",
        "123456789012345678901234567890",
        "0.1",
        "0.2",
        "0.3",
        "3.4028235677973366e38",
        "3.4028236e38",
        "1.401298464324817e-45",
        "7.006492321624085e-46",
        "7.0064923216240854e-46",
        "0x1.8p3",
        "0x.8",
        "0X1P-2",
        "-0x1p-1074",
        "0x1p-1075",
        "0x1.0000000000001p-1075",
        "0x1p1023",
        "0x1p1024",
        "0x1.fffffffffffff8p1023",
        "0x1.fffffffffffff7ffp1023",
        "0x0.0000000000000p99999",
        "0x1p-99999999999",
        "0x1p99999999999",
        "0x123456789abcdef0123456789p0",
        "0x.00000000001p-1000",
        "0x1.000000000000080000000000000001p0",
        "0x1.00000000000008p0",
        "0x1.00000000000018p0",
        "0xp1",
        "0x.p1",
        "0x1.p1",
        "0x-1",
        "-0x+1",
        "0x 1",
    };
    for (const char* const token : kTokens) {
        ExpectDoubleLikeStrtod(token);
    }
    // Out of range where the digits and the exponent pull opposite ways: a
    // huge mantissa with a negative exponent, a tiny one with a positive.
    const std::string zeros(400, '0');
    for (const std::string& token : {"1" + zeros + "e-10", "-1" + zeros + ".5e-80", "." + zeros + "1e10",
                                     "-0." + zeros + "7e+70", "0x1" + zeros + "p-10", "-0x" + zeros + "1.8p-1500",
                                     "0x." + zeros + "1p10", "-0x0." + zeros + "3p+1000", "0x." + zeros + "1p1500"}) {
        ExpectDoubleLikeStrtod(token);
    }
}

TEST(ParseDoublePrefix, AgreesWithStrtodOnRandomDecimalText)
{
    TokenMaker maker(20240601);
    for (int i = 0; i < 40000 * kVolume; ++i) {
        ExpectDoubleLikeStrtod(maker.DecimalToken());
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
}

TEST(ParseDoublePrefix, AgreesWithStrtodOnRandomHexText)
{
    TokenMaker maker(777);
    for (int i = 0; i < 10000 * kVolume; ++i) {
        ExpectDoubleLikeStrtod(maker.HexToken());
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
}

TEST(ParseDoublePrefix, StopsAtTheGivenEnd)
{
    // Every cut of a token is a token of its own; the bytes after the cut
    // (often more digits, an exponent or a hex digit) must not be looked at.
    TokenMaker maker(99);
    for (int i = 0; i < 4000 * kVolume; ++i) {
        const std::string token = i % 3 == 0 ? maker.HexToken() : maker.DecimalToken();
        const std::size_t cut = static_cast<std::size_t>(maker.Below(static_cast<int>(token.size()) + 1));
        const double actual = ParseDoublePrefix(token.data(), token.data() + cut);
        const std::string prefix = token.substr(0, cut);
        ASSERT_TRUE(SameValue(actual, ReferenceDouble(prefix))) << Printable(token) << " cut to " << Printable(prefix);
        ExpectDoubleLikeStrtod(prefix);
    }
    EXPECT_EQ(BitsOf(ParseDoublePrefix(nullptr, nullptr)), BitsOf(0.0));
}

TEST(ParseDoublePrefix, RoundsHalfwayPointsLikeStrtod)
{
    // Exact midpoints between neighbouring doubles (ties go to the even
    // neighbour) and text a hair above and below them, from the subnormals
    // to the top of the range.
    TokenMaker maker(4242);
    for (int i = 0; i < 400 * kVolume; ++i) {
        const double value = maker.AnyFiniteDouble();
        int exponent = 0;
        const double fraction = std::frexp(value, &exponent);
        std::uint64_t significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
        int lastBitExponent = exponent - 53;
        if (lastBitExponent < -1074) {
            significand >>= (-1074 - lastBitExponent);
            lastBitExponent = -1074;
        }
        for (const std::string& token : AroundExact(HalfwayText(significand, lastBitExponent))) {
            ExpectDoubleLikeStrtod(token);
            ExpectDoubleLikeStrtod("-" + token);
        }
    }
    // The boundaries of the range itself.
    for (const std::string& token : AroundExact(HalfwayText(0, -1074))) {
        ExpectDoubleLikeStrtod(token);
    }
    for (const std::string& token : AroundExact(HalfwayText((std::uint64_t{1} << 53) - 1, 971))) {
        ExpectDoubleLikeStrtod(token);
    }
}

TEST(ParseFloatPrefix, RoundsLikeStrtodThenCastToFloat)
{
    // Midpoints between neighbouring floats are exact doubles, so ties reach
    // the float rounding; text slightly above a midpoint rounds to the
    // midpoint in double first, where rounding straight to float would go up.
    TokenMaker maker(515);
    for (int i = 0; i < 2000 * kVolume; ++i) {
        const float value = maker.AnyFiniteFloat();
        const float magnitude = std::fabs(value);
        int exponent = 0;
        const float fraction = std::frexp(magnitude, &exponent);
        std::uint64_t significand = static_cast<std::uint64_t>(std::ldexp(fraction, 24));
        int lastBitExponent = exponent - 24;
        if (lastBitExponent < -149) {
            significand >>= (-149 - lastBitExponent);
            lastBitExponent = -149;
        }
        for (const std::string& token : AroundExact(HalfwayText(significand, lastBitExponent))) {
            const float actual = ParseFloatPrefix(token.data(), token.data() + token.size());
            const auto expected = static_cast<float>(ReferenceDouble(token));
            ASSERT_EQ(BitsOf(actual), BitsOf(expected)) << Printable(token);
        }
    }
}

// Several million tokens of the kinds OBJ exporters write, through the
// float conversion that vertex values take.
TEST(NumberParseBulk, MillionsOfPrintedFloatsMatchStrtod)
{
    TokenMaker maker(31337);
    std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0);
    std::mt19937_64 rng(8);
    const char* const kFormats[] = {"%.6f", "%.9g", "%a"};
    std::string token;
    long long mismatches = 0;
    for (int i = 0; i < 300000 * kVolume; ++i) {
        const int kind = i % 3;
        double value = 0;
        if (kind == 0) {
            value = (i / 3) % 2 == 0 ? coordinate(rng) : static_cast<double>(maker.AnyFiniteFloat());
        } else {
            value = static_cast<double>(maker.AnyFiniteFloat());
            value = (maker.Below(2) == 0) ? -value : value;
        }
        char text[512];
        const int length = std::snprintf(text, sizeof text, kFormats[kind], value);
        const float actual = ParseFloatPrefix(text, text + length);
        const auto expected = static_cast<float>(std::strtod(text, nullptr));
        if (BitsOf(actual) != BitsOf(expected)) {
            ++mismatches;
            ADD_FAILURE() << text;
            if (mismatches > 10) {
                return;
            }
        }
    }
}

// The text a plain reader reads: a heap block of exactly the text and the
// padding it may read, which starts with a zero byte; reading past it is
// an error.
std::unique_ptr<char[]> PaddedText(const std::string& text)
{
    std::unique_ptr<char[]> padded(new char[text.size() + kPlainReadReach]());
    std::memcpy(padded.get(), text.data(), text.size());
    return padded;
}

// Where ParsePlainDecimal takes a token, it must end where strtod ends and
// give its value; where it declines, the reader falls back to
// ParseDoublePrefix, so declining is always safe. Text that ends in the
// number, with nothing after it but the padding, is always declined: the
// reader cannot know yet whether the number goes on.
void ExpectPlainDecimalLikeStrtod(const std::string& token, bool mustAccept)
{
    const std::unique_ptr<char[]> text = PaddedText(token);
    double value = 0;
    const char* end = ParsePlainDecimal(text.get(), &value);
    if (end == nullptr) {
        EXPECT_FALSE(mustAccept) << Printable(token) << " was declined";
        return;
    }
    char* expectedEnd = nullptr;
    const double expected = std::strtod(text.get(), &expectedEnd);
    EXPECT_EQ(end, expectedEnd) << Printable(token);
    EXPECT_TRUE(EndsPlainToken(*end)) << Printable(token);
    EXPECT_TRUE(SameValue(value, expected)) << Printable(token) << ": got " << value << ", strtod gives " << expected;
}

TEST(ParsePlainDecimal, TakesPlainNumbersAsStrtodDoes)
{
    std::mt19937_64 rng(2026);
    std::uniform_real_distribution<double> coordinate(-2000.0, 2000.0);
    const char* const kFormats[] = {"%.6f", "%.3f", "%.0f", "%.1f", "%.8f", "%.12f"};
    const char* const kEndings[] = {" ", "\n", "\r\n", " 1"};
    for (int i = 0; i < 100000 * kVolume; ++i) {
        const double value = coordinate(rng) / static_cast<double>(1 + rng() % 1000);
        char text[64];
        const int length = std::snprintf(text, sizeof text, kFormats[i % 6], value);
        const std::string number(text, static_cast<std::size_t>(length));
        ExpectPlainDecimalLikeStrtod(number + kEndings[i % 4], true);
        ExpectPlainDecimalLikeStrtod(number, false);
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
    for (const char* const token :
         {"0 ", "-0 ", "7. ", ".5 ", "-.5 ", "-0.000000 ", "123456789012345 ", "0.123456789012345 ", "999.99999999 ",
          "12345678.87654321 ", "12345678 ", "1234567.8 ", "1.2345678\n", "12.345678\r", "9007199254740992\n", "1.5 2",
          "1.5\r\n"}) {
        ExpectPlainDecimalLikeStrtod(token, true);
    }
}

TEST(ParsePlainDecimal, DeclinesWhatIsNotPlainAndOtherwiseAgreesWithStrtod)
{
    const char* const kDeclined[] = {"", "-", ".", "-.", "- ", ". ", "-. ", "+1 ", " 1 ", "\t1 ", "1e5 ", "1E-2 ",
                                     "1.5e ", "0x10 ", "-0X1p3 ", "inf ", "nan ", "12345678901234567890 ",
                                     "0.00000000000000000001 ", "9007199254740993 ", "1.5/", "1.5.5 ", "2-3 ",
                                     "12345678.5/", "12345678x", "1.2345678e1 ", "1.5", "12345678", "1.2345678",
                                     // Twenty digits whose value wraps past 2^64 to a small mantissa.
                                     "18446744073709551616 ", "1844674407370955161.7 "};
    for (const char* const token : kDeclined) {
        ExpectPlainDecimalLikeStrtod(token, false);
        double value = 0;
        EXPECT_EQ(ParsePlainDecimal(PaddedText(token).get(), &value), nullptr) << Printable(token);
    }
    // Random text of every shape, and every cut of it.
    TokenMaker maker(4711);
    for (int i = 0; i < 40000 * kVolume; ++i) {
        const std::string token = i % 4 == 0 ? maker.HexToken() : maker.DecimalToken();
        ExpectPlainDecimalLikeStrtod(token, false);
        const std::size_t cut = static_cast<std::size_t>(maker.Below(static_cast<int>(token.size()) + 1));
        ExpectPlainDecimalLikeStrtod(token.substr(0, cut), false);
        ExpectPlainDecimalLikeStrtod(token.substr(0, cut) + " ", false);
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
}

TEST(ParseShortDigits, ReadsOneToEightDigitsAndDeclinesTheRest)
{
    std::mt19937 rng(77);
    const char* const kAfter[] = {"", "/", " ", "\r", "x", "/12", "\n", "\0"};
    for (int i = 0; i < 20000 * kVolume; ++i) {
        std::string digits;
        for (int count = static_cast<int>(rng() % 12); count > 0; --count)
            digits += static_cast<char>('0' + rng() % 10);
        const std::string text = digits + std::string(kAfter[rng() % 8]) + (rng() % 2 ? "123456789" : "");
        const std::unique_ptr<char[]> padded = PaddedText(text);
        std::uint32_t value = 7;
        const char* end = ParseShortDigits(padded.get(), &value);
        // The digits run on into what follows when nothing comes between.
        std::size_t run = text.find_first_not_of("0123456789");
        run = run == std::string::npos ? text.size() : run;
        SCOPED_TRACE(Printable(text));
        if (run == 0 || run > 8) {
            EXPECT_EQ(end, nullptr);
            continue;
        }
        ASSERT_EQ(end, padded.get() + run);
        EXPECT_EQ(value, std::stoul(text.substr(0, run)));
    }
}

TEST(ParseIntPrefix, AgreesWithSaturatedStrtoll)
{
    const char* const kTokens[] = {
        "",
        "+",
        "-",
        "--1",
        "+-1",
        "-+1",
        "- 1",
        " \t\n\v\f\r42",
        ("\xA0"
         "1"),
        "0",
        "-0",
        "+0",
        "007",
        "1/2/3",
        "12abc",
        "3.9",
        "1e3",
        "0x10",
        "2147483647",
        "2147483648",
        "-2147483648",
        "-2147483649",
        "4294967295",
        "4294967296",
        "-4294967297",
        "9223372036854775807",
        "9223372036854775808",
        "-9223372036854775809",
        "99999999999999999999999999999999",
        "-99999999999999999999999999999999",
        "000000000000000000000000000000002147483647",
        "-00000000000000000000000000002147483648",
    };
    for (const char* const token : kTokens) {
        ExpectIntLikeAtoi(token);
    }
    TokenMaker maker(12);
    for (int i = 0; i < 40000 * kVolume; ++i) {
        const std::string token = maker.IntToken();
        ExpectIntLikeAtoi(token);
        const std::size_t cut = static_cast<std::size_t>(maker.Below(static_cast<int>(token.size()) + 1));
        ASSERT_EQ(ParseIntPrefix(token.data(), token.data() + cut), ReferenceInt(token.substr(0, cut)))
            << Printable(token) << " cut after " << cut;
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
}

TEST(ParseIntPrefix, EveryByteEndsADigitRunWhereStrtollEndsIt)
{
    // Digit runs are measured several bytes at a time: each byte value goes
    // at every place of a chunk, right after the digits, where ':' (one
    // past '9') and the bytes from 0x80 up are the easy ones to misread.
    const std::string digits = "1234567891";
    for (int byte = 0; byte < 256; ++byte) {
        for (std::size_t length = 0; length <= digits.size(); ++length) {
            for (const char* const rest : {"", "7", "7777777"}) {
                ExpectIntLikeAtoi(digits.substr(0, length) + static_cast<char>(byte) + rest);
            }
        }
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
}

}  // namespace
}  // namespace torvane
