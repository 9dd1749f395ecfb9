#include "driver/text_reading.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <new>
#include <thread>
#include <vector>

#include "platform/large_list.h"

namespace torvane {
namespace {

constexpr std::size_t kReadChunkSize = std::size_t{1} << 20;

// Each regrowth of a list copies it into memory touched for the first time,
// which costs more than reading the entries; room reserved from the file's
// size saves that. Reserved room takes address space only until entries
// arrive, so the estimates lean high: a vertex line with plainly written
// numbers takes some 20 bytes or more, a face 8 or more per corner it
// gives the triangles. Lists of tersely written files grow past them as
// before. Each reservation is capped, and one that is refused is skipped:
// it saves time, nothing depends on it.
void ReserveForSize(ObjModel& model, CornerWelder& welder, std::uint64_t bytes)
{
    constexpr std::uint64_t kLargestReservation = std::uint64_t{1} << 28;
    auto entries = [bytes](std::uint64_t bytesPerEntry, std::size_t entrySize) {
        return static_cast<std::size_t>(std::min(bytes / bytesPerEntry, kLargestReservation / entrySize));
    };
    try {
        for (LargeList<Float3>* list : {&model.positions, &model.texcoords, &model.normals})
            list->reserve(entries(20, sizeof(Float3)));
        ReserveWelder(welder, entries(20, sizeof(std::uint32_t)), entries(16, sizeof(ObjCorner)),
                      entries(8, sizeof(std::uint32_t)));
    } catch (const std::bad_alloc&) {
    }
}

// Streams the text through one reused buffer, so memory stays proportional
// to the model's lists rather than the file; a line longer than the buffer
// makes it grow. Stops early once abandon is set.
bool ReadText(ByteSource source, ObjParser& parser, const std::atomic<bool>& abandon, std::string* error)
{
    // A small file is read in pieces of an eighth of it, so that its buffer
    // does not touch more memory than its lists.
    std::size_t size = kReadChunkSize;
    if (source.expectedSize != 0)
        size = static_cast<std::size_t>(std::clamp<std::uint64_t>(source.expectedSize / 8, 1 << 16, size));
    LargeList<char> buffer(size);
    std::size_t filled = 0;
    while (!abandon.load(std::memory_order_relaxed)) {
        if (filled == buffer.size())
            buffer.resize(buffer.size() * 2);
        std::int64_t count = source.read(source.context, buffer.data() + filled, buffer.size() - filled, error);
        if (count < 0)
            return false;
        bool atEnd = count == 0;
        filled += static_cast<std::size_t>(count);
        std::size_t consumed = ParseObjText(parser, buffer.data(), filled, atEnd);
        std::memmove(buffer.data(), buffer.data() + consumed, filled - consumed);
        filled -= consumed;
        if (atEnd || !parser.error.empty())
            return true;
    }
    return true;
}

// The first bytes of a source, up to a limit.
struct LimitedSource {
    ByteSource source;
    std::uint64_t left;
};

std::int64_t ReadLimited(void* context, char* buffer, std::size_t capacity, std::string* error)
{
    auto& limited = *static_cast<LimitedSource*>(context);
    std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, limited.left));
    if (wanted == 0)
        return 0;
    std::int64_t count = limited.source.read(limited.source.context, buffer, wanted, error);
    if (count > 0)
        limited.left -= static_cast<std::uint64_t>(count);
    return count;
}

// An offset source read on from a position.
struct PositionedSource {
    OffsetSource source;
    std::uint64_t position;
};

std::int64_t ReadPositioned(void* context, char* buffer, std::size_t capacity, std::string* error)
{
    auto& positioned = *static_cast<PositionedSource*>(context);
    std::int64_t count =
        positioned.source.readAt(positioned.source.context, positioned.position, buffer, capacity, error);
    if (count > 0)
        positioned.position += static_cast<std::uint64_t>(count);
    return count;
}

// Where the second half of a text starts: just after the first line end
// past its middle. 0 when the text is too short to share out, or when no
// line ends near the middle (one huge line is read by one thread).
std::uint64_t HalfwayLineStart(const OffsetSource& source, std::uint64_t size)
{
    constexpr std::size_t kLookahead = std::size_t{1} << 16;
    if (size < source.smallestSplit || size < 2)
        return 0;
    std::vector<char> probe(kLookahead);
    std::uint64_t middle = size / 2;
    std::string unused;
    std::int64_t count = source.readAt(source.context, middle, probe.data(), probe.size(), &unused);
    if (count <= 0)
        return 0;
    const char* end = probe.data() + count;
    const char* lineEnd = FindLineEnd(probe.data(), end);
    return lineEnd == end ? 0 : middle + static_cast<std::uint64_t>(lineEnd - probe.data()) + 1;
}

void TakeLater(void* later, const ObjTriangle& triangle)
{
    TakeLaterTriangle(*static_cast<LaterWelder*>(later), triangle);
}

// The second half of the text, read on a thread of its own into a model of
// its own, and joined to the first half's when both are done. The halves
// meet only then: on a busy machine every meeting can cost a wait for the
// other thread to be scheduled.
struct LaterHalf {
    ObjModel model;
    ObjParser parser;
    LaterWelder welder;
    std::string error;
    bool read = false;
};

bool ReadInHalves(ByteSource source, const OffsetSource& halves, std::uint64_t split, ObjParser& parser,
                  MergingWelder& merging, std::string* error)
{
    LaterHalf later;
    later.parser.model = &later.model;
    later.parser.sink = {&TakeLater, &later.welder};
    later.parser.started = true;  // the start of the text is in the first half
    ReserveForSize(later.model, later.welder.welder, source.expectedSize > split ? source.expectedSize - split : 0);
    PositionedSource rest{halves, split};
    LimitedSource first{source, split};
    std::atomic<bool> abandon{false};
    // Running out of memory on the second thread is rethrown on this one,
    // once both have stopped.
    std::exception_ptr laterFailure;
    std::thread reader([&] {
        try {
            later.read = ReadText({&ReadPositioned, &rest, 0}, later.parser, abandon, &later.error);
        } catch (...) {
            laterFailure = std::current_exception();
        }
    });
    bool read = false;
    try {
        read = ReadText({&ReadLimited, &first, 0}, parser, abandon, error);
    } catch (...) {
        abandon = true;
        reader.join();
        throw;
    }
    bool failed = !read || !parser.error.empty();
    if (failed)
        abandon = true;
    reader.join();
    // A fault in the first half comes first in the text.
    if (failed)
        return read;
    if (laterFailure)
        std::rethrow_exception(laterFailure);
    if (!later.read) {
        *error = later.error;
        return false;
    }
    AppendLaterPart(parser, later.parser);
    if (parser.error.empty())
        JoinLaterWeld(merging, later.welder);
    return true;
}

}  // namespace

bool ReadModelText(ByteSource source, const OffsetSource* halves, ObjParser& parser, MergingWelder& merging,
                   std::string* error)
{
    ReserveForSize(*parser.model, merging.welder, source.expectedSize);
    std::uint64_t split = halves ? HalfwayLineStart(*halves, source.expectedSize) : 0;
    if (split != 0)
        return ReadInHalves(source, *halves, split, parser, merging, error);
    std::atomic<bool> never{false};
    return ReadText(source, parser, never, error);
}

}  // namespace torvane
