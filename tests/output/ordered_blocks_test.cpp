#include "output/ordered_blocks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>

namespace torvane {
namespace {

// Block b's text: its number, then as many letters as the number is long
// mod 7 gives, so blocks differ in length and a block written into a buffer
// still being taken shows as wrong text.
char* FormatNumbered(std::size_t block, char* out)
{
    std::string text = std::to_string(block) + std::string(block % 7, char('a' + block % 26)) + "\n";
    for (char c : text)
        *out++ = c;
    return out;
}

TEST(OrderedBlocks, EveryBlockComesOutOnceInOrderWhateverTheThreads)
{
    std::string expected;
    char scratch[64];
    for (std::size_t block = 0; block < 2000; ++block)
        expected.append(scratch, FormatNumbered(block, scratch));
    OrderedBlocks blocks;
    for (unsigned threads : {0u, 1u, 2u, 4u, 9u}) {
        SCOPED_TRACE(threads);
        std::string text;
        // The taking thread dawdles now and then, so the helpers run ahead
        // as far as they may.
        blocks.Run(2000, 64, threads, FormatNumbered, [&](const char* data, std::size_t size) {
            if (text.size() % 5 == 0)
                std::this_thread::yield();
            text.append(data, size);
        });
        EXPECT_TRUE(text == expected);
    }
}

TEST(OrderedBlocks, AnExceptionOnAnyThreadReachesTheCaller)
{
    OrderedBlocks blocks;
    auto noTake = [](const char*, std::size_t) {};
    // The caller holds block 0 until a helper has thrown on block 1, so the
    // helper's exception is the one that must come through.
    std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> helperThrew{false};
    auto failOnHelper = [&](std::size_t, char* out) {
        if (std::this_thread::get_id() != caller) {
            helperThrew = true;
            throw std::runtime_error("helper failed");
        }
        for (int wait = 0; wait < 10000 && !helperThrew; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return out;
    };
    EXPECT_THROW(blocks.Run(10, 16, 2, failOnHelper, noTake), std::runtime_error);
    EXPECT_TRUE(helperThrew);

    // A consumer that throws (a failing sink) leaves helpers busy ahead of
    // it; they stop rather than end the process.
    auto format = [](std::size_t block, char* out) { return FormatNumbered(block, out); };
    auto failingTake = [](const char*, std::size_t) { throw std::runtime_error("sink failed"); };
    EXPECT_THROW(blocks.Run(1000, 64, 4, format, failingTake), std::runtime_error);

    // The same blocks still work afterwards.
    std::size_t taken = 0;
    blocks.Run(100, 64, 4, format, [&](const char*, std::size_t) { ++taken; });
    EXPECT_EQ(taken, 100u);
}

TEST(OrderedBlocks, AHelperThatFailsWhileTheCallerWaitsWakesIt)
{
    // Two blocks, one for each thread: the caller formats its own, then
    // waits for the helper's, and only then does the helper throw.
    std::thread::id caller;
    std::atomic<bool> helperStarted{false};
    std::atomic<bool> callerFormatted{false};
    auto format = [&](std::size_t, char* out) {
        if (std::this_thread::get_id() == caller) {
            for (int wait = 0; wait < 10000 && !helperStarted; ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            callerFormatted = true;
            return out;
        }
        helperStarted = true;
        for (int wait = 0; wait < 10000 && !callerFormatted; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        throw std::runtime_error("helper failed late");
    };
    auto run = std::async(std::launch::async, [&] {
        caller = std::this_thread::get_id();
        OrderedBlocks blocks;
        try {
            blocks.Run(2, 16, 2, format, [](const char*, std::size_t) {});
        } catch (const std::runtime_error&) {
            return true;
        }
        return false;
    });
    if (run.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
        // The caller sleeps for good; nothing can end the run but the process.
        std::fprintf(stderr, "the caller was never woken to receive the helper's exception\n");
        std::_Exit(1);
    }
    EXPECT_TRUE(run.get());
}

}  // namespace
}  // namespace torvane
