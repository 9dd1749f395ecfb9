#pragma once

// The little vector arithmetic the tools and their tests do on a header's
// float triples, in double.

#include <array>

namespace torvane::tools {

struct Vector {
    double x, y, z;
};

inline Vector Minus(const std::array<float, 3>& a, const std::array<float, 3>& b)
{
    return {double(a[0]) - b[0], double(a[1]) - b[1], double(a[2]) - b[2]};
}

inline Vector Cross(const Vector& a, const Vector& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double Dot(const Vector& a, const Vector& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

}  // namespace torvane::tools
