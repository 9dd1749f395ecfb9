// libFuzzer target: whole conversions, from OBJ bytes through reading,
// merge, welding and writing, with a fixed seed, by both routes the
// converter has; a difference between them is a fault too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/both_routes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!torvane::testing::BothRoutesAgree(text))
        std::abort();
    return 0;
}
