#include "output/buffered_writer.h"

#include <algorithm>
#include <cstring>

namespace torvane {

BufferedWriter MakeBufferedWriter(ByteSink& sink, std::size_t capacity)
{
    BufferedWriter writer;
    AimWriter(writer, sink, capacity);
    return writer;
}

void AimWriter(BufferedWriter& writer, ByteSink& sink, std::size_t capacity)
{
    capacity = std::max(capacity, kLargestSpaceToWrite);
    // Left unfilled, so that a small header touches only the pages it uses.
    if (!writer.buffer || writer.capacity != capacity)
        writer.buffer = std::make_unique_for_overwrite<char[]>(capacity);
    writer.capacity = capacity;
    writer.sink = &sink;
    writer.used = 0;
    writer.error.clear();
}

namespace {

bool WriteToSink(BufferedWriter& writer, const char* data, std::size_t size)
{
    if (!writer.error.empty())
        return false;
    if (size != 0 && !writer.sink->Write(data, size, &writer.error)) {
        if (writer.error.empty())
            writer.error = "write failed";
        return false;
    }
    return true;
}

}  // namespace

bool FlushWriter(BufferedWriter& writer)
{
    std::size_t size = writer.used;
    writer.used = 0;
    return WriteToSink(writer, writer.buffer.get(), size);
}

void Append(BufferedWriter& writer, const char* data, std::size_t size)
{
    // A block of half the buffer or more would only be copied through it.
    if (size >= writer.capacity / 2) {
        FlushWriter(writer);
        WriteToSink(writer, data, size);
        return;
    }
    while (size != 0) {
        if (writer.used == writer.capacity)
            FlushWriter(writer);
        std::size_t chunk = std::min(size, writer.capacity - writer.used);
        std::memcpy(writer.buffer.get() + writer.used, data, chunk);
        writer.used += chunk;
        data += chunk;
        size -= chunk;
    }
}

}  // namespace torvane
