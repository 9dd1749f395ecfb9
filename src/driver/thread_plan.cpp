#include "driver/thread_plan.h"

#include <algorithm>

namespace torvane {
namespace {

// Below some 4 MB of text a second reader costs more to start, and its own
// lists more to touch, than it saves.
constexpr std::uint64_t kSmallestSplitFile = std::uint64_t{4} << 20;

// Likewise for the rows of a header: below some 4 MB of them a helper costs
// more to start, and its buffers more to touch, than it saves, so everyday
// models are written by one thread. A vertex row typically holds nine
// six-decimal floats of one or two integer digits, a triangle row three
// indices of five or six digits.
constexpr std::uint64_t kSmallestSharedRows = std::uint64_t{4} << 20;
constexpr std::uint64_t kTypicalVertexRow = 120;
constexpr std::uint64_t kTypicalTriangleRow = 24;

}  // namespace

BatchThreads PlanBatch(std::size_t modelCount, unsigned jobs)
{
    unsigned threads = std::max(jobs, 1u);
    BatchThreads plan;
    plan.workers = std::clamp<std::size_t>(modelCount, 1, threads);
    // With several models at once each takes one thread; a lone model may
    // use them all.
    plan.perModel = plan.workers == 1 ? threads : 1;
    return plan;
}

// Generated normals take one thread: the second half cannot code a face's
// missing normals without the smoothing that the first half leaves, so its
// reader would stop at its first face and the first would read it again.
ReadingThreads PlanReading(unsigned perModel, std::uint64_t fileBytes, NormalGeneration normals)
{
    bool split = perModel > 1 && fileBytes >= kSmallestSplitFile && !GeneratesNormals(normals);
    return split ? ReadingThreads::kTwo : ReadingThreads::kOne;
}

unsigned PlanFormatting(unsigned perModel, std::uint64_t vertexCount, std::uint64_t triangleCount)
{
    std::uint64_t rowBytes = vertexCount * kTypicalVertexRow + triangleCount * kTypicalTriangleRow;
    return rowBytes >= kSmallestSharedRows ? std::max(perModel, 1u) : 1;
}

}  // namespace torvane
