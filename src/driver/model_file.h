#pragma once

#include <string>

#include "driver/streaming_conversion.h"
#include "mesh/random.h"
#include "obj/normal_generation.h"
#include "output/buffered_writer.h"
#include "output/header_form.h"
#include "platform/large_list.h"
#include "platform/platform.h"

namespace torvane {

// The memory of one converting thread, kept from one model to the next:
// memory touched before costs nothing to fill again, while fresh memory
// costs more to touch than an everyday model costs to read.
struct Workspace {
    StreamedModel streamed;
    ReadBuffer readBuffer;
    BufferedWriter writer;
};

// Converting one model file into a header of the given form beside it, or
// into outputDirectory when that is not empty, using up to threads threads,
// in two steps, for a caller that settles the generator's state between
// them.
//
// ReadAndWeldModelFile reads the model into the workspace, merges the
// warning into it, welds it and generates the normals asked for. It leaves random as it was unless the model
// reached the merge, which draws once for each of the warning's triangles
// (even when the model is refused after it). WriteModelHeader writes the
// header of the model the workspace holds. On failure the reason is in
// error and an existing header is left exactly as it was; running out of
// memory fails that model only.
bool ReadAndWeldModelFile(const FileName& input, NormalGeneration normals, unsigned threads, Random& random,
                          Workspace& workspace, std::string* error);
bool WriteModelHeader(const FileName& input, const NativeString& outputDirectory, const HeaderForm& form,
                      unsigned threads, Workspace& workspace, std::string* error);

}  // namespace torvane
