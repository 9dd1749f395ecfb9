#include "platform/temporary_files.h"

#include <atomic>
#include <cassert>

namespace torvane {
namespace {

// More than the headers a run writes at once: one per converting thread.
constexpr int kSlotCount = 256;

enum SlotState : int {
    kFree,
    kClaimed,  // its owner may write the path
    kArmed,    // the path is complete; an interruption removes its file
    kDead,     // an interruption has passed; never used again
};

static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may not wait for a lock");

struct Slot {
    std::atomic<int> state{kFree};
    NativeChar path[kTemporaryPathCapacity]{};
};

// Zero-initialised storage: only the pages of slots in use are ever touched.
// An initialiser run at start-up would touch all of the table's megabyte
// (some 250 pages); constinit makes the compiler refuse one.
constinit Slot slots[kSlotCount];

}  // namespace

bool ClaimTemporarySlot(int* slot)
{
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = kFree;
        if (slots[i].state.compare_exchange_strong(expected, kClaimed)) {
            *slot = i;
            return true;
        }
        if (expected == kDead)
            return false;
    }
    return false;
}

bool ArmTemporarySlot(int slot, const NativeString& path)
{
    // Callers refuse a longer name before they arm it; past the end of the
    // slot it would overwrite the next slot's path.
    assert(path.size() < kTemporaryPathCapacity);
    Slot& entry = slots[slot];
    int expected = kArmed;
    if (!entry.state.compare_exchange_strong(expected, kClaimed) && expected != kClaimed)
        return false;
    for (std::size_t i = 0; i < path.size(); ++i)
        entry.path[i] = path[i];
    entry.path[path.size()] = 0;
    // The release makes the path visible to a handler that sees the slot armed.
    expected = kClaimed;
    return entry.state.compare_exchange_strong(expected, kArmed, std::memory_order_release);
}

void ReleaseTemporarySlot(int* slot)
{
    if (*slot < 0)
        return;
    // A dead slot stays dead.
    std::atomic<int>& state = slots[*slot].state;
    int expected = state.load();
    while ((expected == kClaimed || expected == kArmed) && !state.compare_exchange_weak(expected, kFree)) { }
    *slot = -1;
}

void RemoveTemporaryFiles(void (*remove)(const NativeChar* path))
{
    for (Slot& slot : slots) {
        if (slot.state.exchange(kDead, std::memory_order_acquire) == kArmed)
            remove(slot.path);
    }
}

void DiscardOutput(OutputFile& file)
{
    if (file.handle != -1)
        CloseOutputHandle(file.handle);
    file.handle = -1;
    if (!file.temporaryPath.empty())
        RemoveOutputFile(file.temporaryPath);
    file.temporaryPath.clear();
    ReleaseTemporarySlot(&file.temporarySlot);
}

}  // namespace torvane
