#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace torvane {

// Where a writer's bytes go: a file, or memory in tests and the fuzzer.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Takes the next size bytes; false, with the reason in error when there
    // is one, when they could not be written.
    virtual bool Write(const char* data, std::size_t size, std::string* error) = 0;
};

// Collects output in one fixed buffer and hands it to the sink whenever the
// buffer fills, so writing a header of any size needs no more memory than
// the buffer. After a failed write every later one is dropped and error
// holds the sink's reason.
struct BufferedWriter {
    ByteSink* sink = nullptr;
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    std::size_t used = 0;
    std::string error;
};

inline constexpr std::size_t kWriterBufferSize = std::size_t{1} << 18;
// The most any caller may ask of SpaceToWrite at a time.
inline constexpr std::size_t kLargestSpaceToWrite = 4096;

// The writer keeps a pointer to sink, which must outlive it.
BufferedWriter MakeBufferedWriter(ByteSink& sink, std::size_t capacity = kWriterBufferSize);

// Makes writer write to sink from an empty buffer and without error, keeping
// the buffer it had for the header before: a fresh buffer costs a page fault
// for every page it fills, more than an everyday header costs to format.
void AimWriter(BufferedWriter& writer, ByteSink& sink, std::size_t capacity = kWriterBufferSize);

// Aims writer at sink while it lives, and at nothing after: a writer kept
// from one header to the next must not point at a sink that has gone.
class WriterAim {
public:
    WriterAim(BufferedWriter& writer, ByteSink& sink) : writer_(writer) { AimWriter(writer, sink); }
    ~WriterAim() { writer_.sink = nullptr; }
    WriterAim(const WriterAim&) = delete;
    WriterAim& operator=(const WriterAim&) = delete;

private:
    BufferedWriter& writer_;
};

// Passes the buffered bytes to the sink; false once any write has failed.
bool FlushWriter(BufferedWriter& writer);

// Where to write the next bytes, with room for at least size (at most
// kLargestSpaceToWrite) of them; the caller writes there and then calls
// Advance with the end of what it wrote.
inline char* SpaceToWrite(BufferedWriter& writer, std::size_t size)
{
    if (writer.capacity - writer.used < size)
        FlushWriter(writer);
    return writer.buffer.get() + writer.used;
}

inline void Advance(BufferedWriter& writer, char* end)
{
    writer.used = static_cast<std::size_t>(end - writer.buffer.get());
}

void Append(BufferedWriter& writer, const char* data, std::size_t size);

}  // namespace torvane
