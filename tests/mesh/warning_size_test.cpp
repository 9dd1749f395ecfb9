#include "mesh/warning_size.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace torvane {
namespace {

constexpr float kLargest = std::numeric_limits<float>::max();

// A model of one position whose bounds are those given, each bound reached
// on the line given (0: never moved).
ObjModel ModelBoundedBy(Float3 min, Float3 max, AxisLines minLine = {1, 1, 1}, AxisLines maxLine = {1, 1, 1})
{
    ObjModel model;
    model.positions.push_back(min);
    model.bounds.min = min;
    model.bounds.max = max;
    model.bounds.minLine = minLine;
    model.bounds.maxLine = maxLine;
    return model;
}

TEST(WarningSize, ModelsWithinAnEighthOfTheFloatRangeFitHoweverTheyLie)
{
    // Every axis at its widest, or all on one side of zero (the highest
    // point raises the warning too).
    const float near = std::nextafter(kLargest / 8, 0.0f);
    const float spans[3][2] = {{-near, near}, {-near, -near}, {near, near}};
    for (const auto& x : spans) {
        for (const auto& y : spans) {
            for (const auto& z : spans) {
                ObjModel model = ModelBoundedBy({x[0], y[0], z[0]}, {x[1], y[1], z[1]});
                std::string error;
                EXPECT_TRUE(WarningFits(model, &error)) << x[1] << " " << y[1] << " " << z[1] << ": " << error;
                EXPECT_LE(WarningScale(model.bounds), near);
            }
        }
    }
}

TEST(WarningSize, AModelTooLargeNamesTheLineOfItsFarthestCoordinate)
{
    const char* what = "the model is too large: the warning mesh scaled to it leaves the float range";
    std::string error;
    // Of two coordinates equally far, the one on the earlier line; a bound
    // never moved (the highest z, still at its start) is no coordinate.
    ObjModel model = ModelBoundedBy({-3e38f, 0, 0}, {3e38f, 1, -kLargest}, {5, 1, 1}, {4, 2, 0});
    EXPECT_FALSE(WarningFits(model, &error));
    EXPECT_EQ(error, std::string("line 4: ") + what);
    model.bounds.minLine.x = 3;
    EXPECT_FALSE(WarningFits(model, &error));
    EXPECT_EQ(error, std::string("line 3: ") + what);
    // Narrow but high up: the scale is finite, the raised warning is not.
    model = ModelBoundedBy({0, 3.3e38f, 0}, {0, 3.4e38f, 0}, {1, 7, 1}, {1, 9, 1});
    EXPECT_TRUE(std::isfinite(WarningScale(model.bounds)));
    EXPECT_FALSE(WarningFits(model, &error));
    EXPECT_EQ(error, std::string("line 9: ") + what);
    // Without positions the model gets none of the warning's.
    model.positions.clear();
    EXPECT_TRUE(WarningFits(model, &error));
}

}  // namespace
}  // namespace torvane
