#include "driver/conversion.h"

#include <cmath>
#include <new>
#include <system_error>
#include <thread>

#include "mesh/merge.h"
#include "mesh/warning_mesh.h"
#include "obj/obj_reader.h"
#include "output/header_writer.h"
#include "output/naming.h"

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

void TakeTriangle(void* merging, const ObjTriangle& triangle)
{
    TakeModelTriangle(*static_cast<MergingWelder*>(merging), triangle);
}

std::int64_t ReadFromInput(void* file, char* buffer, std::size_t capacity, std::string* error)
{
    return ReadInput(*static_cast<InputFile*>(file), buffer, capacity, error);
}

std::int64_t ReadFromInputAt(void* file, std::uint64_t offset, char* buffer, std::size_t capacity,
                             std::string* error)
{
    return ReadInputAt(*static_cast<InputFile*>(file), offset, buffer, capacity, error);
}

bool WarningFits(const ObjModel& model, std::size_t modelPositions, std::string* error)
{
    if (AllFinite(model.positions, modelPositions))
        return true;
    *error = "the model is too large: the warning mesh scaled to it leaves the float range";
    return false;
}

class OutputSink final : public ByteSink {
public:
    explicit OutputSink(OutputFile& output) : output_(output) {}

    bool Write(const char* data, std::size_t size, std::string* error) override
    {
        return WriteOutput(output_, data, size, error);
    }

private:
    OutputFile& output_;
};

// Until the run decides its threads once for all phases: a second core
// formats rows beside the writing one, as it reads the second half.
unsigned FormattingThreads()
{
    return std::thread::hardware_concurrency() > 1 ? 2 : 1;
}

template <typename... Mesh>
bool WriteHeaderFile(const FileName& input, const NativeString& outputDirectory, const HeaderForm& form,
                     std::string* error,
                     const Mesh&... mesh)
{
    OutputFile output;
    if (!CreateOutput(HeaderPathFor(input.path, outputDirectory), &output, error))
        return false;
    try {
        OutputSink sink(output);
        BufferedWriter writer = MakeBufferedWriter(sink);
        if (!WriteHeader(mesh..., IdentifierStemFor(input), form, FormattingThreads(), writer)) {
            *error = writer.error;
            DiscardOutput(output);
            return false;
        }
    } catch (...) {
        DiscardOutput(output);
        throw;
    }
    return CommitOutput(output, error);
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

bool ReadAndWeld(ByteSource source, Random& random, StreamedModel* streamed, std::string* error,
                 const OffsetSource* halves)
{
    MergingWelder merging;
    merging.model = &streamed->model;
    merging.random = random;
    ObjParser parser;
    parser.model = &streamed->model;
    parser.sink = {&TakeTriangle, &merging};
    bool read = ReadModelText(source, halves, parser, merging, error);
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
    if (!WriteHeader(mesh, stem, form, FormattingThreads(), writer)) {
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

// One conversion; throws when memory or threads run out.
bool ConvertFile(const FileName& input, const NativeString& outputDirectory, const HeaderForm& form, Random& random,
                 std::string* error)
{
    StreamedModel streamed;
    {
        OpenedModel opened;
        if (!OpenInput(input.path, &opened.file, error))
            return false;
        // A second core reads the second half through a second handle; one
        // core would only be slowed down by the switching.
        std::string unused;
        bool twoReaders =
            std::thread::hardware_concurrency() > 1 && OpenInput(input.path, &opened.second, &unused);
        OffsetSource halves{&ReadFromInputAt, &opened.second};
        if (!ReadAndWeld({&ReadFromInput, &opened.file, opened.file.size}, random, &streamed, error,
                         twoReaders ? &halves : nullptr))
            return false;
    }
    return WriteHeaderFile(input, outputDirectory, form, error, streamed.model, streamed.welded);
}

}  // namespace

bool ConvertObjFile(const FileName& input, const NativeString& outputDirectory, const HeaderForm& form,
                    Random& random, std::string* error)
{
    // Running out of memory or threads fails this model only: the run goes
    // on with the next one, and no half-written header is left behind.
    try {
        return ConvertFile(input, outputDirectory, form, random, error);
    } catch (const std::bad_alloc&) {
        *error = "out of memory";
    } catch (const std::system_error& failure) {
        *error = std::string("cannot start a thread: ") + failure.what();
    }
    return false;
}

}  // namespace torvane
