#pragma once

#include <cstddef>
#include <vector>

#include "platform/platform.h"

namespace torvane {

// Lists that grow to millions of entries. First touching fresh memory costs
// more here than filling it, so their blocks are advised for large pages,
// and the entries of a grown list are copied only after that advice.

template <typename T>
void ReserveLarge(std::vector<T>& list, std::size_t count)
{
    if (count <= list.capacity())
        return;
    std::vector<T> larger;
    larger.reserve(count);
    AdviseLargePages(larger.data(), count * sizeof(T));
    larger.insert(larger.end(), list.begin(), list.end());
    list.swap(larger);
}

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

template <typename T>
inline void AppendLarge(std::vector<T>& list, const T& value)
{
    if (list.size() == list.capacity())
        ReserveLarge(list, GrownCapacity<T>(list.capacity()));
    list.push_back(value);
}

}  // namespace torvane
