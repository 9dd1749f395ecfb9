#include "driver/conversion.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

#include "mesh/merge.h"
#include "mesh/warning_mesh.h"
#include "obj/obj_reader.h"
#include "output/header_writer.h"
#include "output/naming.h"
#include "output/replacing_sink.h"

namespace torvane {
namespace {

bool AllFinite(const LargeList<Float3>& list, std::size_t from)
{
    for (std::size_t i = from; i < list.size(); ++i) {
        if (!std::isfinite(list[i].x) || !std::isfinite(list[i].y) || !std::isfinite(list[i].z))
            return false;
    }
    return true;
}

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

// A model file, read from the start by one handle or at any offset by
// another.
class ModelFileSource final : public ByteSource, public OffsetSource {
public:
    explicit ModelFileSource(InputFile& file) : file_(file) { }

    std::int64_t Read(char* buffer, std::size_t capacity, std::string* error) override
    {
        return ReadInput(file_, buffer, capacity, error);
    }

    std::int64_t ReadAt(std::uint64_t offset, char* buffer, std::size_t capacity, std::string* error) override
    {
        return ReadInputAt(file_, offset, buffer, capacity, error);
    }

private:
    InputFile& file_;
};

bool WarningFits(const ObjModel& model, std::size_t modelPositions, std::string* error)
{
    if (AllFinite(model.positions, modelPositions))
        return true;
    const char* what = "the model is too large: the warning mesh scaled to it leaves the float range";
    std::uint64_t line = model.bounds.farthest.line;
    *error = line == 0 ? what : "line " + std::to_string(line) + ": " + what;
    return false;
}

bool WriteHeaderFile(const FileName& input, const NativeString& outputDirectory, const HeaderForm& form,
                     unsigned threads, Workspace& workspace, std::string* error)
{
    OutputFile output;
    if (!CreateOutput(HeaderPathFor(input.path, outputDirectory), &output, error))
        return false;
    ReplacingSink sink(output);
    try {
        BufferedWriter& writer = workspace.writer;
        AimWriter(writer, sink);
        const StreamedModel& streamed = workspace.streamed;
        if (!WriteHeader(streamed.model, streamed.welded, IdentifierStemFor(input), form, threads, writer)) {
            *error = writer.error;
            sink.Discard();
            return false;
        }
    } catch (...) {
        sink.Discard();
        throw;
    }
    return sink.Commit(error);
}

void EmptyKeepingRoom(ObjModel& model)
{
    model.positions.clear();
    model.texcoords.clear();
    model.normals.clear();
    model.triangles.clear();
    model.bounds = ModelBounds();
}

}  // namespace

bool PrepareMesh(ObjModel& model, Random& random, WeldedMesh* mesh, std::string* error)
{
    std::size_t modelPositions = model.positions.size();
    MergeWarningMesh(model, random);
    if (!WarningFits(model, modelPositions, error))
        return false;
    *mesh = WeldCorners(model);
    return true;
}

bool ReadAndWeld(ByteSource& source, const TextReading& reading, Random& random, StreamedModel* streamed,
                 std::string* error)
{
    MergingWelder merging;
    merging.model = &streamed->model;
    merging.welder = EmptiedKeepingRoom(streamed->welded);
    merging.random = random;
    MergingSink sink(merging);
    LaterHalfSink laterSink(merging);
    ObjParser parser;
    parser.model = &streamed->model;
    parser.sink = &sink;
    bool read = ReadObjText(source, reading, parser, laterSink, error);
    if (!read || !FinishObjParse(parser, error, &merging.welder.keys))
        return false;
    std::size_t modelPositions = streamed->model.positions.size();
    FinishMergingWeld(merging);
    random = merging.random;
    streamed->welded = std::move(merging.welder);
    return WarningFits(streamed->model, modelPositions, error);
}

bool ConvertObjText(std::string_view text, std::u16string_view stem, const HeaderForm& form, Random& random,
                    ByteSink& sink, std::string* error)
{
    ObjModel model;
    WeldedMesh mesh;
    if (!ParseObj(text, &model, error) || !PrepareMesh(model, random, &mesh, error))
        return false;
    BufferedWriter writer = MakeBufferedWriter(sink);
    if (!WriteHeader(mesh, stem, form, 1, writer)) {
        *error = writer.error;
        return false;
    }
    return true;
}

namespace {

// Both handles of a model file, closed however the conversion ends.
struct OpenedModel {
    InputFile file;
    InputFile second;

    ~OpenedModel()
    {
        CloseInput(file);
        CloseInput(second);
    }
};

bool ReadFile(const FileName& input, Random& random, unsigned threads, Workspace* workspace, std::string* error)
{
    OpenedModel opened;
    if (!OpenInput(input.path, &opened.file, error))
        return false;
    TextReading reading;
    // A second thread reads the second half of a big file through a second
    // handle.
    std::string unused;
    bool twoReaders =
        threads > 1 && opened.file.size >= reading.smallestSplit && OpenInput(input.path, &opened.second, &unused);
    ModelFileSource first(opened.file);
    ModelFileSource second(opened.second);
    reading.expectedSize = opened.file.size;
    reading.threads = twoReaders ? ReadingThreads::kTwo : ReadingThreads::kOne;
    reading.halves = &second;
    reading.buffer = &workspace->readBuffer;
    return ReadAndWeld(first, reading, random, &workspace->streamed, error);
}

// Running out of memory or threads fails this model only: the run goes on
// with the next one, and no half-written header is left behind. A list
// asked to outgrow the address space, as a big model's can in a 32-bit
// build, is out of memory too.
template <typename Step>
bool FailingThisModelOnly(Step step, std::string* error)
{
    try {
        return step();
    } catch (const std::bad_alloc&) {
        *error = "out of memory";
    } catch (const std::length_error&) {
        *error = "out of memory";
    } catch (const std::system_error& failure) {
        *error = std::string("cannot start a thread: ") + failure.what();
    }
    return false;
}

}  // namespace

bool ReadModelFile(const FileName& input, Random& random, unsigned threads, Workspace* workspace, std::string* error)
{
    EmptyKeepingRoom(workspace->streamed.model);
    return FailingThisModelOnly([&] { return ReadFile(input, random, threads, workspace, error); }, error);
}

bool WriteModelHeader(const FileName& input, const NativeString& outputDirectory, const HeaderForm& form,
                      Workspace& workspace, unsigned threads, std::string* error)
{
    return FailingThisModelOnly(
        [&] { return WriteHeaderFile(input, outputDirectory, form, threads, workspace, error); }, error);
}

}  // namespace torvane
