#pragma once

#include <cstdint>
#include <vector>

#include "mesh/random.h"
#include "obj/obj_model.h"

namespace torvane {

// The warning's scale for a model: half the mean extent of its bounds,
// computed in float in a fixed order so every platform gets the same bits.
float WarningScale(const ModelBounds& bounds);

// For each of count insertions, in order, draws r and inserts at r mod n,
// where n is the list's length at that moment (initialLength before the
// first). Returns where each inserted element ends up once all are in.
std::vector<std::uint64_t> ScatterPositions(std::uint64_t initialLength, std::size_t count,
                                            Random& random);

// Merges the built-in "HFILE" warning mesh into the model: its records are
// appended to each attribute list that is not empty, its positions scaled to
// the model and raised to the model's highest point, and its triangles
// scattered through the model's triangle list, one draw per triangle. The
// model's own triangles keep their relative order. Linear in the model's
// size, although the result is that of inserting the triangles one by one.
void MergeWarningMesh(ObjModel& model, Random& random);

}  // namespace torvane
