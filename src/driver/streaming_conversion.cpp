#include "driver/streaming_conversion.h"

#include <algorithm>

#include "driver/text_conversion.h"
#include "mesh/merge.h"
#include "obj/obj_reader.h"

namespace torvane {
namespace {

void ReserveWelderFor(CornerWelder& welder, const TextEstimate& estimate)
{
    ReserveWelder(welder, ReservableEntries<std::uint32_t>(estimate.vertexLines),
                  ReservableEntries<ObjCorner>(estimate.distinctCorners),
                  ReservableEntries<std::uint32_t>(estimate.corners));
}

// The triangles held until the warning's places are known, at most
// kScatterReach of them: reserved whole rather than grown, each regrowth
// copying them into memory touched for the first time.
void ReserveHead(LargeList<ObjTriangle>& head, const TextEstimate& estimate)
{
    head.reserve(std::min(ReservableEntries<ObjTriangle>(estimate.corners / 3), kScatterReach));
}

// The model's triangles, merged with the warning's and welded as they are
// read.
class MergingSink final : public TriangleSink {
public:
    explicit MergingSink(MergingWelder& merging) : merging_(merging) { }

    void Take(const ObjTriangle& triangle) override { TakeModelTriangle(merging_, triangle); }
    void Reserve(const TextEstimate& estimate) override
    {
        ReserveHead(merging_.model->triangles, estimate);
        ReserveWelderFor(merging_.welder, estimate);
    }

private:
    MergingWelder& merging_;
};

// The triangles of the text's second half, welded among themselves on the
// thread that reads them and joined to the merging afterwards.
class LaterHalfSink final : public LaterTriangleSink {
public:
    explicit LaterHalfSink(MergingWelder& merging) : merging_(merging) { }

    void Take(const ObjTriangle& triangle) override { TakeLaterTriangle(later_, triangle); }
    void Reserve(const TextEstimate& estimate) override
    {
        ReserveHead(later_.head, estimate);
        ReserveWelderFor(later_.welder, estimate);
    }
    void JoinToFirst() override { JoinLaterWeld(merging_, later_); }

private:
    MergingWelder& merging_;
    LaterWelder later_;
};

void EmptyKeepingRoom(ObjModel& model)
{
    model.positions.clear();
    model.texcoords.clear();
    model.normals.clear();
    model.triangles.clear();
    model.bounds = ModelBounds();
}

}  // namespace

bool ReadAndWeld(ByteSource& source, const TextReading& reading, Random& random, StreamedModel& streamed,
                 std::string* error)
{
    EmptyKeepingRoom(streamed.model);
    MergingWelder merging;
    merging.model = &streamed.model;
    merging.welder = EmptiedKeepingRoom(streamed.welded);
    merging.random = random;
    MergingSink sink(merging);
    LaterHalfSink laterSink(merging);
    ObjParser parser;
    parser.model = &streamed.model;
    parser.sink = &sink;
    bool read = ReadObjText(source, reading, parser, laterSink, error);
    if (!read || !FinishObjParse(parser, error, &merging.welder.keys))
        return false;
    std::size_t modelPositions = streamed.model.positions.size();
    FinishMergingWeld(merging);
    random = merging.random;
    streamed.welded = std::move(merging.welder);
    return WarningFits(streamed.model, modelPositions, error);
}

}  // namespace torvane
