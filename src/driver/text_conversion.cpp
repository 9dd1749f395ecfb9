#include "driver/text_conversion.h"

#include <cmath>

#include "mesh/merge.h"
#include "obj/obj_reader.h"
#include "output/header_writer.h"

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

}  // namespace

bool WarningFits(const ObjModel& model, std::size_t modelPositions, std::string* error)
{
    if (AllFinite(model.positions, modelPositions))
        return true;
    const char* what = "the model is too large: the warning mesh scaled to it leaves the float range";
    std::uint64_t line = model.bounds.farthest.line;
    *error = line == 0 ? what : "line " + std::to_string(line) + ": " + what;
    return false;
}

bool PrepareMesh(ObjModel& model, Random& random, WeldedMesh* mesh, std::string* error)
{
    std::size_t modelPositions = model.positions.size();
    MergeWarningMesh(model, random);
    if (!WarningFits(model, modelPositions, error))
        return false;
    *mesh = WeldCorners(model);
    return true;
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

}  // namespace torvane
