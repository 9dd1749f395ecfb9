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

template <typename T>
inline void AppendLarge(std::vector<T>& list, const T& value)
{
    if (list.size() == list.capacity())
        ReserveLarge(list, list.capacity() < 1024 ? 1024 : list.capacity() * 2);
    list.push_back(value);
}

}  // namespace torvane
