#include "mesh/merge.h"

#include <algorithm>
#include <cmath>

#include "mesh/warning_mesh.h"

namespace torvane {
namespace {

void AppendScaledRecords(ObjModel& model, float scale, float height)
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

// Where the warning's records start in the model's lists, or kAbsent for a
// list that was empty and so did not get them.
struct WarningBases {
    std::int32_t position;
    std::int32_t texcoord;
    std::int32_t normal;
};

WarningBases BasesBeforeAppending(const ObjModel& model)
{
    auto base = [](std::size_t size) { return size == 0 ? kAbsent : static_cast<std::int32_t>(size); };
    return {base(model.positions.size()), base(model.texcoords.size()), base(model.normals.size())};
}

ObjCorner WarningCorner(const WarningBases& bases, std::uint32_t record)
{
    auto offset = [record](std::int32_t base) {
        return base == kAbsent ? kAbsent : static_cast<std::int32_t>(static_cast<std::uint32_t>(base) + record);
    };
    return {offset(bases.position), offset(bases.texcoord), offset(bases.normal)};
}

ObjTriangle WarningTriangle(const WarningBases& bases, std::size_t t)
{
    ObjTriangle triangle;
    for (int c = 0; c < 3; ++c)
        triangle.corners[c] = WarningCorner(bases, WarningTriangles[t][c]);
    return triangle;
}

// The order in which the warning triangles take their places, front first.
std::vector<std::size_t> ByPlace(const std::vector<std::uint64_t>& places)
{
    std::vector<std::size_t> order(places.size());
    for (std::size_t t = 0; t < order.size(); ++t)
        order[t] = t;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return places[a] < places[b]; });
    return order;
}

// Before the model's lists are complete the warning's records have no
// indices yet; while the head is welded, record r stands in as the key
// (-2 - r, -2 - r, -2 - r), which no corner of the model can have.
std::int32_t StandInIndex(std::uint32_t record)
{
    return -2 - static_cast<std::int32_t>(record);
}

ObjTriangle StandInWarningTriangle(std::size_t t)
{
    ObjTriangle triangle;
    for (int c = 0; c < 3; ++c) {
        std::int32_t index = StandInIndex(WarningTriangles[t][c]);
        triangle.corners[c] = {index, index, index};
    }
    return triangle;
}

// The first kScatterReach model triangles and the warning's, in merged order.
void WeldHead(MergingWelder& merging)
{
    LargeList<ObjTriangle>& head = merging.model->triangles;
    std::vector<std::uint64_t> places = ScatterPositions(head.size(), kWarningTriangleCount, merging.random);
    std::vector<std::size_t> order = ByPlace(places);
    std::size_t pending = 0;
    std::size_t next = 0;
    for (std::size_t place = 0; place < head.size() + kWarningTriangleCount; ++place) {
        if (pending < order.size() && places[order[pending]] == place)
            WeldTriangle(merging.welder, StandInWarningTriangle(order[pending++]));
        else
            WeldTriangle(merging.welder, head[next++]);
    }
    LargeList<ObjTriangle>().swap(head);
    merging.headVertices = merging.welder.keys.size();
    merging.headWelded = true;
}

void ReplaceStandIns(MergingWelder& merging, const WarningBases& bases)
{
    CornerWelder& welder = merging.welder;
    for (std::size_t vertex = 0; vertex < merging.headVertices; ++vertex) {
        ObjCorner& key = welder.keys[vertex];
        if (key.position < kAbsent)
            key = WarningCorner(bases, static_cast<std::uint32_t>(-2 - key.position));
    }
    // Stand-ins named every attribute; only real indices count now.
    welder.anyTexcoord = false;
    welder.anyNormal = false;
    for (const ObjCorner& key : welder.keys) {
        welder.anyTexcoord |= key.texcoord != kAbsent;
        welder.anyNormal |= key.normal != kAbsent;
        if (welder.anyTexcoord && welder.anyNormal)
            break;
    }
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
std::vector<std::uint64_t> ScatterPositions(std::uint64_t initialLength, std::size_t count, Random& random)
{
    std::vector<std::uint64_t> positions(count);
    for (std::size_t j = 0; j < count; ++j) {
        std::uint64_t length = initialLength + j;
        std::uint64_t draw = DrawRandom(random);
        // An empty list has only one place to insert at.
        std::uint64_t index = length == 0 ? 0 : draw % length;
        // Without a branch: which elements move is a coin toss each time,
        // and this loop runs some 150,000 times per model.
        for (std::size_t k = 0; k < j; ++k)
            positions[k] += static_cast<std::uint64_t>(positions[k] >= index);
        positions[j] = index;
    }
    return positions;
}

void AppendWarningRecords(ObjModel& model)
{
    AppendScaledRecords(model, WarningScale(model.bounds), model.bounds.max.y);
}

void MergeWarningMesh(ObjModel& model, Random& random)
{
    WarningBases bases = BasesBeforeAppending(model);
    AppendWarningRecords(model);

    std::vector<std::uint64_t> places = ScatterPositions(model.triangles.size(), kWarningTriangleCount, random);
    // Visit the final places from the back: each model triangle moves up by
    // the number of warning triangles placed before it, so filling from the
    // end never overwrites a triangle that has yet to move.
    std::vector<std::size_t> byPlace = ByPlace(places);
    LargeList<ObjTriangle>& triangles = model.triangles;
    std::size_t source = triangles.size();
    triangles.resize(triangles.size() + kWarningTriangleCount);
    std::size_t pending = kWarningTriangleCount;
    for (std::size_t place = triangles.size(); place-- > 0;) {
        if (pending > 0 && places[byPlace[pending - 1]] == place) {
            --pending;
            triangles[place] = WarningTriangle(bases, byPlace[pending]);
        } else {
            triangles[place] = triangles[--source];
        }
        if (pending == 0)
            break;  // everything below is already where it belongs
    }
}

void TakeModelTriangle(MergingWelder& merging, const ObjTriangle& triangle)
{
    if (merging.headWelded) {
        WeldTriangle(merging.welder, triangle);
        return;
    }
    LargeList<ObjTriangle>& head = merging.model->triangles;
    AppendEntry(head, triangle);
    if (head.size() == kScatterReach)
        WeldHead(merging);
}

void TakeLaterTriangle(LaterWelder& later, const ObjTriangle& triangle)
{
    if (later.head.size() < kScatterReach)
        AppendEntry(later.head, triangle);
    else
        WeldTriangle(later.welder, triangle);
}

void JoinLaterWeld(MergingWelder& merging, LaterWelder& later)
{
    for (const ObjTriangle& triangle : later.head)
        TakeModelTriangle(merging, triangle);
    LargeList<ObjTriangle>().swap(later.head);
    CornerWelder& part = later.welder;
    if (part.keys.empty())
        return;
    // The part welded kScatterReach triangles after its head, so the head
    // of the whole is welded by now. The part's vertices that the whole has
    // keep their numbers; the others follow the whole's in the order the
    // part met them, which is the order the whole would have met them in.
    CornerWelder& whole = merging.welder;
    LargeList<std::uint32_t> renumbered;
    renumbered.swap(part.chains.nextOnPosition);  // no longer needed for welding
    renumbered.resize(part.keys.size());
    auto next = static_cast<std::uint32_t>(whole.keys.size());
    std::size_t added = 0;
    for (std::size_t vertex = 0; vertex < part.keys.size(); ++vertex) {
        std::int64_t known = FindVertex(whole, part.keys[vertex]);
        if (known >= 0) {
            renumbered[vertex] = static_cast<std::uint32_t>(known);
        } else {
            renumbered[vertex] = next++;
            part.keys[added++] = part.keys[vertex];
        }
    }
    part.keys.resize(added);
    for (std::uint32_t& index : part.indices)
        index = renumbered[index];
    Concatenate(whole.keys, part.keys);
    Concatenate(whole.indices, part.indices);
    whole.anyTexcoord |= part.anyTexcoord;
    whole.anyNormal |= part.anyNormal;
}

void FinishMergingWeld(MergingWelder& merging)
{
    ObjModel& model = *merging.model;
    if (merging.headWelded) {
        WarningBases bases = BasesBeforeAppending(model);
        AppendWarningRecords(model);
        ReplaceStandIns(merging, bases);
        return;
    }
    // Too few triangles for the places to be known early: merge as usual.
    MergeWarningMesh(model, merging.random);
    for (const ObjTriangle& triangle : model.triangles)
        WeldTriangle(merging.welder, triangle);
}

}  // namespace torvane
