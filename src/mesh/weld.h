#pragma once

#include <cstdint>

#include "platform/large_list.h"
#include "obj/obj_model.h"

namespace torvane {

// An indexed mesh: vertex k is made of entry k of each non-empty list.
struct WeldedMesh {
    LargeList<Float3> positions;
    LargeList<Float3> texcoords;       // v flipped; empty when no corner names one
    LargeList<Float3> normals;         // empty when no corner names one
    LargeList<std::uint32_t> indices;  // three per triangle
};

// Vertices found through their position: a position has one vertex, or a
// few along seams. heads[p] is one more than the newest vertex on position p
// (0: none yet) and nextOnPosition[k] one more than the vertex made on the
// same position before vertex k. That takes 8 bytes per vertex, a quarter of
// a hash table kept sparse enough to be quick.
struct PositionChains {
    LargeList<std::uint32_t> heads;           // by position
    LargeList<std::uint32_t> standInHeads;    // by the record a stand-in key stands in for
    LargeList<std::uint32_t> nextOnPosition;  // by vertex
    std::uint64_t steps = 0;                  // vertices passed over along chains so far
    std::uint64_t walks = 0;                  // corners looked up along chains so far
};

// Open addressing over the vertices' keys: 0 an empty slot, any other value
// one more than a vertex number.
struct ScatteringHash {
    LargeList<std::uint32_t> slots;
};

// Welding before the values are looked up: vertex k is the index triple
// keys[k], so corners can be welded while the file is still being read and
// the values gathered only when the header is written.
//
// Vertices are found along the position chains. Key sets that defeat them
// (many vertices on one position, or a few dozen on every position,
// positions far beyond the vertices made so far) switch the welder to the
// scattering hash for good.
struct CornerWelder {
    LargeList<ObjCorner> keys;         // by vertex number, in order of first use
    LargeList<std::uint32_t> indices;  // three per triangle
    PositionChains chains;             // emptied on the switch
    ScatteringHash hash;               // empty until the switch
    bool anyTexcoord = false;          // some vertex names a texture coordinate
    bool anyNormal = false;
};

// WeldCorner for a corner that is not the head of its position's chain,
// and for every corner once the welder hashes.
std::uint32_t WeldCornerPastHead(CornerWelder& welder, const ObjCorner& corner);

// The vertex number of corner, a new one on its first use. Keys are compared
// as index triples only, so no index is looked up or checked here.
inline std::uint32_t WeldCorner(CornerWelder& welder, const ObjCorner& corner)
{
    // Nearly every corner is the newest vertex on its position, the head of
    // its chain: a walk that passes over nothing. A stand-in's position
    // (negative) lies beyond every position held, and so do all once the
    // chains are given up for the hash.
    PositionChains& chains = welder.chains;
    const auto position = static_cast<std::uint32_t>(corner.position);
    if (position < chains.heads.size()) {
        const std::uint32_t head = chains.heads[position];
        if (head != 0 && welder.keys[head - 1] == corner) {
            ++chains.walks;
            return head - 1;
        }
    }
    return WeldCornerPastHead(welder, corner);
}

inline void WeldTriangle(CornerWelder& welder, const ObjTriangle& triangle)
{
    for (const ObjCorner& corner : triangle.corners)
        AppendEntry(welder.indices, WeldCorner(welder, corner));
}

// The vertex number of corner, or -1 when no vertex has it yet.
std::int64_t FindVertex(const CornerWelder& welder, const ObjCorner& corner);

// Makes the welder as new, but in the room its lists took: the next model
// then fills memory that is already touched.
void EmptyKeepingRoom(CornerWelder& welder);

// Room for the given numbers of positions, vertices and corners without
// regrowing the lists.
void ReserveWelder(CornerWelder& welder, std::size_t positions, std::size_t vertices, std::size_t corners);

// Flips v and gives (0, 0, 0) where a vertex lacks an attribute that others
// have: the values of vertex k as a WeldedMesh holds them.
Float3 VertexPosition(const ObjModel& model, const ObjCorner& key);
Float3 VertexTexcoord(const ObjModel& model, const ObjCorner& key);
Float3 VertexNormal(const ObjModel& model, const ObjCorner& key);

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

// WeldCorners in two steps, for a caller that completes the keys between
// them: the model's triangles welded in order, and then the values of the
// welded vertices looked up (the welder's indices move into the mesh).
CornerWelder WeldTriangles(const ObjModel& model);
WeldedMesh GatherMesh(const ObjModel& model, CornerWelder& welder);

}  // namespace torvane
