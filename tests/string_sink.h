#pragma once

#include <cstddef>
#include <string>

#include "output/buffered_writer.h"

namespace torvane::testing {

// Keeps every byte written in memory.
class StringSink final : public ByteSink {
public:
    bool Write(const char* data, std::size_t size, std::string*) override
    {
        bytes.append(data, size);
        return true;
    }

    std::string bytes;
};

}  // namespace torvane::testing
