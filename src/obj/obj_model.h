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

// A line number for each axis.
struct AxisLines {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::uint64_t z = 0;
};

// The smallest and largest coordinate on each axis over all positions read
// (NaN never moves a bound), and for messages the line where each was first
// reached, 0 for a bound never moved. With no positions the minima stay at the largest
// float and the maxima at the lowest.
struct ModelBounds {
    Float3 min{3.402823466e+38f, 3.402823466e+38f, 3.402823466e+38f};
    Float3 max{-3.402823466e+38f, -3.402823466e+38f, -3.402823466e+38f};
    AxisLines minLine;
    AxisLines maxLine;
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

// Makes the model as new, but in the room its lists took: the next model
// then fills memory that is already touched.
inline void EmptyKeepingRoom(ObjModel& model)
{
    model.positions.clear();
    model.texcoords.clear();
    model.normals.clear();
    model.triangles.clear();
    model.bounds = ModelBounds();
}

}  // namespace torvane
