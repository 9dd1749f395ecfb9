#include "mesh/portable_angle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace torvane {
namespace {

// Against the C library's atan2, which is good to an ulp or so: within 9
// units of 2^-52 relative, over every direction, vectors long and short, and
// at the axes and diagonals.
TEST(PortableAngle, AgreesWithAtan2ToAFewUnitsInTheLastPlace)
{
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> turn(0, 3.141592653589793);
    std::uniform_real_distribution<double> scale(-30, 30);
    for (int i = 0; i < 200000; ++i) {
        double angle = turn(rng);
        double length = std::ldexp(1.0, static_cast<int>(scale(rng)));
        double crossLength = length * std::sin(angle), dot = length * std::cos(angle);
        double expected = std::atan2(crossLength, dot);
        ASSERT_NEAR(PortableAngle(crossLength, dot), expected, 2e-15 * expected + 1e-300) << crossLength << " " << dot;
    }
    for (double length : {1e-100, 1.0, 1e100}) {
        EXPECT_EQ(PortableAngle(0, length), 0.0);
        EXPECT_EQ(PortableAngle(length, 0), std::atan2(1.0, 0.0));
        EXPECT_EQ(PortableAngle(0, -length), std::atan2(0.0, -1.0));
        EXPECT_NEAR(PortableAngle(length, length), std::atan2(1.0, 1.0), 2e-16);
        EXPECT_NEAR(PortableAngle(length, -length), std::atan2(1.0, -1.0), 4e-16);
    }
    EXPECT_EQ(PortableAngle(0, 0), 0.0);
}

}  // namespace
}  // namespace torvane
