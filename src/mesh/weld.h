#pragma once

#include <cstdint>
#include <vector>

#include "obj/obj_model.h"

namespace torvane {

// An indexed mesh: vertex k is made of entry k of each non-empty list.
struct WeldedMesh {
    std::vector<Float3> positions;
    std::vector<Float3> texcoords;  // v flipped; empty when no corner names one
    std::vector<Float3> normals;    // empty when no corner names one
    std::vector<std::uint32_t> indices;  // three per triangle
};

// Gives every distinct (position, texture coordinate, normal) index triple
// one vertex, numbered by first use in triangle and corner order, and
// describes each triangle by its three vertex numbers. Texture coordinates
// become (u, 1 - v, w).
//
// Requires every corner to carry a position index and every present index to
// lie within its list (the reader guarantees both). When only some corners
// carry a texture coordinate or a normal, the vertices of the others get
// (0, 0, 0) for it, so the lists stay aligned.
WeldedMesh WeldCorners(const ObjModel& model);

}  // namespace torvane
