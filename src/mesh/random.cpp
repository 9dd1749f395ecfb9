#include "mesh/random.h"

namespace torvane {

void SeedRandom(Random& random, std::uint32_t seed)
{
    random.state = seed;
}

std::uint32_t DrawRandom(Random& random)
{
    // Unsigned arithmetic wraps modulo 2^32 on every platform.
    random.state = random.state * 1103515245u + 12345u;
    return (random.state >> 16) & kRandomMax;
}

}  // namespace torvane
