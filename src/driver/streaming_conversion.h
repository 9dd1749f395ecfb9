#pragma once

#include <string>

#include "mesh/merging_welder.h"
#include "mesh/random.h"
#include "mesh/weld.h"
#include "obj/normal_generation.h"
#include "obj/obj_model.h"
#include "obj/text_reading.h"

namespace torvane {

// The conversion of a model too large to hold as a triangle list: read,
// merged with the warning and welded in one pass over its text.

// The model's lists with the warning's records appended, and its corners
// welded by merging.welder, whose keys index them.
struct StreamedModel {
    ObjModel model;
    MergingWelder merging;
};

// The streaming counterpart of parsing the text and calling PrepareMesh:
// the same checks, messages and random draws, and with WriteHeader(model,
// merging.welder, ...) the same header bytes. Starts from an emptied streamed,
// keeping the room of its lists. Read on two threads (see TextReading), the
// second half of the text is welded on its own thread; the result is the
// same either way.
bool ReadAndWeld(ByteSource& source, const TextReading& reading, NormalGeneration normals, Random& random,
                 StreamedModel& streamed, std::string* error);

}  // namespace torvane
