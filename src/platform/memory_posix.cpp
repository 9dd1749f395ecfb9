#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "platform/platform.h"
#include "platform/shared_posix.h"

namespace torvane {
namespace {

constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;

std::uintptr_t RoundUp(std::uintptr_t value)
{
    return (value + kHugePage - 1) & ~(kHugePage - 1);
}

}  // namespace

// Mapped on a huge-page boundary, a whole number of huge pages long, so that
// every page of the block can be a huge one: mapped with one huge page of
// slack, and the slack on either side given back.
void* AllocateLarge(std::size_t bytes)
{
    std::size_t size = RoundUp(bytes);
    if (size < bytes || size + kHugePage < size)
        throw std::bad_alloc();
    void* mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto begin = reinterpret_cast<std::uintptr_t>(mapped);
    std::uintptr_t aligned = RoundUp(begin);
    if (aligned != begin)
        munmap(mapped, aligned - begin);
    std::uintptr_t after = begin + size + kHugePage - (aligned + size);
    if (after != 0)
        munmap(reinterpret_cast<void*>(aligned + size), after);
#if TORVANE_LINUX_CALLS
    // Large-page advice is Linux's own; elsewhere the kernel decides alone.
    madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

void FreeLarge(void* block, std::size_t bytes)
{
    munmap(block, RoundUp(bytes));
}

}  // namespace torvane
