#include "driver/conversion.h"

#include <cmath>
#include <cstring>
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

// Streams the file through one reused buffer, so memory stays proportional
// to the model's lists rather than the file; a line longer than the buffer
// makes it grow.
bool ReadModel(const FileName& input, ObjModel* model, std::string* error)
{
    InputFile file;
    if (!OpenInput(input.path, &file, error))
        return false;
    ObjParser parser;
    parser.model = model;
    std::vector<char> buffer(kReadChunkSize);
    std::size_t filled = 0;
    for (;;) {
        if (filled == buffer.size())
            buffer.resize(buffer.size() * 2);
        std::int64_t count = ReadInput(file, buffer.data() + filled, buffer.size() - filled, error);
        if (count < 0) {
            CloseInput(file);
            return false;
        }
        bool atEnd = count == 0;
        filled += static_cast<std::size_t>(count);
        std::size_t consumed = ParseObjText(parser, buffer.data(), filled, atEnd);
        std::memmove(buffer.data(), buffer.data() + consumed, filled - consumed);
        filled -= consumed;
        if (atEnd || !parser.error.empty())
            break;
    }
    CloseInput(file);
    return FinishObjParse(parser, error);
}

bool WriteToOutput(void* context, const char* data, std::size_t size, std::string* error)
{
    return WriteOutput(*static_cast<OutputFile*>(context), data, size, error);
}

bool WriteHeaderFile(const FileName& input, const NativeString& outputDirectory, const WeldedMesh& mesh,
                     std::string* error)
{
    OutputFile output;
    if (!CreateOutput(HeaderPathFor(input.path, outputDirectory), &output, error))
        return false;
    BufferedWriter writer = MakeBufferedWriter({&WriteToOutput, &output});
    if (!WriteHeader(mesh, IdentifierStemFor(input), writer)) {
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
    if (!AllFinite(model.positions, modelPositions)) {
        *error = "the model is too large: the warning mesh scaled to it leaves the float range";
        return false;
    }
    *mesh = WeldCorners(model);
    return true;
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
    WeldedMesh mesh;
    {
        ObjModel model;
        if (!ReadModel(input, &model, error) || !PrepareMesh(model, random, &mesh, error))
            return false;
    }  // the model's lists are not needed while the header is written
    return WriteHeaderFile(input, outputDirectory, mesh, error);
}

}  // namespace torvane
