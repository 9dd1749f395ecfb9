#include "driver/conversion.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "mesh/merge.h"
#include "mesh/warning_mesh.h"
#include "obj/large_list.h"
#include "obj/obj_reader.h"
#include "output/header_writer.h"
#include "output/naming.h"

namespace torvane {
namespace {

constexpr std::size_t kReadChunkSize = std::size_t{1} << 20;

bool AllFinite(const LargeList<Float3>& list, std::size_t from)
{
    for (std::size_t i = from; i < list.size(); ++i) {
        if (!std::isfinite(list[i].x) || !std::isfinite(list[i].y) || !std::isfinite(list[i].z))
            return false;
    }
    return true;
}

// Streams the text through one reused buffer, so memory stays proportional
// to the model's lists rather than the file; a line longer than the buffer
// makes it grow, unless the parser passes over that line anyway: then the
// rest of it is dropped up to its line end, which the parser still sees.
// Stops early once abandon is set.
bool ReadText(ByteSource source, ObjParser& parser, const std::atomic<bool>& abandon, std::string* error)
{
    LargeList<char> buffer(kReadChunkSize);
    std::size_t filled = 0;
    bool dropping = false;
    while (!abandon.load(std::memory_order_relaxed)) {
        if (filled == buffer.size()) {
            dropping = PassesOverLine(parser, buffer.data(), filled);
            if (dropping)
                filled = 0;
            else
                buffer.resize(buffer.size() * 2);
        }
        std::int64_t count = source.read(source.context, buffer.data() + filled, buffer.size() - filled, error);
        if (count < 0)
            return false;
        bool atEnd = count == 0;
        if (dropping) {
            const char* lineEnd = FindLineEnd(buffer.data(), buffer.data() + count);
            auto kept = static_cast<std::size_t>(buffer.data() + count - lineEnd);
            std::memmove(buffer.data(), lineEnd, kept);
            count = static_cast<std::int64_t>(kept);
            dropping = kept == 0 && !atEnd;
        }
        filled += static_cast<std::size_t>(count);
        std::size_t consumed = ParseObjText(parser, buffer.data(), filled, atEnd);
        std::memmove(buffer.data(), buffer.data() + consumed, filled - consumed);
        filled -= consumed;
        if (atEnd || !parser.error.empty())
            return true;
    }
    return true;
}

// The vertex lines, read on a thread of their own through a second reader
// of the same text. The two threads meet only at the end: on a busy machine
// every meeting can cost a wait for the other to be scheduled.
struct VertexReading {
    ObjParser parser;
    std::string error;
    bool read = false;
};

bool ReadBothKinds(ByteSource source, ByteSource vertexSource, ObjParser& faces, std::string* error)
{
    VertexReading vertices;
    vertices.parser.model = faces.model;
    vertices.parser.kinds = LineKinds::kVertices;
    faces.kinds = LineKinds::kFaces;
    std::atomic<bool> abandon{false};
    std::thread vertexReader([&] {
        vertices.read = ReadText(vertexSource, vertices.parser, abandon, &vertices.error);
    });
    bool read = ReadText(source, faces, abandon, error);
    if (!read || !faces.error.empty())
        abandon = true;
    vertexReader.join();
    faces.nonFinite = std::move(vertices.parser.nonFinite);
    if (read && faces.error.empty() && !vertices.read) {
        *error = vertices.error;
        return false;
    }
    return read;
}

void TakeTriangle(void* merging, const ObjTriangle& triangle)
{
    TakeModelTriangle(*static_cast<MergingWelder*>(merging), triangle);
}

std::int64_t ReadFromInput(void* file, char* buffer, std::size_t capacity, std::string* error)
{
    return ReadInput(*static_cast<InputFile*>(file), buffer, capacity, error);
}

// Each regrowth of a list copies it into memory touched for the first time,
// which costs more than reading the entries; room reserved from the file's
// size saves that. Reserved room takes address space only until entries
// arrive, so the estimates lean high: a vertex line with plainly written
// numbers takes some 20 bytes or more, a face 8 or more per corner it
// gives the triangles. Lists of tersely written files grow past them as
// before. Each reservation is capped, and one that is refused is skipped:
// it saves time, nothing depends on it.
void ReserveForSize(ObjModel& model, CornerWelder& welder, std::uint64_t bytes)
{
    constexpr std::uint64_t kLargestReservation = std::uint64_t{1} << 28;
    auto entries = [bytes](std::uint64_t bytesPerEntry, std::size_t entrySize) {
        return static_cast<std::size_t>(std::min(bytes / bytesPerEntry, kLargestReservation / entrySize));
    };
    try {
        for (LargeList<Float3>* list : {&model.positions, &model.texcoords, &model.normals})
            list->reserve(entries(20, sizeof(Float3)));
        ReserveWelder(welder, entries(20, sizeof(std::uint32_t)), entries(16, sizeof(ObjCorner)),
                      entries(8, sizeof(std::uint32_t)));
    } catch (const std::bad_alloc&) {
    }
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
                 const ByteSource* vertexSource)
{
    MergingWelder merging;
    merging.model = &streamed->model;
    merging.random = random;
    ReserveForSize(streamed->model, merging.welder, source.expectedSize);
    ObjParser parser;
    parser.model = &streamed->model;
    parser.sink = {&TakeTriangle, &merging};
    std::atomic<bool> never{false};
    bool read = vertexSource ? ReadBothKinds(source, *vertexSource, parser, error)
                             : ReadText(source, parser, never, error);
    if (!read || !FinishObjParse(parser, error, &merging.welder.keys))
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
    // A second core reads the vertex lines through a second handle; one
    // core would only be slowed down by the switching.
    InputFile second;
    std::string unused;
    bool twoReaders = std::thread::hardware_concurrency() > 1 && OpenInput(input.path, &second, &unused);
    ByteSource vertexSource{&ReadFromInput, &second, second.size};
    StreamedModel streamed;
    bool read = ReadAndWeld({&ReadFromInput, &file, file.size}, random, &streamed, error,
                            twoReaders ? &vertexSource : nullptr);
    CloseInput(file);
    CloseInput(second);
    return read && WriteHeaderFile(input, outputDirectory, error, streamed.model, streamed.welded);
}

}  // namespace torvane
