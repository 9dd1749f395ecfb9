#include "driver/text_conversion.h"

#include "mesh/merge.h"
#include "mesh/warning_size.h"
#include "obj/obj_reader.h"
#include "output/header_writer.h"

namespace torvane {

bool PrepareMesh(ObjModel& model, Random& random, WeldedMesh* mesh, std::string* error)
{
    MergeWarningMesh(model, random);
    if (!WarningFits(model, error))
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
