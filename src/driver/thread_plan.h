#pragma once

#include <cstddef>
#include <cstdint>

#include "obj/normal_generation.h"
#include "obj/text_reading.h"

namespace torvane {

// Every decision on how many threads a run uses is made here, once, and the
// reader and the header writer follow it. A thread that cannot start never
// fails a model: whoever would have waited for it does its work instead.

// How a run of modelCount models shares jobs threads: several models at
// once, one thread each, or all the threads on a lone model.
struct BatchThreads {
    std::size_t workers = 1;  // models converted at once
    unsigned perModel = 1;    // threads each of them may use
};
BatchThreads PlanBatch(std::size_t modelCount, unsigned jobs);

// Whether a model file of fileBytes is read in two halves on two threads.
ReadingThreads PlanReading(unsigned perModel, std::uint64_t fileBytes, NormalGeneration normals);

// How many threads format the rows of a header for a welded mesh of
// vertexCount vertices and triangleCount triangles.
unsigned PlanFormatting(unsigned perModel, std::uint64_t vertexCount, std::uint64_t triangleCount);

}  // namespace torvane
