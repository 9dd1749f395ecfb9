#include "mesh/portable_angle.h"

#include <cmath>

namespace torvane {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

// atan(t) for t from 0 to 1. Three halvings of the angle,
// atan(t) = 2 atan(t / (1 + sqrt(1 + t^2))), bring t below tan(pi / 32),
// about 0.098, where the Taylor series up to t^15 leaves an error below
// 1e-17 of the result.
double ArcTangentToOne(double t)
{
    for (int halving = 0; halving < 3; ++halving)
        t = t / (1 + std::sqrt(1 + t * t));
    const double t2 = t * t;
    double series = -1.0 / 15;
    for (int power = 13; power >= 1; power -= 2)
        series = (power % 4 == 1 ? 1.0 : -1.0) / power + t2 * series;
    return 8 * (t * series);
}

}  // namespace

double PortableAngle(double crossLength, double dot)
{
    const double across = std::fabs(dot);
    if (crossLength == 0 && across == 0)
        return 0;
    // Past 45 degrees from the dot's axis, the angle is measured from the
    // cross's instead, so that the tangent stays within 0 to 1.
    const bool steep = crossLength > across;
    const double fromAxis =
        steep ? kHalfPi - ArcTangentToOne(across / crossLength) : ArcTangentToOne(crossLength / across);
    return dot < 0 ? kPi - fromAxis : fromAxis;
}

}  // namespace torvane
