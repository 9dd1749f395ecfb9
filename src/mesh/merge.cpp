#include "mesh/merge.h"

#include <algorithm>
#include <cmath>

#include "mesh/warning_mesh.h"

namespace torvane {
namespace {

void AppendWarningRecords(ObjModel& model, float scale, float height)
{
    bool hasPositions = !model.positions.empty();
    bool hasTexcoords = !model.texcoords.empty();
    bool hasNormals = !model.normals.empty();
    for (const WarningVertex& record : WarningVertices) {
        if (hasPositions) {
            // Each product is rounded to float before the sum.
            float scaledY = record.pos[1] * scale;
            model.positions.push_back({record.pos[0] * scale, scaledY + height, record.pos[2] * scale});
        }
        if (hasTexcoords)
            model.texcoords.push_back({record.uvw[0], record.uvw[1], record.uvw[2]});
        if (hasNormals)
            model.normals.push_back({record.nrm[0], record.nrm[1], record.nrm[2]});
    }
}

std::int32_t Offset(bool present, std::size_t base, std::uint32_t index)
{
    return present ? static_cast<std::int32_t>(base + index) : kAbsent;
}

ObjTriangle WarningTriangle(std::size_t t, std::size_t positionBase, std::size_t texcoordBase,
                            std::size_t normalBase, bool hasPositions, bool hasTexcoords,
                            bool hasNormals)
{
    ObjTriangle triangle;
    for (int c = 0; c < 3; ++c) {
        std::uint32_t record = WarningTriangles[t][c];
        triangle.corners[c] = {Offset(hasPositions, positionBase, record),
                               Offset(hasTexcoords, texcoordBase, record),
                               Offset(hasNormals, normalBase, record)};
    }
    return triangle;
}

}  // namespace

float WarningScale(const ModelBounds& bounds)
{
    const float third = 0.333333f;
    float a = std::fabs(bounds.max.x - bounds.min.x) + std::fabs(bounds.max.y - bounds.min.y);
    float b = a + std::fabs(bounds.max.z - bounds.min.z);
    float c = b * third;
    return c * 0.5f;
}

// Insertion j shifts every earlier-inserted element at or behind its index
// up by one; replaying that on the few inserted elements alone gives their
// final places without moving the model's elements at all.
std::vector<std::uint64_t> ScatterPositions(std::uint64_t initialLength, std::size_t count,
                                            Random& random)
{
    std::vector<std::uint64_t> positions(count);
    for (std::size_t j = 0; j < count; ++j) {
        std::uint64_t length = initialLength + j;
        std::uint64_t draw = DrawRandom(random);
        // An empty list has only one place to insert at.
        std::uint64_t index = length == 0 ? 0 : draw % length;
        for (std::size_t k = 0; k < j; ++k) {
            if (positions[k] >= index)
                ++positions[k];
        }
        positions[j] = index;
    }
    return positions;
}

void MergeWarningMesh(ObjModel& model, Random& random)
{
    std::size_t positionBase = model.positions.size();
    std::size_t texcoordBase = model.texcoords.size();
    std::size_t normalBase = model.normals.size();
    bool hasPositions = positionBase != 0;
    bool hasTexcoords = texcoordBase != 0;
    bool hasNormals = normalBase != 0;

    AppendWarningRecords(model, WarningScale(model.bounds), model.bounds.max.y);

    std::vector<std::uint64_t> places =
        ScatterPositions(model.triangles.size(), kWarningTriangleCount, random);
    // Visit the final places from the back: each model triangle moves up by
    // the number of warning triangles placed before it, so filling from the
    // end never overwrites a triangle that has yet to move.
    std::vector<std::size_t> byPlace(kWarningTriangleCount);
    for (std::size_t t = 0; t < kWarningTriangleCount; ++t)
        byPlace[t] = t;
    std::sort(byPlace.begin(), byPlace.end(),
              [&](std::size_t a, std::size_t b) { return places[a] < places[b]; });

    std::vector<ObjTriangle>& triangles = model.triangles;
    std::size_t source = triangles.size();
    triangles.resize(triangles.size() + kWarningTriangleCount);
    std::size_t pending = kWarningTriangleCount;
    for (std::size_t place = triangles.size(); place-- > 0;) {
        if (pending > 0 && places[byPlace[pending - 1]] == place) {
            --pending;
            triangles[place] = WarningTriangle(byPlace[pending], positionBase, texcoordBase,
                                               normalBase, hasPositions, hasTexcoords, hasNormals);
        } else {
            triangles[place] = triangles[--source];
        }
        if (pending == 0)
            break;  // everything below is already where it belongs
    }
}

}  // namespace torvane
