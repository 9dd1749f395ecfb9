// std::to_chars is the reference for every value written.
#include "output/decimal_digits.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace torvane {
namespace {

constexpr char kUntouched = '#';

// Counts mismatches and reports the first few, so that a systematic fault
// does not flood the log. Also checks that nothing is written beyond the
// room PutDecimal may use.
class ToCharsComparison {
public:
    void Check(std::uint32_t value)
    {
        char expected[16];
        const char* const expectedEnd = std::to_chars(expected, expected + sizeof expected, value).ptr;
        const std::string wanted(static_cast<const char*>(expected), expectedEnd);
        char actual[kDecimalRoom + 8];
        std::memset(actual, kUntouched, sizeof actual);
        const char* const begin = actual;
        const char* const end = PutDecimal(actual, value);
        const std::string got(begin, end);
        const bool withinRoom =
            std::string(begin + kDecimalRoom, begin + sizeof actual).find_first_not_of(kUntouched) == std::string::npos;
        if ((got != wanted || !withinRoom) && ++mismatches_ <= 10) {
            ADD_FAILURE() << "value " << value << ": got \"" << got << "\", to_chars gives \"" << wanted << "\""
                          << (withinRoom ? "" : ", and bytes beyond the room were written");
        }
    }

private:
    long long mismatches_ = 0;
};

// Below 1,100,000 every group of three digits occurs both as a number's
// first group and after one; beyond, every count of digits with its edges.
TEST(PutDecimal, MatchesToCharsForEveryGroupAndEveryLength)
{
    ToCharsComparison comparison;
    for (std::uint32_t value = 0; value < 1100000; ++value)
        comparison.Check(value);
    for (std::uint64_t power = 10; power <= std::numeric_limits<std::uint32_t>::max(); power *= 10) {
        for (std::uint64_t value = power - 3; value <= power + 3; ++value)
            comparison.Check(static_cast<std::uint32_t>(value));
    }
    comparison.Check(std::numeric_limits<std::uint32_t>::max());
    comparison.Check(std::numeric_limits<std::uint32_t>::max() - 1);
    std::mt19937 rng(22);
    for (int i = 0; i < 200000; ++i) {
        comparison.Check(static_cast<std::uint32_t>(rng()));
        comparison.Check(static_cast<std::uint32_t>(rng() % 100000000));
    }
}

}  // namespace
}  // namespace torvane
