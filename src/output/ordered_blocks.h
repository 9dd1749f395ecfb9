#pragma once

#include <cstddef>
#include <functional>

namespace torvane {

// Text made in independent blocks, formatted on several threads and handed
// to one consumer strictly in block order. The buffers the blocks are
// formatted into are kept from one run to the next, so a later run lands
// in memory that is already touched.
class OrderedBlocks {
public:
    // Writes block's text at out, at most the run's largestBlock bytes, and
    // returns its end.
    using FormatBlock = std::function<char*(std::size_t block, char* out)>;
    using TakeBlock = std::function<void(const char* data, std::size_t size)>;

    OrderedBlocks() = default;
    OrderedBlocks(const OrderedBlocks&) = delete;
    OrderedBlocks& operator=(const OrderedBlocks&) = delete;
    ~OrderedBlocks();

    // Formats blocks 0 to blockCount - 1 on up to threads threads, the
    // calling one included, and passes each to take on the calling thread,
    // in order. An exception thrown by format on any thread, or by take,
    // ends the run and reaches the caller once every helper has stopped.
    void Run(std::size_t blockCount, std::size_t largestBlock, unsigned threads, const FormatBlock& format,
             const TakeBlock& take);

private:
    char* Fit(std::size_t largestBlock);
    void Release();

    char* buffers_ = nullptr;
    std::size_t bufferSize_ = 0;
};

}  // namespace torvane
