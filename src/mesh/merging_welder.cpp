#include "mesh/merging_welder.h"

#include <algorithm>
#include <cassert>

#include "mesh/stand_in.h"
#include "mesh/warning_mesh.h"

namespace torvane {
namespace {

// The head and the warning's triangles welded in merged order, the corners
// of the warning's as cornerOf gives them for each of its records. Of the
// triangles before warning triangle k (counted from the front, from 0), k
// are the warning's, so its place less k are the model's.
template <typename CornerOf>
void WeldMergedHead(MergingWelder& merging, CornerOf cornerOf)
{
    const LargeList<ObjTriangle>& head = merging.head;
    const WarningPlaces placed = PlaceWarningTriangles(head.size(), merging.random);
    std::size_t next = 0;
    for (std::size_t k = 0; k < kWarningTriangleCount; ++k) {
        const std::size_t t = placed.frontFirst[k];
        for (const std::uint64_t before = placed.places[t] - k; next < before; ++next)
            WeldTriangle(merging.welder, head[next]);
        ObjTriangle triangle;
        for (int c = 0; c < 3; ++c)
            triangle.corners[c] = cornerOf(WarningTriangles[t][c]);
        WeldTriangle(merging.welder, triangle);
    }
    for (; next < head.size(); ++next)
        WeldTriangle(merging.welder, head[next]);
    merging.head.clear();
    merging.headVertices = merging.welder.keys.size();
    merging.headWelded = true;
}

void ReplaceStandIns(MergingWelder& merging, const WarningBases& bases)
{
    CornerWelder& welder = merging.welder;
    for (std::size_t vertex = 0; vertex < merging.headVertices; ++vertex) {
        ObjCorner& key = welder.keys[vertex];
        if (IsStandIn(key))
            key = WarningCorner(bases, StandInRecord(key));
    }
    // Stand-in keys count as naming every attribute; only real indices
    // count now.
    welder.anyTexcoord = false;
    welder.anyNormal = false;
    for (const ObjCorner& key : welder.keys) {
        welder.anyTexcoord |= key.texcoord != kAbsent;
        welder.anyNormal |= key.normal != kAbsent;
        if (welder.anyTexcoord && welder.anyNormal)
            break;
    }
}

// The writer looks every vertex's position up unchecked.
[[maybe_unused]] bool EveryVertexHasAPosition(const CornerWelder& welder, std::size_t positions)
{
    return std::all_of(welder.keys.begin(), welder.keys.end(), [positions](const ObjCorner& key) {
        return key.position >= 0 && static_cast<std::size_t>(key.position) < positions;
    });
}

void VisitHeadAndKeys(const LargeList<ObjTriangle>& head, const CornerWelder& welder,
                      const std::function<void(const ObjCorner&)>& visit)
{
    for (const ObjTriangle& triangle : head) {
        for (const ObjCorner& corner : triangle.corners)
            visit(corner);
    }
    for (const ObjCorner& key : welder.keys) {
        if (!IsStandIn(key))
            visit(key);
    }
}

}  // namespace

void EmptyKeepingRoom(MergingWelder& merging)
{
    MergingWelder emptied;
    emptied.head.swap(merging.head);
    emptied.head.clear();
    emptied.welder = std::move(merging.welder);
    EmptyKeepingRoom(emptied.welder);
    merging = std::move(emptied);
}

void TakeModelTriangle(MergingWelder& merging, const ObjTriangle& triangle)
{
    if (merging.headWelded) {
        WeldTriangle(merging.welder, triangle);
        return;
    }
    AppendEntry(merging.head, triangle);
    if (merging.head.size() == kScatterReach) {
        WeldMergedHead(merging, StandInKey);
        // Kept for the next model, the head's block would add a large page to
        // the peak of a model big enough to fill it, and such a model costs
        // far more to read than the block to touch again.
        LargeList<ObjTriangle>().swap(merging.head);
    }
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

void VisitModelCorners(const MergingWelder& merging, const std::function<void(const ObjCorner&)>& visit)
{
    VisitHeadAndKeys(merging.head, merging.welder, visit);
}

void VisitModelCorners(const LaterWelder& later, const std::function<void(const ObjCorner&)>& visit)
{
    VisitHeadAndKeys(later.head, later.welder, visit);
}

void FinishMergingWeld(MergingWelder& merging, ObjModel& model, NormalGeneration normals)
{
    const WarningBases bases = AppendWarningRecords(model, normals);
    if (merging.headWelded)
        ReplaceStandIns(merging, bases);
    else  // too few triangles for the places to be known early
        WeldMergedHead(merging, [&bases](std::uint32_t record) { return WarningCorner(bases, record); });
    assert(EveryVertexHasAPosition(merging.welder, model.positions.size()) &&
           "every vertex has a position once the stand-ins are resolved");
}

}  // namespace torvane
