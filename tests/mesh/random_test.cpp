#include "mesh/random.h"

#include <gtest/gtest.h>

#include <vector>

namespace torvane {
namespace {

TEST(Random, FollowsTheCStandardsExampleGenerator)
{
    Random random;
    SeedRandom(random, 1);
    std::vector<std::uint32_t> draws;
    for (int i = 0; i < 5; ++i)
        draws.push_back(DrawRandom(random));
    EXPECT_EQ(draws, (std::vector<std::uint32_t>{16838, 5758, 10113, 17515, 31051}));

    SeedRandom(random, 0xFFFFFFFFu);
    for (int i = 0; i < 100000; ++i)
        ASSERT_LE(DrawRandom(random), kRandomMax);
}

TEST(Random, SkippingEndsWhereDrawingOneByOneDoes)
{
    for (std::uint64_t count : {0u, 1u, 2u, 3u, 552u, 1104u, 70001u}) {
        for (std::uint32_t seed : {0u, 7u, 0xFFFFFFFFu}) {
            Random drawn;
            SeedRandom(drawn, seed);
            for (std::uint64_t i = 0; i < count; ++i)
                DrawRandom(drawn);
            Random skipped;
            SeedRandom(skipped, seed);
            SkipRandom(skipped, count);
            EXPECT_EQ(skipped.state, drawn.state) << count << " draws from " << seed;
        }
    }
}

}  // namespace
}  // namespace torvane
