#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "platform/platform.h"

namespace torvane {

// Lists that grow to millions of entries. First touching fresh memory costs
// more here than filling it, and far more in small pages than in large
// ones, so their blocks come from AllocateLarge once they fill half a large
// page: zeroing a whole 2 MiB page costs less than faulting in 256 small
// ones (a 100k-triangle model ran 20% faster than with whole pages only).
// Smaller ones, as for everyday models, come from the usual heap: a large
// page is zeroed whole however little of it is used, which made a model of
// a few hundred kilobytes take some 20 MB.
template <typename T>
struct LargeBlockAllocator {
    using value_type = T;
    static constexpr std::size_t kLargeBlock = std::size_t{1} << 20;

    LargeBlockAllocator() = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) noexcept
    { }

    T* allocate(std::size_t count)
    {
        if (count > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        std::size_t bytes = count * sizeof(T);
        if (bytes < kLargeBlock)
            return static_cast<T*>(::operator new(bytes));
        return static_cast<T*>(AllocateLarge(bytes));
    }

    void deallocate(T* block, std::size_t count) noexcept
    {
        std::size_t bytes = count * sizeof(T);
        if (bytes < kLargeBlock)
            ::operator delete(block);
        else
            FreeLarge(block, bytes);
    }

    friend bool operator==(const LargeBlockAllocator&, const LargeBlockAllocator&) { return true; }
};

template <typename T>
using LargeList = std::vector<T, LargeBlockAllocator<T>>;

// Capacity that is never written costs address space only, while every
// regrowth copies the list into pages touched for the first time; so once
// a list is past a megabyte it grows fourfold, which touches a third more
// than its final size in all instead of twice as much.
template <typename T>
std::size_t GrownCapacity(std::size_t capacity)
{
    constexpr std::size_t kMegabyte = std::size_t{1} << 20;
    if (capacity < 1024)
        return 1024;
    return capacity * sizeof(T) < kMegabyte ? capacity * 2 : capacity * 4;
}

// push_back with the growth above.
template <typename T>
inline void AppendEntry(LargeList<T>& list, const T& value)
{
    if (list.size() == list.capacity())
        list.reserve(GrownCapacity<T>(list.capacity()));
    list.push_back(value);
}

// Makes front the concatenation of front and back, copying the shorter of
// the two, and leaves back empty.
template <typename T>
void Concatenate(LargeList<T>& front, LargeList<T>& back)
{
    if (front.size() < back.size()) {
        back.insert(back.begin(), front.begin(), front.end());
        front.swap(back);
    } else {
        front.insert(front.end(), back.begin(), back.end());
    }
    LargeList<T>().swap(back);
}

}  // namespace torvane
