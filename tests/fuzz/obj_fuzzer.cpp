// libFuzzer target: one whole conversion in memory, from OBJ bytes through
// reading, merge, welding and writing, with a fixed seed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "driver/conversion.h"

namespace {

bool CountBytes(void* context, const char*, std::size_t size, std::string*)
{
    *static_cast<std::size_t*>(context) += size;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    torvane::Random random;
    torvane::SeedRandom(random, 1);
    std::size_t written = 0;
    std::string error;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    torvane::ConvertObjText(text, u"fuzz", random, {&CountBytes, &written}, &error);
    return 0;
}
