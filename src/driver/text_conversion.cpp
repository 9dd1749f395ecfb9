#include "driver/text_conversion.h"

#include "mesh/generated_normals.h"
#include "mesh/merge.h"
#include "mesh/warning_size.h"
#include "obj/obj_reader.h"
#include "output/header_writer.h"

namespace torvane {

bool PrepareMesh(ObjModel& model, NormalGeneration normals, Random& random, WeldedMesh* mesh, std::string* error)
{
    MergeWarningMesh(model, random, normals);
    if (!WarningFits(model, error))
        return false;
    CornerWelder welder = WeldTriangles(model);
    if (GeneratesNormals(normals) && !GenerateNormals(model, welder, error))
        return false;
    *mesh = GatherMesh(model, welder);
    return true;
}

bool ConvertObjText(std::string_view text, std::u16string_view stem, const HeaderForm& form, NormalGeneration normals,
                    Random& random, ByteSink& sink, std::string* error)
{
    ObjModel model;
    WeldedMesh mesh;
    if (!ParseObj(text, &model, error, normals) || !PrepareMesh(model, normals, random, &mesh, error))
        return false;
    BufferedWriter writer = MakeBufferedWriter(sink);
    if (!WriteHeader(mesh, stem, form, 1, writer)) {
        *error = writer.error;
        return false;
    }
    return true;
}

}  // namespace torvane
