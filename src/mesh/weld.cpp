#include "mesh/weld.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "obj/large_list.h"

namespace torvane {
namespace {

constexpr std::uint32_t kEmptySlot = 0;
constexpr std::size_t kFirstTableSize = std::size_t{1} << 12;
// A probe run this long means the keys defeat the ordered placement.
constexpr std::size_t kLongestProbe = 48;

std::uint32_t HashKey(const ObjCorner& key)
{
    std::uint64_t h = static_cast<std::uint32_t>(key.position);
    h = h * 0x9E3779B97F4A7C15u + static_cast<std::uint32_t>(key.texcoord);
    h = h * 0x9E3779B97F4A7C15u + static_cast<std::uint32_t>(key.normal);
    h *= 0xD6E8FEB86659FD93u;
    return static_cast<std::uint32_t>(h >> 32);
}

// Corners that follow each other in a file mostly name nearby positions, so
// the vertices of position p get the stride slots from p * stride on: a
// lookup then lands near the previous one, in cache, where a scattering
// hash would miss it every time. Keys that pile up regardless (thousands of
// vertices on one position) switch the table to the scattering hash.
std::size_t HomeSlot(const CornerWelder& welder, const ObjCorner& key)
{
    std::uint64_t hash = HashKey(key);
    if (welder.stride == 0)
        return static_cast<std::size_t>(hash);
    std::uint64_t within = (hash * welder.stride) >> 32;
    return static_cast<std::size_t>(std::uint64_t{static_cast<std::uint32_t>(key.position)} * welder.stride + within);
}

void InsertSlot(CornerWelder& welder, SlotTable& slots, std::uint32_t vertex)
{
    std::size_t mask = slots.size() - 1;
    std::size_t slot = HomeSlot(welder, welder.keys[vertex]) & mask;
    while (slots[slot] != kEmptySlot)
        slot = (slot + 1) & mask;
    slots[slot] = vertex + 1;
}

// At most a quarter full, and the stride spreads the positions seen so far
// over half the table, leaving the rest for those still to come: so a
// position has about four slots, room for the second vertex that a texture
// seam gives each position along it without spilling into the next.
void ResizeTable(CornerWelder& welder, std::size_t size, bool scatter)
{
    SlotTable slots = SlotTable::Zeroed(size);
    // At least two slots per position, or a second vertex of a position
    // would have to probe past every following position.
    if (scatter)
        welder.stride = 0;
    else if (welder.keys.empty())
        welder.stride = 2;
    else
        welder.stride = std::max<std::size_t>(2, size / 2 / (std::size_t{welder.largestPosition} + 1));
    for (std::uint32_t vertex = 0; vertex < welder.keys.size(); ++vertex)
        InsertSlot(welder, slots, vertex);
    welder.slots.swap(slots);
}

std::uint32_t AddVertex(CornerWelder& welder, const ObjCorner& corner, std::size_t slot,
                        std::size_t probes)
{
    auto vertex = static_cast<std::uint32_t>(welder.keys.size());
    AppendLarge(welder.keys, corner);
    welder.slots[slot] = vertex + 1;
    welder.anyTexcoord |= corner.texcoord != kAbsent;
    welder.anyNormal |= corner.normal != kAbsent;
    if (corner.position > 0 && static_cast<std::uint32_t>(corner.position) > welder.largestPosition)
        welder.largestPosition = static_cast<std::uint32_t>(corner.position);
    bool scattered = welder.stride == 0;
    if (welder.keys.size() * 4 > welder.slots.size())
        ResizeTable(welder, welder.slots.size() * 2, scattered);
    else if (probes > kLongestProbe && !scattered)
        ResizeTable(welder, welder.slots.size(), true);
    return vertex;
}

}  // namespace

SlotTable SlotTable::Zeroed(std::size_t size)
{
    SlotTable table;
    table.data_.reset(static_cast<std::uint32_t*>(std::calloc(size, sizeof(std::uint32_t))));
    if (!table.data_)
        throw std::bad_alloc();
    AdviseLargePages(table.data_.get(), size * sizeof(std::uint32_t));
    table.size_ = size;
    return table;
}

std::uint32_t WeldCorner(CornerWelder& welder, const ObjCorner& corner)
{
    if (welder.slots.empty())
        ResizeTable(welder, kFirstTableSize, false);
    std::size_t mask = welder.slots.size() - 1;
    std::size_t slot = HomeSlot(welder, corner) & mask;
    for (std::size_t probes = 0;; ++probes) {
        std::uint32_t entry = welder.slots[slot];
        if (entry == kEmptySlot)
            return AddVertex(welder, corner, slot, probes);
        if (welder.keys[entry - 1] == corner)
            return entry - 1;
        slot = (slot + 1) & mask;
    }
}

void ReserveWelder(CornerWelder& welder, std::size_t vertices, std::size_t corners)
{
    // The table is left to grow: its slots per position are set from the
    // largest position seen so far, which a table sized up front cannot know.
    ReserveLarge(welder.keys, vertices);
    ReserveLarge(welder.indices, corners);
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
