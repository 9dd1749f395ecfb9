#include "mesh/weld.h"

#include <algorithm>

namespace torvane {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// Vertices sharing a position index are chained from that position's head,
// so a lookup compares texture-coordinate and normal indices along a chain
// that is almost always one or two vertices long. It gives the same
// numbering as any exact map from index triples to vertex numbers.
struct CornerMap {
    std::vector<std::uint32_t> headOfPosition;
    std::vector<std::uint32_t> nextWithPosition;  // by vertex number
    std::vector<ObjCorner> keys;                  // by vertex number
};

struct PresentAttributes {
    bool texcoords = false;
    bool normals = false;
};

PresentAttributes FindPresentAttributes(const std::vector<ObjTriangle>& triangles)
{
    PresentAttributes present;
    for (const ObjTriangle& triangle : triangles) {
        for (const ObjCorner& corner : triangle.corners) {
            present.texcoords |= corner.texcoord != kAbsent;
            present.normals |= corner.normal != kAbsent;
        }
        if (present.texcoords && present.normals)
            break;
    }
    return present;
}

Float3 FlipV(const Float3& t)
{
    return {t.x, 1.0f - t.y, t.z};
}

std::uint32_t AddVertex(const ObjModel& model, const ObjCorner& corner, PresentAttributes present,
                        CornerMap& map, WeldedMesh& mesh)
{
    auto vertex = static_cast<std::uint32_t>(mesh.positions.size());
    mesh.positions.push_back(model.positions[static_cast<std::size_t>(corner.position)]);
    if (present.texcoords) {
        mesh.texcoords.push_back(corner.texcoord == kAbsent
                                     ? Float3{}
                                     : FlipV(model.texcoords[static_cast<std::size_t>(corner.texcoord)]));
    }
    if (present.normals) {
        mesh.normals.push_back(corner.normal == kAbsent
                                   ? Float3{}
                                   : model.normals[static_cast<std::size_t>(corner.normal)]);
    }
    std::uint32_t& head = map.headOfPosition[static_cast<std::size_t>(corner.position)];
    map.nextWithPosition.push_back(head);
    map.keys.push_back(corner);
    head = vertex;
    return vertex;
}

std::uint32_t FindOrAddVertex(const ObjModel& model, const ObjCorner& corner,
                              PresentAttributes present, CornerMap& map, WeldedMesh& mesh)
{
    std::uint32_t vertex = map.headOfPosition[static_cast<std::size_t>(corner.position)];
    while (vertex != kNone) {
        const ObjCorner& key = map.keys[vertex];
        if (key.texcoord == corner.texcoord && key.normal == corner.normal)
            return vertex;
        vertex = map.nextWithPosition[vertex];
    }
    return AddVertex(model, corner, present, map, mesh);
}

}  // namespace

WeldedMesh WeldCorners(const ObjModel& model)
{
    WeldedMesh mesh;
    PresentAttributes present = FindPresentAttributes(model.triangles);
    CornerMap map;
    map.headOfPosition.assign(model.positions.size(), kNone);
    // Most models have about as many vertices as positions.
    std::size_t expected = std::min(model.positions.size(), model.triangles.size() * 3);
    map.nextWithPosition.reserve(expected);
    map.keys.reserve(expected);
    mesh.positions.reserve(expected);
    mesh.indices.reserve(model.triangles.size() * 3);
    for (const ObjTriangle& triangle : model.triangles) {
        for (const ObjCorner& corner : triangle.corners)
            mesh.indices.push_back(FindOrAddVertex(model, corner, present, map, mesh));
    }
    return mesh;
}

}  // namespace torvane
