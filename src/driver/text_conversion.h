#pragma once

#include <string>
#include <string_view>

#include "mesh/random.h"
#include "mesh/weld.h"
#include "obj/normal_generation.h"
#include "obj/obj_model.h"
#include "output/buffered_writer.h"
#include "output/header_form.h"

namespace torvane {

// The conversion of a text held whole in memory, phase after phase on one
// thread: the reference that the streaming conversion of model files is
// held to, and the road of the fuzzer and the benchmarks.

// Merges the warning mesh into a model that the reader accepted (its
// missing normals coded as normals asks), welds the result and generates
// the normals. Fails when the warning cannot be sized to the model (its
// extent overflows the float range) or the normals do not fit.
bool PrepareMesh(ObjModel& model, NormalGeneration normals, Random& random, WeldedMesh* mesh, std::string* error);

// One whole conversion: OBJ text in, header bytes into sink.
bool ConvertObjText(std::string_view text, std::u16string_view stem, const HeaderForm& form, NormalGeneration normals,
                    Random& random, ByteSink& sink, std::string* error);

}  // namespace torvane
