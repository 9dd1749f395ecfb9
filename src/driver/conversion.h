#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "mesh/merging_welder.h"
#include "mesh/random.h"
#include "mesh/weld.h"
#include "obj/obj_model.h"
#include "obj/text_reading.h"
#include "output/buffered_writer.h"
#include "output/header_form.h"
#include "platform/platform.h"

namespace torvane {

// Merges the warning mesh into a model that the reader accepted and welds
// the result. Fails when the warning cannot be sized to the model (its
// extent overflows the float range).
bool PrepareMesh(ObjModel& model, Random& random, WeldedMesh* mesh, std::string* error);

// One whole conversion in memory: OBJ text in, header bytes into sink.
bool ConvertObjText(std::string_view text, std::u16string_view stem, const HeaderForm& form, Random& random,
                    ByteSink& sink, std::string* error);

// A model read, merged and welded in one pass over its text: the model's
// lists with the warning's records appended, and its corners welded by
// merging.welder, whose keys index them (the triangle list is never held
// whole).
struct StreamedModel {
    ObjModel model;
    MergingWelder merging;
};

// The streaming counterpart of parsing the text and calling PrepareMesh:
// the same checks, messages and random draws, and with WriteHeader(model,
// merging.welder, ...) the same header bytes.
// Read on two threads (see TextReading), the second half of the text is
// welded on its own thread; the result is the same either way.
bool ReadAndWeld(ByteSource& source, const TextReading& reading, Random& random, StreamedModel* streamed,
                 std::string* error);

// The memory of one converting thread, kept from one model to the next:
// memory touched before costs nothing to fill again, while fresh memory
// costs more to touch than an everyday model costs to read.
struct Workspace {
    StreamedModel streamed;
    LargeList<char> readBuffer;
    BufferedWriter writer;
};

// Converting one model file into a header of the given form beside it, or
// into outputDirectory when that is not empty, on at most threads threads,
// in two steps, for a caller that settles the generator's state between
// them. ReadModelFile leaves random as it was unless the model reached the
// merge, which draws for each of the warning's triangles (even when the
// model is refused after it). ReadModelFile starts from an empty model in
// the workspace, and WriteModelHeader writes the one it left there. On
// failure the reason is in error and an existing header is left exactly as
// it was.
bool ReadModelFile(const FileName& input, Random& random, unsigned threads, Workspace* workspace, std::string* error);
bool WriteModelHeader(const FileName& input, const NativeString& outputDirectory, const HeaderForm& form,
                      Workspace& workspace, unsigned threads, std::string* error);

}  // namespace torvane
