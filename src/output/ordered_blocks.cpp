#include "output/ordered_blocks.h"

#include <algorithm>
#include <cassert>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stop_token>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace torvane {
namespace {

// Blocks formatted ahead of the one being taken. Taking a block (copying it
// out) costs about a quarter of formatting it, so with a fixed split the
// taking thread would lag; with a few blocks ahead any thread can format
// whatever comes next.
constexpr std::size_t kBlocksAhead = 4;

// What the threads of one run share. They meet under the mutex once or
// twice a block: a condition variable rather than atomic waits, which some
// standard libraries (GCC 12's without futexes, as on Windows) can miss a
// wake-up in.
struct HandOver {
    std::size_t blockCount;
    char* buffers;
    std::size_t bufferSize;
    const OrderedBlocks::FormatBlock& format;

    std::mutex mutex{};
    std::condition_variable_any changed{};
    std::size_t nextBlock = 0;  // the first block nobody has claimed
    std::size_t taken = 0;      // blocks already handed to the consumer
    // Block b is formatted into buffer b % kBlocksAhead; readyTags[i] is one
    // more than the block whose text buffer i holds, once it is complete.
    std::size_t readyTags[kBlocksAhead] = {};
    std::size_t sizes[kBlocksAhead] = {};
    std::exception_ptr failure{};  // the first exception a helper caught

    char* Buffer(std::size_t block) const { return buffers + (block % kBlocksAhead) * bufferSize; }

    // A block may be claimed once the block its buffer last held is taken.
    bool CanClaim() const { return nextBlock < std::min(taken + kBlocksAhead, blockCount); }
};

void FormatClaimed(HandOver& handOver, std::size_t block)
{
    char* start = handOver.Buffer(block);
    char* end = handOver.format(block, start);
    std::lock_guard<std::mutex> lock(handOver.mutex);
    handOver.sizes[block % kBlocksAhead] = static_cast<std::size_t>(end - start);
    handOver.readyTags[block % kBlocksAhead] = block + 1;
    handOver.changed.notify_all();
}

void Help(std::stop_token stop, HandOver& handOver)
{
    try {
        for (;;) {
            std::size_t block = 0;
            {
                std::unique_lock<std::mutex> lock(handOver.mutex);
                handOver.changed.wait(lock, stop,
                                      [&] { return handOver.CanClaim() || handOver.nextBlock == handOver.blockCount; });
                if (stop.stop_requested() || !handOver.CanClaim())
                    return;
                block = handOver.nextBlock++;
            }
            FormatClaimed(handOver, block);
        }
    } catch (...) {
        std::lock_guard<std::mutex> lock(handOver.mutex);
        if (!handOver.failure)
            handOver.failure = std::current_exception();
        handOver.changed.notify_all();
    }
}

// The size of block's text once it is complete. Rather than wait for a
// helper, the calling thread formats blocks itself while it may: on a busy
// machine a helper that is not scheduled then costs no waiting.
std::size_t AwaitBlock(HandOver& handOver, std::size_t block)
{
    std::unique_lock<std::mutex> lock(handOver.mutex);
    for (;;) {
        if (handOver.failure)
            std::rethrow_exception(handOver.failure);
        if (handOver.readyTags[block % kBlocksAhead] == block + 1)
            return handOver.sizes[block % kBlocksAhead];
        if (handOver.CanClaim()) {
            std::size_t claim = handOver.nextBlock++;
            lock.unlock();
            FormatClaimed(handOver, claim);
            lock.lock();
        } else {
            handOver.changed.wait(lock);
        }
    }
}

// Up to threadCount - 1 helpers beside the calling thread. A helper that
// cannot start leaves its blocks to the threads that did, the calling one
// at least.
void StartHelpers(std::vector<std::jthread>& helpers, std::size_t threadCount, HandOver& handOver)
{
    try {
        for (std::size_t i = 1; i < threadCount; ++i)
            helpers.emplace_back([&handOver](std::stop_token stop) { Help(stop, handOver); });
    } catch (const std::system_error&) { }
}

}  // namespace

OrderedBlocks::~OrderedBlocks()
{
    Release();
}

void OrderedBlocks::Run(std::size_t blockCount, std::size_t largestBlock, unsigned threads, const FormatBlock& format,
                        const TakeBlock& take)
{
    char* buffers = Fit(largestBlock);
    HandOver handOver{blockCount, buffers, bufferSize_, format};
    // Declared after the hand-over, so on every way out the helpers are
    // asked to stop and joined before what they share goes away.
    std::vector<std::jthread> helpers;
    StartHelpers(helpers, std::min<std::size_t>(threads, kBlocksAhead), handOver);
    for (std::size_t block = 0; block < blockCount; ++block) {
        std::size_t size = AwaitBlock(handOver, block);
        take(handOver.Buffer(block), size);
        std::lock_guard<std::mutex> lock(handOver.mutex);
        assert(handOver.taken == block);
        handOver.taken = block + 1;
        handOver.changed.notify_all();
    }
}

// Only the part of each buffer that blocks of typical rows fill is ever
// touched; large pages make that part cheap to reach.
char* OrderedBlocks::Fit(std::size_t largestBlock)
{
    if (largestBlock > bufferSize_) {
        Release();
        buffers_ = static_cast<char*>(AllocateLarge(kBlocksAhead * largestBlock));
        bufferSize_ = largestBlock;
    }
    return buffers_;
}

void OrderedBlocks::Release()
{
    if (buffers_)
        FreeLarge(buffers_, kBlocksAhead * bufferSize_);
    buffers_ = nullptr;
    bufferSize_ = 0;
}

}  // namespace torvane
