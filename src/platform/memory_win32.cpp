#include "platform/windows_api.h"

#include <new>

#include "platform/platform.h"

namespace torvane {

// Large pages on Windows need a privilege that users rarely hold and must be
// allocated as such up front; ordinary pages are used.
void* AllocateLarge(std::size_t bytes)
{
    void* block = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void FreeLarge(void* block, std::size_t)
{
    VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace torvane
