#include "obj/text_reading.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <stop_token>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/large_list.h"

namespace torvane {
namespace {

// Below the size from which lists take large pages: a read buffer is used
// whole, so small pages cost it nothing in memory.
constexpr std::size_t kReadChunkSize = std::size_t{1} << 19;

// Each regrowth of a list copies it into memory touched for the first time,
// which costs more than reading the entries; room reserved from the file's
// size saves that. Reserved room takes address space only until entries
// arrive, so the estimates lean high: a vertex line with plainly written
// numbers takes some 20 bytes or more, a face 8 or more per corner it
// gives the triangles. Lists of tersely written files grow past them as
// before. A reservation that is refused is skipped: it saves time, nothing
// depends on it.
void ReserveForSize(ObjModel& model, TriangleSink& sink, std::uint64_t bytes)
{
    TextEstimate estimate{bytes / 20, bytes / 16, bytes / 8};
    try {
        for (LargeList<Float3>* list : {&model.positions, &model.texcoords, &model.normals})
            list->reserve(ReservableEntries<Float3>(estimate.vertexLines));
        sink.Reserve(estimate);
    } catch (const std::bad_alloc&) { }
}

// A small file is read in pieces of an eighth of it, and a tiny one whole
// (with a byte to spare for seeing its end), so that its buffer does not
// touch more memory than its lists.
std::size_t ReadBufferSizeFor(std::uint64_t expectedSize)
{
    constexpr std::uint64_t kSmallestPiece = 1 << 16;
    if (expectedSize == 0)
        return kReadChunkSize;
    if (expectedSize < kSmallestPiece)
        return static_cast<std::size_t>(expectedSize) + 1;
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(expectedSize / 8, kSmallestPiece, kReadChunkSize));
}

// The kept buffer when there is one, else own; room for at least size
// bytes of text and the reader's padding after them.
ReadBuffer& BufferFor(const TextReading& reading, ReadBuffer& own, std::size_t size)
{
    ReadBuffer& buffer = reading.buffer != nullptr ? *reading.buffer : own;
    buffer.Grow(size + kTextPadding, 0);
    return buffer;
}

// Streams the text through one reused buffer, so memory stays proportional
// to the model's lists rather than the file; a line longer than the buffer
// makes it grow. Stops early once abandon is requested.
bool ReadText(ByteSource& source, ObjParser& parser, std::stop_token abandon, std::string* error, ReadBuffer& buffer)
{
    std::size_t filled = 0;
    while (!abandon.stop_requested()) {
        if (buffer.size() - filled <= kTextPadding)
            buffer.Grow(buffer.size() * 2, filled);
        std::int64_t count = source.Read(buffer.data() + filled, buffer.size() - kTextPadding - filled, error);
        if (count < 0)
            return false;
        bool atEnd = count == 0;
        filled += static_cast<std::size_t>(count);
        // Zeros, not whatever the buffer held before: the reader stops at
        // the first, and nothing it reads is left undefined.
        std::memset(buffer.data() + filled, 0, kTextPadding);
        std::size_t consumed = ParseObjText(parser, buffer.data(), filled, atEnd);
        std::memmove(buffer.data(), buffer.data() + consumed, filled - consumed);
        filled -= consumed;
        if (atEnd || ParsingStopped(parser))
            return true;
    }
    return true;
}

// The first bytes of a source, up to a limit.
class LimitedSource final : public ByteSource {
public:
    LimitedSource(ByteSource& source, std::uint64_t limit) : source_(source), left_(limit) { }

    std::int64_t Read(char* buffer, std::size_t capacity, std::string* error) override
    {
        std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, left_));
        if (wanted == 0)
            return 0;
        std::int64_t count = source_.Read(buffer, wanted, error);
        if (count > 0)
            left_ -= static_cast<std::uint64_t>(count);
        return count;
    }

private:
    ByteSource& source_;
    std::uint64_t left_;
};

// An offset source read on from a position.
class PositionedSource final : public ByteSource {
public:
    PositionedSource(OffsetSource& source, std::uint64_t position) : source_(source), position_(position) { }

    std::int64_t Read(char* buffer, std::size_t capacity, std::string* error) override
    {
        std::int64_t count = source_.ReadAt(position_, buffer, capacity, error);
        if (count > 0)
            position_ += static_cast<std::uint64_t>(count);
        return count;
    }

private:
    OffsetSource& source_;
    std::uint64_t position_;
};

// Where the second half of a text starts: just after the first line end
// past its middle. 0 when the text is read by one thread, or when no line
// ends near the middle (one huge line is read by one thread).
std::uint64_t HalfwayLineStart(const TextReading& reading)
{
    constexpr std::size_t kLookahead = std::size_t{1} << 16;
    std::uint64_t size = reading.expectedSize;
    if (reading.threads != ReadingThreads::kTwo || reading.halves == nullptr || size < 2)
        return 0;
    std::vector<char> probe(kLookahead);
    std::uint64_t middle = size / 2;
    std::string unused;
    std::int64_t count = reading.halves->ReadAt(middle, probe.data(), probe.size(), &unused);
    if (count <= 0)
        return 0;
    const char* end = probe.data() + count;
    const char* lineEnd = FindLineEnd(probe.data(), end);
    return lineEnd == end ? 0 : middle + static_cast<std::uint64_t>(lineEnd - probe.data()) + 1;
}

// The second half of the text, read on a thread of its own into a model of
// its own, and joined to the first half's when both are done. The halves
// meet only then: on a busy machine every meeting can cost a wait for the
// other thread to be scheduled.
struct LaterHalf {
    ObjModel model;
    ObjParser parser;
    std::string error;
    bool read = false;
    // Running out of memory on the second thread is rethrown on the first,
    // once both have stopped.
    std::exception_ptr failure;
};

void ReadLaterHalf(ByteSource& rest, LaterHalf& later, std::stop_token abandon)
{
    try {
        ReadBuffer buffer;
        buffer.Grow(kReadChunkSize + kTextPadding, 0);
        later.read = ReadText(rest, later.parser, abandon, &later.error, buffer);
    } catch (...) {
        later.failure = std::current_exception();
    }
}

bool ReadInHalves(ByteSource& source, const TextReading& reading, std::uint64_t split, ObjParser& parser,
                  LaterTriangleSink& laterSink, std::string* error)
{
    LaterHalf later;
    later.parser.model = &later.model;
    later.parser.sink = &laterSink;
    later.parser.started = true;  // the start of the text is in the first half
    later.parser.midText = true;
    later.parser.smoothing.generation = parser.smoothing.generation;
    std::uint64_t size = reading.expectedSize;
    ReserveForSize(later.model, laterSink, size > split ? size - split : 0);
    PositionedSource rest(*reading.halves, split);
    LimitedSource first(source, split);
    ReadBuffer own;
    ReadBuffer& buffer = BufferFor(reading, own, kReadChunkSize);
    // Should the first half throw, the reader's destructor stops the second
    // half and waits for it. Without a second thread, this one reads all.
    std::jthread reader;
    try {
        reader = std::jthread([&](std::stop_token abandon) { ReadLaterHalf(rest, later, abandon); });
    } catch (const std::system_error&) {
        return ReadText(source, parser, {}, error, buffer);
    }
    bool read = ReadText(first, parser, {}, error, buffer);
    bool failed = !read || !parser.error.empty();
    if (failed)
        reader.request_stop();
    reader.join();
    // A fault in the first half comes first in the text.
    if (failed)
        return read;
    if (later.failure)
        std::rethrow_exception(later.failure);
    if (!later.read) {
        *error = later.error;
        return false;
    }
    if (later.parser.stoppedForEarlierPart) {
        PositionedSource again(*reading.halves, split);
        return ReadText(again, parser, {}, error, buffer);
    }
    AppendLaterPart(parser, later.parser);
    if (parser.error.empty())
        laterSink.JoinToFirst();
    return true;
}

}  // namespace

void ReadBuffer::Grow(std::size_t size, std::size_t kept)
{
    if (size <= this->size())
        return;
    std::unique_ptr<char[], LargeBlockRelease> grown(LargeBlockAllocator<char>().allocate(size),
                                                     LargeBlockRelease{size});
    std::copy(bytes_.get(), bytes_.get() + kept, grown.get());
    bytes_ = std::move(grown);
}

bool ReadObjText(ByteSource& source, const TextReading& reading, ObjParser& parser, LaterTriangleSink& laterSink,
                 std::string* error)
{
    ReserveForSize(*parser.model, *parser.sink, reading.expectedSize);
    std::uint64_t split = HalfwayLineStart(reading);
    if (split != 0)
        return ReadInHalves(source, reading, split, parser, laterSink, error);
    ReadBuffer own;
    return ReadText(source, parser, {}, error, BufferFor(reading, own, ReadBufferSizeFor(reading.expectedSize)));
}

}  // namespace torvane
