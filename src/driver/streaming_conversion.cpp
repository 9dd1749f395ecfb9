#include "driver/streaming_conversion.h"

#include <algorithm>
#include <functional>

#include "mesh/generated_normals.h"
#include "mesh/merge.h"
#include "mesh/warning_size.h"
#include "obj/obj_reader.h"

namespace torvane {
namespace {

using CornerVisit = std::function<void(const ObjCorner&)>;

// Room for what a text is expected to bring, in a merging welder or the
// welder of a later half. The triangles held until the warning's places are
// known, at most kScatterReach of them, are reserved whole rather than
// grown: each regrowth copies them into memory touched for the first time.
template <typename Welding>
void ReserveRoom(Welding& welding, const TextEstimate& estimate)
{
    welding.head.reserve(std::min(ReservableEntries<ObjTriangle>(estimate.corners / 3), kScatterReach));
    ReserveWelder(welding.welder, ReservableEntries<std::uint32_t>(estimate.vertexLines),
                  ReservableEntries<ObjCorner>(estimate.distinctCorners),
                  ReservableEntries<std::uint32_t>(estimate.corners));
}

// The model's triangles, merged with the warning's and welded as they are
// read.
class MergingSink final : public TriangleSink {
public:
    explicit MergingSink(MergingWelder& merging) : merging_(merging) { }

    void Take(const ObjTriangle& triangle) override { TakeModelTriangle(merging_, triangle); }
    void VisitCorners(const CornerVisit& visit) const override { VisitModelCorners(merging_, visit); }
    void Reserve(const TextEstimate& estimate) override { ReserveRoom(merging_, estimate); }

private:
    MergingWelder& merging_;
};

// The triangles of the text's second half, welded among themselves on the
// thread that reads them and joined to the merging afterwards.
class LaterHalfSink final : public LaterTriangleSink {
public:
    explicit LaterHalfSink(MergingWelder& merging) : merging_(merging) { }

    void Take(const ObjTriangle& triangle) override { TakeLaterTriangle(later_, triangle); }
    void VisitCorners(const CornerVisit& visit) const override { VisitModelCorners(later_, visit); }
    void Reserve(const TextEstimate& estimate) override { ReserveRoom(later_, estimate); }
    void JoinToFirst() override { JoinLaterWeld(merging_, later_); }

private:
    MergingWelder& merging_;
    LaterWelder later_;
};

}  // namespace

bool ReadAndWeld(ByteSource& source, const TextReading& reading, NormalGeneration normals, Random& random,
                 StreamedModel& streamed, std::string* error)
{
    EmptyKeepingRoom(streamed.model);
    MergingWelder& merging = streamed.merging;
    EmptyKeepingRoom(merging);
    merging.random = random;
    MergingSink sink(merging);
    LaterHalfSink laterSink(merging);
    ObjParser parser;
    parser.model = &streamed.model;
    parser.sink = &sink;
    parser.smoothing.generation = normals;
    bool read = ReadObjText(source, reading, parser, laterSink, error);
    if (!read || !FinishObjParse(parser, error))
        return false;
    FinishMergingWeld(merging, streamed.model, normals);
    random = merging.random;
    if (!WarningFits(streamed.model, error))
        return false;
    return !GeneratesNormals(normals) || GenerateNormals(streamed.model, merging.welder, error);
}

}  // namespace torvane
