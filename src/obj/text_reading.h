#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "obj/obj_reader.h"
#include "platform/large_list.h"

namespace torvane {

// Where model text comes from, from its start on.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to capacity bytes, 0 at the end, -1 with error set on failure.
    virtual std::int64_t Read(char* buffer, std::size_t capacity, std::string* error) = 0;
};

// A second way into the same text, at any byte.
class OffsetSource {
public:
    virtual ~OffsetSource() = default;
    // Up to capacity bytes from offset on, 0 at the end, -1 with error set
    // on failure.
    virtual std::int64_t ReadAt(std::uint64_t offset, char* buffer, std::size_t capacity, std::string* error) = 0;
};

// Takes the triangles of a text's second half on the thread that reads it.
class LaterTriangleSink : public TriangleSink {
public:
    // Called on the first half's thread once both halves are read without
    // a fault: the triangles taken here follow the first half's. Not called
    // when the second half was read again by the first thread instead.
    virtual void JoinToFirst() = 0;
};

enum class ReadingThreads { kOne, kTwo };

// Gives back a block of the lists' allocator.
struct LargeBlockRelease {
    std::size_t size = 0;
    void operator()(char* bytes) const { LargeBlockAllocator<char>().deallocate(bytes, size); }
};

// Room for model text, kept from one text to the next. Growing it keeps
// the bytes it held but clears none, since reading fills them. Its blocks
// come from the lists' allocator, so that one grown for a huge line is
// given back as theirs are.
class ReadBuffer {
public:
    char* data() { return bytes_.get(); }
    std::size_t size() const { return bytes_.get_deleter().size; }
    // At least size bytes, the first kept of them as they were.
    void Grow(std::size_t size, std::size_t kept);

private:
    std::unique_ptr<char[], LargeBlockRelease> bytes_;
};

struct TextReading {
    // How many bytes the text is expected to have, 0 when unknown: only a
    // hint for reserving room and for sharing the reading out, never relied
    // on for the reading itself.
    std::uint64_t expectedSize = 0;
    // With two threads and halves, a second reader of the same text, the
    // text is split at the first line start past its middle and the second
    // half read from there on a second thread. Whether that pays is the
    // caller's decision.
    ReadingThreads threads = ReadingThreads::kOne;
    OffsetSource* halves = nullptr;
    // A buffer kept from one text to the next, for the first (or only)
    // reader; null for one of its own.
    ReadBuffer* buffer = nullptr;
};

// The most bytes reserved for one list ahead of its entries: reserved room
// takes address space only until entries arrive, but a wild size hint must
// not take it all.
inline constexpr std::uint64_t kMostBytesReservedPerList = std::uint64_t{1} << 28;

// How many entries of T to reserve room for when wanted are expected.
template <typename T>
std::size_t ReservableEntries(std::uint64_t wanted)
{
    return static_cast<std::size_t>(std::min<std::uint64_t>(wanted, kMostBytesReservedPerList / sizeof(T)));
}

// Reads the whole text of source into parser, whose triangles go to its
// sink, with room for the model reserved from the expected size. Read in
// two halves, the second half is read into a parser and model of its own,
// its triangles going to laterSink, and joined to the first at the end;
// should it meet a relative index, which only the counts before it
// resolve, or a face whose missing normals are to be generated, which only
// the smoothing before it codes, the first thread reads it again instead.
// The result is the same either way. False with error set when a source fails; faults in the text
// are left in parser.error.
bool ReadObjText(ByteSource& source, const TextReading& reading, ObjParser& parser, LaterTriangleSink& laterSink,
                 std::string* error);

}  // namespace torvane
