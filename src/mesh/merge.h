#pragma once

#include <cstdint>
#include <vector>

#include "mesh/random.h"
#include "obj/normal_generation.h"
#include "obj/obj_model.h"

namespace torvane {

// For each of count insertions, in order, draws r and inserts at r mod n,
// where n is the list's length at that moment (initialLength before the
// first). Returns the place in the list where each inserted element ends up
// once all are in.
std::vector<std::uint64_t> ScatterPlaces(std::uint64_t initialLength, std::size_t count, Random& random);

// With at least this many triangles in the model every draw lies below the
// list's length, so each warning triangle lands where its draw says
// whatever the model's final size: the merged order of everything is known
// as soon as this many model triangles have been read.
inline constexpr std::size_t kScatterReach = std::size_t{kRandomMax} + 1;

// Where the warning's triangles go among a model's, one draw each.
struct WarningPlaces {
    std::vector<std::uint64_t> places;    // by warning triangle: its place in the merged list
    std::vector<std::size_t> frontFirst;  // the warning triangles by place
};

WarningPlaces PlaceWarningTriangles(std::uint64_t modelTriangles, Random& random);

// Where the warning's records start in the model's lists, or kAbsent for a
// list that was empty and so did not get them.
struct WarningBases {
    std::int32_t position;
    std::int32_t texcoord;
    std::int32_t normal;
};

// Appends the warning's records to each of the model's lists that is not
// empty, its positions scaled to the model and raised to the model's
// highest point; returns where they went. When normals are generated the
// warning's normals are appended even to a model without any, since its
// vertices then keep their own.
WarningBases AppendWarningRecords(ObjModel& model, NormalGeneration normals);

// The corner that names the warning's record once the records are appended
// at bases.
ObjCorner WarningCorner(const WarningBases& bases, std::uint32_t record);

// Merges the built-in "HFILE" warning mesh into the model: its records
// appended, and its triangles scattered through the model's triangle list,
// one draw per triangle. The model's own triangles keep their relative
// order. Linear in the model's size, although the result is that of
// inserting the triangles one by one.
void MergeWarningMesh(ObjModel& model, Random& random, NormalGeneration normals);

}  // namespace torvane
