#include "mesh/merge.h"

#include <algorithm>

#include "mesh/warning_mesh.h"
#include "mesh/warning_size.h"

namespace torvane {
namespace {

ObjTriangle WarningTriangle(const WarningBases& bases, std::size_t t)
{
    ObjTriangle triangle;
    for (int c = 0; c < 3; ++c)
        triangle.corners[c] = WarningCorner(bases, WarningTriangles[t][c]);
    return triangle;
}

}  // namespace

// Insertion j shifts every earlier-inserted element at or behind its index
// up by one; replaying that on the few inserted elements alone gives their
// final places without moving the model's elements at all.
std::vector<std::uint64_t> ScatterPlaces(std::uint64_t initialLength, std::size_t count, Random& random)
{
    // Every index is a draw (at most kRandomMax) reduced modulo the length,
    // and each insertion moves a place up by one at most, so no place goes
    // past kRandomMax + count: 32-bit places hold them, which the compiler
    // compares several at a time.
    std::vector<std::uint32_t> places(count);
    for (std::size_t j = 0; j < count; ++j) {
        std::uint64_t length = initialLength + j;
        std::uint64_t draw = DrawRandom(random);
        // An empty list has only one place to insert at.
        const auto index = static_cast<std::uint32_t>(length == 0 ? 0 : draw % length);
        // Without a branch: which elements move is a coin toss each time,
        // and this loop runs some 150,000 times per model.
        for (std::size_t k = 0; k < j; ++k)
            places[k] += static_cast<std::uint32_t>(places[k] >= index);
        places[j] = index;
    }
    return std::vector<std::uint64_t>(places.begin(), places.end());
}

WarningPlaces PlaceWarningTriangles(std::uint64_t modelTriangles, Random& random)
{
    WarningPlaces placed;
    placed.places = ScatterPlaces(modelTriangles, kWarningTriangleCount, random);
    placed.frontFirst.resize(kWarningTriangleCount);
    for (std::size_t t = 0; t < kWarningTriangleCount; ++t)
        placed.frontFirst[t] = t;
    std::sort(placed.frontFirst.begin(), placed.frontFirst.end(),
              [&](std::size_t a, std::size_t b) { return placed.places[a] < placed.places[b]; });
    return placed;
}

WarningBases AppendWarningRecords(ObjModel& model, NormalGeneration normals)
{
    auto base = [](std::size_t size, bool wanted) { return wanted ? static_cast<std::int32_t>(size) : kAbsent; };
    const WarningBases bases{base(model.positions.size(), !model.positions.empty()),
                             base(model.texcoords.size(), !model.texcoords.empty()),
                             base(model.normals.size(), !model.normals.empty() || GeneratesNormals(normals))};
    const float scale = WarningScale(model.bounds);
    for (const WarningVertex& record : WarningVertices) {
        if (bases.position != kAbsent)
            model.positions.push_back(ScaledWarningPosition(record, scale, model.bounds.max.y));
        if (bases.texcoord != kAbsent)
            model.texcoords.push_back({record.uvw[0], record.uvw[1], record.uvw[2]});
        if (bases.normal != kAbsent)
            model.normals.push_back({record.nrm[0], record.nrm[1], record.nrm[2]});
    }
    return bases;
}

ObjCorner WarningCorner(const WarningBases& bases, std::uint32_t record)
{
    auto offset = [record](std::int32_t base) {
        return base == kAbsent ? kAbsent : static_cast<std::int32_t>(static_cast<std::uint32_t>(base) + record);
    };
    return {offset(bases.position), offset(bases.texcoord), offset(bases.normal)};
}

void MergeWarningMesh(ObjModel& model, Random& random, NormalGeneration normals)
{
    const WarningBases bases = AppendWarningRecords(model, normals);
    const WarningPlaces placed = PlaceWarningTriangles(model.triangles.size(), random);
    // Visit the final places from the back: each model triangle moves up by
    // the number of warning triangles placed before it, so filling from the
    // end never overwrites a triangle that has yet to move.
    LargeList<ObjTriangle>& triangles = model.triangles;
    std::size_t source = triangles.size();
    triangles.resize(triangles.size() + kWarningTriangleCount);
    std::size_t pending = kWarningTriangleCount;
    for (std::size_t place = triangles.size(); place-- > 0;) {
        if (pending > 0 && placed.places[placed.frontFirst[pending - 1]] == place) {
            --pending;
            triangles[place] = WarningTriangle(bases, placed.frontFirst[pending]);
        } else {
            triangles[place] = triangles[--source];
        }
        if (pending == 0)
            break;  // everything below is already where it belongs
    }
}

}  // namespace torvane
