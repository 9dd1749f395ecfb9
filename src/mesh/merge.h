#pragma once

#include <cstdint>
#include <vector>

#include "mesh/random.h"
#include "mesh/weld.h"
#include "obj/obj_model.h"

namespace torvane {

// The warning's scale for a model: half the mean extent of its bounds,
// computed in float in a fixed order so every platform gets the same bits.
float WarningScale(const ModelBounds& bounds);

// For each of count insertions, in order, draws r and inserts at r mod n,
// where n is the list's length at that moment (initialLength before the
// first). Returns where each inserted element ends up once all are in.
std::vector<std::uint64_t> ScatterPositions(std::uint64_t initialLength, std::size_t count, Random& random);

// Merges the built-in "HFILE" warning mesh into the model: its records are
// appended to each attribute list that is not empty, its positions scaled to
// the model and raised to the model's highest point, and its triangles
// scattered through the model's triangle list, one draw per triangle. The
// model's own triangles keep their relative order. Linear in the model's
// size, although the result is that of inserting the triangles one by one.
void MergeWarningMesh(ObjModel& model, Random& random);

// Appends the warning's records alone, as MergeWarningMesh does.
void AppendWarningRecords(ObjModel& model);

// With at least this many triangles in the model every draw lies below the
// list's length, so each warning triangle lands where its draw says
// whatever the model's final size: the merged order of everything is known
// as soon as this many model triangles have been read.
inline constexpr std::size_t kScatterReach = std::size_t{kRandomMax} + 1;

// Merges the warning mesh and welds while the model's triangles are still
// arriving, keeping only the first kScatterReach of them. Gives exactly what
// MergeWarningMesh and welding the merged list give, with random advanced
// as far; the caller copies random back once the model was accepted.
struct MergingWelder {
    ObjModel* model = nullptr;  // its triangles hold the model's first
                                // ones until the warning's places are known
    Random random;
    CornerWelder welder;
    std::size_t headVertices = 0;  // vertices made while welding the head
    bool headWelded = false;
};

void TakeModelTriangle(MergingWelder& merging, const ObjTriangle& triangle);

// The triangles of a later part of the text, welded on a thread of their own
// while the part before them is still being read. The first kScatterReach
// are kept as read, since the warning's triangles may still go among them;
// the rest are welded among themselves and renumbered when joined.
struct LaterWelder {
    LargeList<ObjTriangle> head;
    CornerWelder welder;
};

void TakeLaterTriangle(LaterWelder& later, const ObjTriangle& triangle);

// Goes on merging with the later part's triangles, with the same result as
// if TakeModelTriangle had taken them one by one. After that merging takes
// no more triangles; FinishMergingWeld comes next.
void JoinLaterWeld(MergingWelder& merging, LaterWelder& later);

// Once the reader has accepted the whole model: appends the warning's
// records to its lists and completes the weld, whose keys then index them.
void FinishMergingWeld(MergingWelder& merging);

}  // namespace torvane
