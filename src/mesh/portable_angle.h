#pragma once

namespace torvane {

inline constexpr double kPi = 3.141592653589793;

// The angle from 0 to pi between two vectors whose cross product has length
// crossLength (0 or more) and whose dot product is dot: atan2(crossLength,
// dot) within a few units in its last place, but computed from +, -, *, / and sqrt
// alone. IEEE 754 rounds those exactly, so the angle has the same bits on
// every platform, while the C libraries' atan2 differ in their last bits
// from one library to the next. Two zero vectors give 0. The squares of the
// arguments must stay within the range of double, as those of products of
// float coordinates do.
double PortableAngle(double crossLength, double dot);

}  // namespace torvane
