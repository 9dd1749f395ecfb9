#include "mesh/portable_angle.h"

#include <cmath>

namespace torvane {
namespace {

constexpr double kHalfPi = 1.5707963267948966;

// The Taylor series of atan up to t^39, which for t up to tan(pi / 8), about
// 0.414, leaves out less than 2e-17 of the result.
constexpr int kTerms = 20;
constexpr double kArcTangentSeries[kTerms] = {
    1.0,      -1.0 / 3,  1.0 / 5,  -1.0 / 7,  1.0 / 9,  -1.0 / 11, 1.0 / 13, -1.0 / 15, 1.0 / 17, -1.0 / 19,
    1.0 / 21, -1.0 / 23, 1.0 / 25, -1.0 / 27, 1.0 / 29, -1.0 / 31, 1.0 / 33, -1.0 / 35, 1.0 / 37, -1.0 / 39};

// Summed two terms at a time in powers of t^4, each pair on its own, which
// halves the chain of operations that wait for one another.
double ArcTangentOfSmall(double t)
{
    const double t2 = t * t;
    const double t4 = t2 * t2;
    double sum = 0;
    for (int k = kTerms - 2; k >= 0; k -= 2)
        sum = (kArcTangentSeries[k] + kArcTangentSeries[k + 1] * t2) + t4 * sum;
    return t * sum;
}

}  // namespace

double PortableAngle(double crossLength, double dot)
{
    const double across = std::fabs(dot);
    const double length = std::sqrt(crossLength * crossLength + across * across);
    if (!(length > 0))
        return 0;
    // Half the angle from the dot's axis has the tangent crossLength /
    // (length + across), at most tan(pi / 8) up to 45 degrees; past them the
    // angle is measured from the cross's direction instead.
    const double fromAxis = crossLength <= across ? 2 * ArcTangentOfSmall(crossLength / (length + across))
                                                  : kHalfPi - 2 * ArcTangentOfSmall(across / (length + crossLength));
    return dot < 0 ? kPi - fromAxis : fromAxis;
}

}  // namespace torvane
