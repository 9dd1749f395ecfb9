#include "driver/conversion.h"

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "mesh/merge.h"
#include "mesh/warning_mesh.h"
#include "obj/obj_reader.h"
#include "output/header_writer.h"
#include "output/naming.h"

namespace torvane {
namespace {

constexpr std::size_t kReadChunkSize = std::size_t{1} << 20;

bool AllFinite(const std::vector<Float3>& list, std::size_t from)
{
    for (std::size_t i = from; i < list.size(); ++i) {
        if (!std::isfinite(list[i].x) || !std::isfinite(list[i].y) || !std::isfinite(list[i].z))
            return false;
    }
    return true;
}

// The vertex lines of a chunk are read on a second thread while this one
// reads and welds the faces; one parser reads everything where there is a
// single core, which the thread would only slow down.
struct ChunkParsers {
    ObjParser faces;
    ObjParser vertices;
    bool split = false;
};

std::size_t ParseChunk(ChunkParsers& parsers, const char* data, std::size_t size, bool atEnd)
{
    if (!parsers.split)
        return ParseObjText(parsers.faces, data, size, atEnd);
    std::thread vertexReader([&] { ParseObjText(parsers.vertices, data, size, atEnd); });
    std::size_t consumed = ParseObjText(parsers.faces, data, size, atEnd);
    vertexReader.join();
    return consumed;
}

// Streams the text through one reused buffer, so memory stays proportional
// to the model's lists rather than the file; a line longer than the buffer
// makes it grow.
bool ReadText(ByteSource source, ChunkParsers& parsers, std::string* error)
{
    std::vector<char> buffer(kReadChunkSize);
    std::size_t filled = 0;
    for (;;) {
        if (filled == buffer.size())
            buffer.resize(buffer.size() * 2);
        std::int64_t count = source.read(source.context, buffer.data() + filled, buffer.size() - filled, error);
        if (count < 0)
            return false;
        bool atEnd = count == 0;
        filled += static_cast<std::size_t>(count);
        std::size_t consumed = ParseChunk(parsers, buffer.data(), filled, atEnd);
        std::memmove(buffer.data(), buffer.data() + consumed, filled - consumed);
        filled -= consumed;
        if (atEnd || !parsers.faces.error.empty())
            return true;
    }
}

void TakeTriangle(void* merging, const ObjTriangle& triangle)
{
    TakeModelTriangle(*static_cast<MergingWelder*>(merging), triangle);
}

std::int64_t ReadFromInput(void* file, char* buffer, std::size_t capacity, std::string* error)
{
    return ReadInput(*static_cast<InputFile*>(file), buffer, capacity, error);
}

bool WarningFits(const ObjModel& model, std::size_t modelPositions, std::string* error)
{
    if (AllFinite(model.positions, modelPositions))
        return true;
    *error = "the model is too large: the warning mesh scaled to it leaves the float range";
    return false;
}

bool WriteToOutput(void* context, const char* data, std::size_t size, std::string* error)
{
    return WriteOutput(*static_cast<OutputFile*>(context), data, size, error);
}

template <typename... Mesh>
bool WriteHeaderFile(const FileName& input, const NativeString& outputDirectory, std::string* error,
                     const Mesh&... mesh)
{
    OutputFile output;
    if (!CreateOutput(HeaderPathFor(input.path, outputDirectory), &output, error))
        return false;
    BufferedWriter writer = MakeBufferedWriter({&WriteToOutput, &output});
    if (!WriteHeader(mesh..., IdentifierStemFor(input), writer)) {
        *error = writer.error;
        DiscardOutput(output);
        return false;
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
                 Threading threading)
{
    MergingWelder merging;
    merging.model = &streamed->model;
    merging.random = random;
    ChunkParsers parsers;
    parsers.faces.model = &streamed->model;
    parsers.faces.sink = {&TakeTriangle, &merging};
    parsers.vertices.model = &streamed->model;
    parsers.split = threading == Threading::kAsCoresAllow && std::thread::hardware_concurrency() > 1;
    if (parsers.split) {
        parsers.faces.kinds = LineKinds::kFaces;
        parsers.vertices.kinds = LineKinds::kVertices;
    }
    if (!ReadText(source, parsers, error))
        return false;
    if (parsers.split)
        parsers.faces.nonFinite = std::move(parsers.vertices.nonFinite);
    if (!FinishObjParse(parsers.faces, error, &merging.welder.keys))
        return false;
    std::size_t modelPositions = streamed->model.positions.size();
    FinishMergingWeld(merging);
    random = merging.random;
    streamed->welded = std::move(merging.welder);
    return WarningFits(streamed->model, modelPositions, error);
}

bool ConvertObjText(std::string_view text, std::u16string_view stem, Random& random,
                    ByteSink sink, std::string* error)
{
    ObjModel model;
    WeldedMesh mesh;
    if (!ParseObj(text, &model, error) || !PrepareMesh(model, random, &mesh, error))
        return false;
    BufferedWriter writer = MakeBufferedWriter(sink);
    if (!WriteHeader(mesh, stem, writer)) {
        *error = writer.error;
        return false;
    }
    return true;
}

bool ConvertObjFile(const FileName& input, const NativeString& outputDirectory, Random& random,
                    std::string* error)
{
    InputFile file;
    if (!OpenInput(input.path, &file, error))
        return false;
    StreamedModel streamed;
    bool read = ReadAndWeld({&ReadFromInput, &file}, random, &streamed, error);
    CloseInput(file);
    return read && WriteHeaderFile(input, outputDirectory, error, streamed.model, streamed.welded);
}

}  // namespace torvane
