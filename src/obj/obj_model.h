#pragma once

#include <cstdint>

#include "platform/large_list.h"

namespace torvane {

// A position (x, y, z), texture coordinate (u, v, w) or normal.
struct Float3 {
    float x = 0;
    float y = 0;
    float z = 0;

    friend bool operator==(const Float3&, const Float3&) = default;
};

// 0-based indices into the model's lists; kAbsent where a corner lacks one.
inline constexpr std::int32_t kAbsent = -1;

struct ObjCorner {
    std::int32_t position = kAbsent;
    std::int32_t texcoord = kAbsent;
    std::int32_t normal = kAbsent;

    friend bool operator==(const ObjCorner&, const ObjCorner&) = default;
};

struct ObjTriangle {
    ObjCorner corners[3];

    friend bool operator==(const ObjTriangle&, const ObjTriangle&) = default;
};

// Below this distance from zero on every axis, the warning scaled to the
// model stays in the float range: the warning's coordinates lie within 1 of
// zero, and its scale and every sum on the way stay within six times the
// model's largest coordinate.
inline constexpr float kFarCoordinate = 3.402823466e+38f / 8;

// The line to name when the warning scaled to the model leaves the float
// range: that of the coordinate farthest from zero, the first of equals,
// among those at least kFarCoordinate from it.
struct FarthestCoordinate {
    float magnitude = 0;
    std::uint64_t line = 0;  // 0 while no coordinate is that far
};

// The smallest and largest coordinate on each axis over all positions read
// (NaN never moves a bound). With no positions the minima stay at the
// largest float and the maxima at the lowest.
struct ModelBounds {
    Float3 min{3.402823466e+38f, 3.402823466e+38f, 3.402823466e+38f};
    Float3 max{-3.402823466e+38f, -3.402823466e+38f, -3.402823466e+38f};
    FarthestCoordinate farthest;
};

// Everything the reader takes from one OBJ file. Entry i of each attribute
// list is OBJ index i + 1 of its kind.
struct ObjModel {
    LargeList<Float3> positions;
    LargeList<Float3> texcoords;
    LargeList<Float3> normals;
    LargeList<ObjTriangle> triangles;
    ModelBounds bounds;
};

}  // namespace torvane
