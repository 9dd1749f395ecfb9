#include <sys/mman.h>

#include <cstdint>

#include "platform/platform.h"

namespace torvane {

void AdviseLargePages(void* data, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    // Only whole huge pages inside the block may change; the rest of each
    // partly covered one belongs to other allocations.
    constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
    auto begin = reinterpret_cast<std::uintptr_t>(data);
    std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    std::uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

}  // namespace torvane
