#pragma once

#include <string>

#include "mesh/weld.h"
#include "obj/obj_model.h"

namespace torvane {

// Gives the welded vertices whose keys carry a normal code
// (obj/normal_generation.h) their generated normals. Runs once the mesh is
// welded and the warning's records are in the model's lists, so that every
// key names its position.
//
// A triangle's face normal is the cross product (b - a) x (c - a) of its
// corners' positions a, b and c, scaled to length 1: it points to the side
// from which the corners run counter-clockwise. The vertices with one code
// at one position (of one smoothing group there, or of one flat triangle)
// share one normal: the sum of the face normals of the triangles they are
// corners of, each weighted by the triangle's angle at that position, taken
// in triangle order and scaled to length 1. A degenerate triangle (of no
// area) adds nothing, and a sum of exactly zero (a degenerate triangle
// alone, faces that cancel) gives (0, 0, 0).
//
// The normals are appended to model.normals, after those read and the
// warning's, in the order of the first vertex to take each, and the codes
// replaced by their indices; the welder takes no more corners after that.
// False with error set when the normals would not fit in an index.
bool GenerateNormals(ObjModel& model, CornerWelder& welder, std::string* error);

}  // namespace torvane
