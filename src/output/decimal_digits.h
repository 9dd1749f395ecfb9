#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace torvane {

// Decimal text written three digits at a time from tables: a number costs a
// multiplication or two and one copy per group of three digits, where
// digit by digit it would cost a division for every digit. Each group is
// copied as four bytes: the buffer needs a spare byte after the last digit,
// which the text that follows writes over.

// The text of a group of three digits (below 1000) in both its forms.
struct DigitGroup {
    // With leading zeros, for a group before which other digits stand (7 is
    // "007"), and the spare byte.
    char inner[4];
    // From the first significant digit (just "0" for zero), for a number's
    // first group; how many digits that is in the last byte.
    char leading[4];
};

// One table for both forms, so that a number's groups are looked up from
// one address.
inline constexpr std::array<DigitGroup, 1000> kDigitGroups = [] {
    std::array<DigitGroup, 1000> table{};
    for (std::size_t n = 0; n < 1000; ++n) {
        DigitGroup& group = table[n];
        group.inner[0] = static_cast<char>('0' + n / 100);
        group.inner[1] = static_cast<char>('0' + n / 10 % 10);
        group.inner[2] = static_cast<char>('0' + n % 10);
        const std::size_t skipped = n < 10 ? 2 : n < 100 ? 1 : 0;
        for (std::size_t i = skipped; i < 3; ++i)
            group.leading[i - skipped] = group.inner[i];
        group.leading[3] = static_cast<char>(3 - skipped);
    }
    return table;
}();

// Writes group (below 1000) as three digits and returns their end; writes
// one byte past it.
inline char* PutInnerGroup(char* out, std::uint32_t group)
{
    std::memcpy(out, kDigitGroups[group].inner, 4);
    return out + 3;
}

// Writes group (below 1000) without leading zeros and returns its end;
// writes up to four bytes.
inline char* PutLeadingGroup(char* out, std::uint32_t group)
{
    const DigitGroup& entry = kDigitGroups[group];
    std::memcpy(out, entry.leading, 4);
    return out + entry.leading[3];
}

// Writes a value of a million or more, as PutDecimal does.
char* PutMillionsAndUp(char* out, std::uint32_t value);

// The most bytes PutDecimal writes over: ten digits and the spare byte.
inline constexpr std::size_t kDecimalRoom = 11;

// Writes value in decimal, as std::to_chars does, and returns the end. It
// may write over kDecimalRoom bytes from out, also past the returned end. Indices are mostly
// of four to six digits, so those take the first branch.
inline char* PutDecimal(char* out, std::uint32_t value)
{
    if (value - 1000 < 999000) {
        out = PutLeadingGroup(out, value / 1000);
        return PutInnerGroup(out, value % 1000);
    }
    if (value < 1000)
        return PutLeadingGroup(out, value);
    return PutMillionsAndUp(out, value);
}

}  // namespace torvane
