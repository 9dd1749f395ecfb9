#include "mesh/weld.h"

#include <algorithm>

#include "mesh/stand_in.h"
#include "platform/large_list.h"

namespace torvane {
namespace {

constexpr std::int64_t kNoVertex = -1;

// Vertices one position may gather before its chain is too slow to walk,
// and the most passed over per corner on average (after a start that lets
// a few crowded positions, such as the poles of a sphere, go by).
constexpr std::size_t kLongestChain = 48;
constexpr std::uint64_t kAverageSteps = 8;
constexpr std::uint64_t kStartingSteps = std::uint64_t{1} << 16;
// Positions are held directly up to this many per vertex made so far (or
// up to the room reserved): beyond that the chains would take more memory
// than the hash, and a wild index would take any amount.
constexpr std::size_t kChainsPerVertex = 8;
constexpr std::size_t kFewestChains = std::size_t{1} << 16;

// Where the chain of a key's position is: the warning's stand-ins have
// chains of their own, by record.
std::size_t ChainIndex(const ObjCorner& key)
{
    return IsStandIn(key) ? StandInRecord(key) : static_cast<std::size_t>(static_cast<std::uint32_t>(key.position));
}

template <typename Chains>
auto& HeadsOf(Chains& chains, const ObjCorner& key)
{
    return IsStandIn(key) ? chains.standInHeads : chains.heads;
}

struct ChainSearch {
    std::int64_t vertex;  // kNoVertex when the chain lacks the key
    std::size_t steps;    // vertices passed over on the way
};

inline ChainSearch FindOnChain(const PositionChains& chains, const LargeList<ObjCorner>& keys, const ObjCorner& corner)
{
    const LargeList<std::uint32_t>& heads = HeadsOf(chains, corner);
    const std::size_t index = ChainIndex(corner);
    ChainSearch search{kNoVertex, 0};
    if (index >= heads.size())
        return search;
    for (std::uint32_t entry = heads[index]; entry != 0; entry = chains.nextOnPosition[entry - 1]) {
        if (keys[entry - 1] == corner) {
            search.vertex = entry - 1;
            return search;
        }
        ++search.steps;
    }
    return search;
}

// Counts a walk that passed over steps vertices; whether the chains are
// still worth walking after it.
bool CountWalk(PositionChains& chains, std::size_t steps)
{
    chains.steps += steps;
    ++chains.walks;
    return steps < kLongestChain && chains.steps <= kAverageSteps * chains.walks + kStartingSteps;
}

// Room for the chain at index among heads; false when it lies too far out.
bool HoldChain(LargeList<std::uint32_t>& heads, std::size_t index, std::size_t vertexCount)
{
    if (index < heads.size())
        return true;
    if (index >= std::max({kFewestChains, vertexCount * kChainsPerVertex, heads.capacity()}))
        return false;
    if (index >= heads.capacity())
        heads.reserve(std::max(index + 1, GrownCapacity<std::uint32_t>(heads.capacity())));
    // A block of empty heads at a time: positions mostly come in order, and
    // a resize for each costs more than the zeros.
    constexpr std::size_t kHeadsBlock = 256;
    heads.resize(std::min(heads.capacity(), std::max(index + 1, heads.size() + kHeadsBlock)));
    return true;
}

// Puts the new vertex, numbered after all others, at the head of the chain
// of its key's position; false when that chain cannot be held.
bool AddToChain(PositionChains& chains, const ObjCorner& key, std::uint32_t vertex)
{
    LargeList<std::uint32_t>& heads = HeadsOf(chains, key);
    const std::size_t index = ChainIndex(key);
    if (!HoldChain(heads, index, vertex))
        return false;
    AppendEntry(chains.nextOnPosition, heads[index]);
    heads[index] = vertex + 1;
    return true;
}

constexpr std::uint32_t kEmptySlot = 0;
constexpr std::size_t kFirstTableSize = std::size_t{1} << 12;

std::uint32_t HashKey(const ObjCorner& key)
{
    std::uint64_t h = static_cast<std::uint32_t>(key.position);
    h = h * 0x9E3779B97F4A7C15u + static_cast<std::uint32_t>(key.texcoord);
    h = h * 0x9E3779B97F4A7C15u + static_cast<std::uint32_t>(key.normal);
    h *= 0xD6E8FEB86659FD93u;
    return static_cast<std::uint32_t>(h >> 32);
}

struct SlotSearch {
    std::int64_t vertex;  // kNoVertex when the hash lacks the key
    std::size_t slot;     // the key's slot, or the empty one it would take
};

inline SlotSearch FindInHash(const ScatteringHash& hash, const LargeList<ObjCorner>& keys, const ObjCorner& corner)
{
    const std::size_t mask = hash.slots.size() - 1;
    std::size_t slot = HashKey(corner) & mask;
    for (; hash.slots[slot] != kEmptySlot; slot = (slot + 1) & mask) {
        if (keys[hash.slots[slot] - 1] == corner)
            return {hash.slots[slot] - 1, slot};
    }
    return {kNoVertex, slot};
}

// Keeps the table at most a quarter full, so probe runs stay short.
void RebuildHash(ScatteringHash& hash, const LargeList<ObjCorner>& keys, std::size_t size)
{
    LargeList<std::uint32_t> slots(size, kEmptySlot);
    const std::size_t mask = size - 1;
    for (std::uint32_t vertex = 0; vertex < keys.size(); ++vertex) {
        std::size_t slot = HashKey(keys[vertex]) & mask;
        while (slots[slot] != kEmptySlot)
            slot = (slot + 1) & mask;
        slots[slot] = vertex + 1;
    }
    hash.slots.swap(slots);
}

// Puts the newest vertex, whose key keys already holds, into the empty slot
// that FindInHash gave for it.
void AddToHash(ScatteringHash& hash, const LargeList<ObjCorner>& keys, std::size_t slot)
{
    hash.slots[slot] = static_cast<std::uint32_t>(keys.size());
    if (keys.size() * 4 > hash.slots.size())
        RebuildHash(hash, keys, hash.slots.size() * 2);
}

void SwitchToHash(CornerWelder& welder)
{
    std::size_t size = kFirstTableSize;
    while (size < welder.keys.size() * 4 + 4)
        size *= 2;
    RebuildHash(welder.hash, welder.keys, size);
    welder.chains = PositionChains{};
}

inline std::uint32_t AddKey(CornerWelder& welder, const ObjCorner& corner)
{
    auto vertex = static_cast<std::uint32_t>(welder.keys.size());
    AppendEntry(welder.keys, corner);
    welder.anyTexcoord |= corner.texcoord != kAbsent;
    welder.anyNormal |= corner.normal != kAbsent;
    return vertex;
}

}  // namespace

std::uint32_t WeldCornerPastHead(CornerWelder& welder, const ObjCorner& corner)
{
    if (welder.hash.slots.empty()) {
        const ChainSearch search = FindOnChain(welder.chains, welder.keys, corner);
        const bool worthWalking = CountWalk(welder.chains, search.steps);
        if (search.vertex != kNoVertex)
            return static_cast<std::uint32_t>(search.vertex);
        const auto vertex = static_cast<std::uint32_t>(welder.keys.size());
        if (worthWalking && AddToChain(welder.chains, corner, vertex))
            return AddKey(welder, corner);
        SwitchToHash(welder);
    }
    const SlotSearch search = FindInHash(welder.hash, welder.keys, corner);
    if (search.vertex != kNoVertex)
        return static_cast<std::uint32_t>(search.vertex);
    const std::uint32_t vertex = AddKey(welder, corner);
    AddToHash(welder.hash, welder.keys, search.slot);
    return vertex;
}

std::int64_t FindVertex(const CornerWelder& welder, const ObjCorner& corner)
{
    if (welder.hash.slots.empty())
        return FindOnChain(welder.chains, welder.keys, corner).vertex;
    return FindInHash(welder.hash, welder.keys, corner).vertex;
}

namespace {

template <typename T>
void TakeEmptied(LargeList<T>& to, LargeList<T>& from)
{
    to.swap(from);
    to.clear();
}

}  // namespace

// Taking the lists into a fresh welder, rather than resetting the old one
// field by field, leaves no count or flag behind.
void EmptyKeepingRoom(CornerWelder& welder)
{
    CornerWelder emptied;
    TakeEmptied(emptied.keys, welder.keys);
    TakeEmptied(emptied.indices, welder.indices);
    TakeEmptied(emptied.chains.heads, welder.chains.heads);
    TakeEmptied(emptied.chains.standInHeads, welder.chains.standInHeads);
    TakeEmptied(emptied.chains.nextOnPosition, welder.chains.nextOnPosition);
    TakeEmptied(emptied.hash.slots, welder.hash.slots);
    welder = std::move(emptied);
}

void ReserveWelder(CornerWelder& welder, std::size_t positions, std::size_t vertices, std::size_t corners)
{
    welder.chains.heads.reserve(positions);
    welder.keys.reserve(vertices);
    welder.chains.nextOnPosition.reserve(vertices);
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

CornerWelder WeldTriangles(const ObjModel& model)
{
    CornerWelder welder;
    for (const ObjTriangle& triangle : model.triangles)
        WeldTriangle(welder, triangle);
    return welder;
}

WeldedMesh GatherMesh(const ObjModel& model, CornerWelder& welder)
{
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

WeldedMesh WeldCorners(const ObjModel& model)
{
    CornerWelder welder = WeldTriangles(model);
    return GatherMesh(model, welder);
}

}  // namespace torvane
