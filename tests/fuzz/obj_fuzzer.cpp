// libFuzzer target: whole conversions, from OBJ bytes through reading,
// merge, welding and writing, with a fixed seed, by both routes the
// converter has; a difference between them is a fault too. Each input is
// converted as read and with normals generated, in a way its size picks.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/both_routes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using torvane::NormalGeneration;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const NormalGeneration generated[] = {NormalGeneration::kAuto, NormalGeneration::kSmooth, NormalGeneration::kFlat};
    if (!torvane::testing::BothRoutesAgree(text) || !torvane::testing::BothRoutesAgree(text, generated[size % 3]))
        std::abort();
    return 0;
}
