// The generated letter table stands in for ICU at run time: on every UTF-16
// code unit the platform's classes must be ICU's, or file names would turn
// into other identifiers than before.

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <string>

#include "platform/platform.h"

namespace torvane {
namespace {

std::string Mismatches(bool (*classify)(char16_t), UBool (*icu)(UChar32))
{
    std::string list;
    int count = 0;
    for (char32_t code = 0; code <= 0xFFFF; ++code) {
        auto unit = static_cast<char16_t>(code);
        if (classify(unit) == static_cast<bool>(icu(static_cast<UChar32>(code))))
            continue;
        if (++count <= 10)
            list += " U+" + std::to_string(code);
    }
    return count == 0 ? std::string() : std::to_string(count) + " code units differ, e.g." + list;
}

TEST(LetterTable, AgreesWithIcuOnEveryCodeUnit)
{
    EXPECT_EQ(Mismatches(IsLetter, u_isalpha), "") << "IsLetter against u_isalpha";
    EXPECT_EQ(Mismatches(IsLetterOrDigit, u_isalnum), "") << "IsLetterOrDigit against u_isalnum";
}

}  // namespace
}  // namespace torvane
