#include "mesh/weld.h"

#include "obj/large_list.h"

namespace torvane {
namespace {

constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
constexpr std::size_t kFirstTableSize = std::size_t{1} << 12;

// Indices of neighbouring corners are close together, so the hash must mix
// all their bits into the slot number or runs of keys collide in clusters.
std::uint32_t HashKey(const ObjCorner& key)
{
    std::uint64_t h = static_cast<std::uint32_t>(key.position);
    h = h * 0x9E3779B97F4A7C15u + static_cast<std::uint32_t>(key.texcoord);
    h = h * 0x9E3779B97F4A7C15u + static_cast<std::uint32_t>(key.normal);
    h *= 0xD6E8FEB86659FD93u;
    return static_cast<std::uint32_t>(h >> 32);
}

void InsertSlot(std::vector<std::uint32_t>& slots, std::uint32_t hash, std::uint32_t vertex)
{
    std::size_t mask = slots.size() - 1;
    std::size_t slot = hash & mask;
    while (slots[slot] != kEmptySlot)
        slot = (slot + 1) & mask;
    slots[slot] = vertex;
}

// At most half full, so a probe run stays short.
void ResizeTable(CornerWelder& welder, std::size_t size)
{
    std::vector<std::uint32_t> slots;
    ReserveLarge(slots, size);
    slots.assign(size, kEmptySlot);
    for (std::uint32_t vertex = 0; vertex < welder.keys.size(); ++vertex)
        InsertSlot(slots, HashKey(welder.keys[vertex]), vertex);
    welder.slots.swap(slots);
}

std::uint32_t AddVertex(CornerWelder& welder, const ObjCorner& corner, std::size_t slot)
{
    auto vertex = static_cast<std::uint32_t>(welder.keys.size());
    AppendLarge(welder.keys, corner);
    welder.slots[slot] = vertex;
    welder.anyTexcoord |= corner.texcoord != kAbsent;
    welder.anyNormal |= corner.normal != kAbsent;
    if (welder.keys.size() * 2 > welder.slots.size())
        ResizeTable(welder, welder.slots.size() * 2);
    return vertex;
}

}  // namespace

std::uint32_t WeldCorner(CornerWelder& welder, const ObjCorner& corner)
{
    if (welder.slots.empty())
        ResizeTable(welder, kFirstTableSize);
    std::size_t mask = welder.slots.size() - 1;
    std::size_t slot = HashKey(corner) & mask;
    for (;;) {
        std::uint32_t vertex = welder.slots[slot];
        if (vertex == kEmptySlot)
            return AddVertex(welder, corner, slot);
        if (welder.keys[vertex] == corner)
            return vertex;
        slot = (slot + 1) & mask;
    }
}

void ReserveWelder(CornerWelder& welder, std::size_t vertices, std::size_t corners)
{
    ReserveLarge(welder.keys, vertices);
    ReserveLarge(welder.indices, corners);
    std::size_t table = kFirstTableSize;
    while (table < vertices * 2)
        table *= 2;
    if (table > welder.slots.size())
        ResizeTable(welder, table);
}

Float3 VertexPosition(const ObjModel& model, const ObjCorner& key)
{
    return model.positions[static_cast<std::size_t>(key.position)];
}

Float3 VertexTexcoord(const ObjModel& model, const ObjCorner& key)
{
    if (key.texcoord == kAbsent)
        return {};
    const Float3& t = model.texcoords[static_cast<std::size_t>(key.texcoord)];
    return {t.x, 1.0f - t.y, t.z};
}

Float3 VertexNormal(const ObjModel& model, const ObjCorner& key)
{
    return key.normal == kAbsent ? Float3{} : model.normals[static_cast<std::size_t>(key.normal)];
}

WeldedMesh WeldCorners(const ObjModel& model)
{
    CornerWelder welder;
    for (const ObjTriangle& triangle : model.triangles)
        WeldTriangle(welder, triangle);
    WeldedMesh mesh;
    mesh.positions.reserve(welder.keys.size());
    for (const ObjCorner& key : welder.keys) {
        mesh.positions.push_back(VertexPosition(model, key));
        if (welder.anyTexcoord)
            mesh.texcoords.push_back(VertexTexcoord(model, key));
        if (welder.anyNormal)
            mesh.normals.push_back(VertexNormal(model, key));
    }
    mesh.indices = std::move(welder.indices);
    return mesh;
}

}  // namespace torvane
