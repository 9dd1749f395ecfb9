#include "output/buffered_writer.h"

#include <algorithm>

namespace torvane {

BufferedWriter MakeBufferedWriter(ByteSink sink, std::size_t capacity)
{
    BufferedWriter writer;
    writer.sink = sink;
    writer.capacity = std::max(capacity, kLargestReservation);
    writer.buffer = std::make_unique<char[]>(writer.capacity);
    return writer;
}

bool FlushWriter(BufferedWriter& writer)
{
    std::size_t size = writer.used;
    writer.used = 0;
    if (!writer.error.empty())
        return false;
    if (size != 0 && !writer.sink.write(writer.sink.context, writer.buffer.get(), size, &writer.error)) {
        if (writer.error.empty())
            writer.error = "write failed";
        return false;
    }
    return true;
}

void Append(BufferedWriter& writer, const char* data, std::size_t size)
{
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
