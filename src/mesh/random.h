#pragma once

#include <cstdint>

namespace torvane {

// The portable generator given as an example in the C standard, so that the
// scatter of the warning triangles is the same on every platform for the
// same seed. Draws are from 0 to 32767.
struct Random {
    std::uint32_t state = 1;
};

inline constexpr std::uint32_t kRandomMax = 32767;

void SeedRandom(Random& random, std::uint32_t seed);
std::uint32_t DrawRandom(Random& random);

// Advances random as far as draws calls of DrawRandom would, in time
// logarithmic in draws.
void SkipRandom(Random& random, std::uint64_t draws);

}  // namespace torvane
