#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "mesh/merge.h"
#include "obj/obj_reader.h"

namespace torvane {

// Where model text comes from: read returns up to capacity bytes, 0 at the
// end, -1 with error set on failure.
struct ByteSource {
    std::int64_t (*read)(void* context, char* buffer, std::size_t capacity, std::string* error);
    void* context;
    // How many bytes the source is expected to give, 0 when unknown: only a
    // hint for reserving room and for sharing the reading out, never relied
    // on for the reading itself.
    std::uint64_t expectedSize = 0;
};

// A second way into the same text as a ByteSource, at any byte: readAt
// returns up to capacity bytes from offset on, 0 at the end, -1 with error
// set on failure.
struct OffsetSource {
    std::int64_t (*readAt)(void* context, std::uint64_t offset, char* buffer, std::size_t capacity,
                           std::string* error);
    void* context;
    // Texts shorter than this (by the expected size) are read by one thread.
    std::uint64_t smallestSplit = std::uint64_t{4} << 20;
};

// Reads the whole text of source into parser, whose triangles go to
// merging (its sink), with room for the model reserved from the expected
// size. Given halves, a second reader of the same text, a text of some size
// is split at the first line start past its middle and the second half
// read from there on a second thread, into a model and welder of its own
// that are joined to the first half's at the end; the result is the same
// either way. False with error set when a source fails; faults in the text
// are left in parser.error.
bool ReadModelText(ByteSource source, const OffsetSource* halves, ObjParser& parser, MergingWelder& merging,
                   std::string* error);

}  // namespace torvane
