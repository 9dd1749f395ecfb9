#pragma once

#include <cstddef>
#include <functional>

#include "mesh/merge.h"
#include "mesh/random.h"
#include "mesh/weld.h"
#include "obj/obj_model.h"
#include "platform/large_list.h"

namespace torvane {

// Merges the warning mesh and welds while the model's triangles are still
// arriving, keeping only the first kScatterReach of them. Gives exactly what
// MergeWarningMesh and welding the merged list give, with random advanced
// as far; the caller copies random back once the model was accepted.
struct MergingWelder {
    LargeList<ObjTriangle> head;  // the model's first triangles, until the
                                  // warning's places are known
    Random random;
    CornerWelder welder;
    std::size_t headVertices = 0;  // vertices made while welding the head
    bool headWelded = false;
};

// Readies merging for the next model: as new, but in the room its lists
// took, so that the next model fills memory that is already touched.
void EmptyKeepingRoom(MergingWelder& merging);

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

// Calls visit for every corner of the model's triangles taken so far (some
// more than once), for the checks that need the whole model; the warning's
// corners are not among them.
void VisitModelCorners(const MergingWelder& merging, const std::function<void(const ObjCorner&)>& visit);
void VisitModelCorners(const LaterWelder& later, const std::function<void(const ObjCorner&)>& visit);

// Once the reader has accepted the whole model: appends the warning's
// records to its lists (see AppendWarningRecords) and completes the weld,
// whose keys then index them, but for normals still to be generated.
void FinishMergingWeld(MergingWelder& merging, ObjModel& model, NormalGeneration normals);

}  // namespace torvane
