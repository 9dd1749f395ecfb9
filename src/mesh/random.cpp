#include "mesh/random.h"

namespace torvane {

void SeedRandom(Random& random, std::uint32_t seed)
{
    random.state = seed;
}

namespace {

constexpr std::uint32_t kMultiplier = 1103515245u;
constexpr std::uint32_t kIncrement = 12345u;

}  // namespace

std::uint32_t DrawRandom(Random& random)
{
    // Unsigned arithmetic wraps modulo 2^32 on every platform.
    random.state = random.state * kMultiplier + kIncrement;
    return (random.state >> 16) & kRandomMax;
}

void SkipRandom(Random& random, std::uint64_t draws)
{
    // A step is the map s -> m * s + a. Composing the steps of the binary
    // digits of draws, each the square of the one before, takes one
    // composition per digit.
    std::uint32_t multiplier = 1;
    std::uint32_t addend = 0;
    std::uint32_t stepMultiplier = kMultiplier;
    std::uint32_t stepAddend = kIncrement;
    for (; draws != 0; draws >>= 1) {
        if (draws & 1) {
            multiplier *= stepMultiplier;
            addend = addend * stepMultiplier + stepAddend;
        }
        stepAddend *= stepMultiplier + 1;
        stepMultiplier *= stepMultiplier;
    }
    random.state = random.state * multiplier + addend;
}

}  // namespace torvane
