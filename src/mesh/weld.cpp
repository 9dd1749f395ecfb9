#include "mesh/weld.h"

#include <algorithm>

#include "platform/large_list.h"

namespace torvane {
namespace {

constexpr std::uint32_t kEmptySlot = 0;
constexpr std::size_t kFirstTableSize = std::size_t{1} << 12;
// Vertices one position may gather before its chain is too slow to walk,
// and the most compared per corner on average (after a start that lets a
// few crowded positions, such as the poles of a sphere, go by).
constexpr std::size_t kLongestChain = 48;
constexpr std::uint64_t kAverageSteps = 8;
constexpr std::uint64_t kStartingSteps = std::uint64_t{1} << 16;
// Positions are looked up directly up to this many per vertex made so far
// (or up to the room reserved): beyond that the chains would take more
// memory than the hash, and a wild index would take any amount.
constexpr std::size_t kChainsPerVertex = 8;
constexpr std::size_t kFewestChains = std::size_t{1} << 16;

std::uint32_t HashKey(const ObjCorner& key)
{
    std::uint64_t h = static_cast<std::uint32_t>(key.position);
    h = h * 0x9E3779B97F4A7C15u + static_cast<std::uint32_t>(key.texcoord);
    h = h * 0x9E3779B97F4A7C15u + static_cast<std::uint32_t>(key.normal);
    h *= 0xD6E8FEB86659FD93u;
    return static_cast<std::uint32_t>(h >> 32);
}

void InsertSlot(LargeList<std::uint32_t>& slots, const ObjCorner& key, std::uint32_t vertex)
{
    std::size_t mask = slots.size() - 1;
    std::size_t slot = HashKey(key) & mask;
    while (slots[slot] != kEmptySlot)
        slot = (slot + 1) & mask;
    slots[slot] = vertex + 1;
}

// At most a quarter full, so probe runs stay short.
void ResizeTable(CornerWelder& welder, std::size_t size)
{
    LargeList<std::uint32_t> slots(size, kEmptySlot);
    for (std::uint32_t vertex = 0; vertex < welder.keys.size(); ++vertex)
        InsertSlot(slots, welder.keys[vertex], vertex);
    welder.slots.swap(slots);
}

void SwitchToHash(CornerWelder& welder)
{
    std::size_t size = kFirstTableSize;
    while (size < welder.keys.size() * 4 + 4)
        size *= 2;
    ResizeTable(welder, size);
    LargeList<std::uint32_t>().swap(welder.chains);
    LargeList<std::uint32_t>().swap(welder.standInChains);
    LargeList<std::uint32_t>().swap(welder.nextOnPosition);
}

std::uint32_t AddKey(CornerWelder& welder, const ObjCorner& corner)
{
    auto vertex = static_cast<std::uint32_t>(welder.keys.size());
    AppendEntry(welder.keys, corner);
    welder.anyTexcoord |= corner.texcoord != kAbsent;
    welder.anyNormal |= corner.normal != kAbsent;
    return vertex;
}

std::uint32_t WeldHashed(CornerWelder& welder, const ObjCorner& corner)
{
    std::size_t mask = welder.slots.size() - 1;
    std::size_t slot = HashKey(corner) & mask;
    for (;;) {
        std::uint32_t entry = welder.slots[slot];
        if (entry == kEmptySlot)
            break;
        if (welder.keys[entry - 1] == corner)
            return entry - 1;
        slot = (slot + 1) & mask;
    }
    std::uint32_t vertex = AddKey(welder, corner);
    welder.slots[slot] = vertex + 1;
    if (welder.keys.size() * 4 > welder.slots.size())
        ResizeTable(welder, welder.slots.size() * 2);
    return vertex;
}

// Where the chain of position is: negative positions (the warning's
// stand-ins) count down from -1 in a list of their own.
std::size_t ChainIndex(std::int32_t position)
{
    return position >= 0 ? static_cast<std::size_t>(position)
                         : static_cast<std::size_t>(-1 - static_cast<std::int64_t>(position));
}

template <typename Welder>
auto& ChainsOf(Welder& welder, std::int32_t position)
{
    return position >= 0 ? welder.chains : welder.standInChains;
}

// The chain of position, or nullptr when it lies too far out to be held.
std::uint32_t* ChainOf(CornerWelder& welder, std::int32_t position)
{
    LargeList<std::uint32_t>& chains = ChainsOf(welder, position);
    std::size_t index = ChainIndex(position);
    if (index >= chains.size()) {
        std::size_t limit = std::max({kFewestChains, welder.keys.size() * kChainsPerVertex, chains.capacity()});
        if (index >= limit)
            return nullptr;
        if (index >= chains.capacity())
            chains.reserve(std::max(index + 1, GrownCapacity<std::uint32_t>(chains.capacity())));
        chains.resize(index + 1);
    }
    return &chains[index];
}

}  // namespace

std::uint32_t WeldCorner(CornerWelder& welder, const ObjCorner& corner)
{
    if (!welder.slots.empty())
        return WeldHashed(welder, corner);
    std::uint32_t* chain = ChainOf(welder, corner.position);
    if (chain == nullptr) {
        SwitchToHash(welder);
        return WeldHashed(welder, corner);
    }
    std::size_t length = 0;
    ++welder.chainWalks;
    for (std::uint32_t entry = *chain; entry != 0; entry = welder.nextOnPosition[entry - 1]) {
        if (welder.keys[entry - 1] == corner) {
            welder.chainSteps += length;
            return entry - 1;
        }
        if (++length == kLongestChain ||
            welder.chainSteps + length > kAverageSteps * welder.chainWalks + kStartingSteps) {
            SwitchToHash(welder);
            return WeldHashed(welder, corner);
        }
    }
    welder.chainSteps += length;
    std::uint32_t vertex = AddKey(welder, corner);
    AppendEntry(welder.nextOnPosition, *chain);
    *chain = vertex + 1;
    return vertex;
}

std::int64_t FindVertex(const CornerWelder& welder, const ObjCorner& corner)
{
    if (!welder.slots.empty()) {
        std::size_t mask = welder.slots.size() - 1;
        for (std::size_t slot = HashKey(corner) & mask; welder.slots[slot] != kEmptySlot; slot = (slot + 1) & mask) {
            if (welder.keys[welder.slots[slot] - 1] == corner)
                return welder.slots[slot] - 1;
        }
        return -1;
    }
    const LargeList<std::uint32_t>& chains = ChainsOf(welder, corner.position);
    std::size_t index = ChainIndex(corner.position);
    if (index >= chains.size())
        return -1;
    for (std::uint32_t entry = chains[index]; entry != 0; entry = welder.nextOnPosition[entry - 1]) {
        if (welder.keys[entry - 1] == corner)
            return entry - 1;
    }
    return -1;
}

void ReserveWelder(CornerWelder& welder, std::size_t positions, std::size_t vertices, std::size_t corners)
{
    welder.chains.reserve(positions);
    welder.keys.reserve(vertices);
    welder.nextOnPosition.reserve(vertices);
    welder.indices.reserve(corners);
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
