#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace torvane {

// Runs of decimal digits measured and valued eight bytes at a time: digit
// runs vary in length from number to number, and a loop over them ends at
// a mispredicted branch, while a few word operations do not branch.

// Eight bytes of text as one word, the first byte lowest on any processor,
// so that the byte tricks below see the text in order everywhere.
inline std::uint64_t LoadEightBytes(const char* p)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t bytes = 0;
        std::memcpy(&bytes, p, 8);
        return bytes;
    } else {
        std::uint64_t bytes = 0;
        for (int k = 7; k >= 0; --k)
            bytes = bytes << 8 | static_cast<unsigned char>(p[k]);
        return bytes;
    }
}

// Eight times the number of bytes of bytes, from the first, that are
// digits: 0 to 64, which is also the number of bits they take.
inline unsigned LeadingDigitBits(std::uint64_t bytes)
{
    // A byte is a digit when subtracting '0' (0x30) leaves its top bit
    // clear and so does adding 0x46 (0x80 - 0x3A): below '0' the first
    // wraps, above '9' the second reaches 0x80 (from 0xBA on it carries out
    // of the byte, but then the first is 0x8A or more). A borrow or carry
    // only leaves a byte that is not a digit and only moves to later bytes,
    // so the first byte flagged is the first that is not a digit; its flag
    // is bit 8k + 7 for byte k. Two independent steps rather than a chain
    // of four: the end of a run is known sooner, and what follows waits on
    // it.
    const std::uint64_t nonDigits =
        ((bytes - 0x3030303030303030u) | (bytes + 0x4646464646464646u)) & 0x8080808080808080u;
    return static_cast<unsigned>(std::countr_zero(nonDigits)) & ~7u;
}

// Digit values (0 to 9, one per byte, the first lowest) become one number
// by joining neighbouring lanes: lanes of w bits holding a (the earlier
// digits, in the lower lane) and b become one lane of 2w bits holding
// a * scale + b when the word is multiplied by scale * 2^w + 1 and shifted
// right by w. The lane pair a + b * 2^w times that multiplier is
// a + (a * scale + b) * 2^w + b * scale * 2^2w: after the shift the sum
// sits in the low half of the wide lane and the terms around it in the
// high half, which the next mask clears. That needs a * scale + b < 2^w,
// that is scale^2 <= 2^w: 10^2 <= 2^8, 100^2 <= 2^16, 10000^2 <= 2^32.
constexpr std::uint64_t LaneJoiner(std::uint64_t scale, unsigned laneBits)
{
    return (scale << laneBits) + 1;
}

inline std::uint64_t EightDigitsValue(std::uint64_t digits)
{
    std::uint64_t lanes = (digits * LaneJoiner(10, 8)) >> 8;
    lanes = ((lanes & 0x00FF00FF00FF00FFu) * LaneJoiner(100, 16)) >> 16;
    return ((lanes & 0x0000FFFF0000FFFFu) * LaneJoiner(10000, 32)) >> 32;
}

// The value of the first bits / 8 bytes of bytes, all digits; bits is 8
// to 64 (0 gives a value of no use, without harm).
inline std::uint64_t LeadingDigitsValue(std::uint64_t bytes, unsigned bits)
{
    // Shifting the wanted digits to the top of the word pads them with zero
    // bytes in front, which the mask reads as zero digits, and moves the
    // bytes after them out.
    return EightDigitsValue((bytes << ((64 - bits) & 63)) & 0x0F0F0F0F0F0F0F0Fu);
}

}  // namespace torvane
