// The non-interleaved header of a model is its interleaved header of the
// same seed de-interleaved, row for row: the same reading, merge, welding
// and vertex numbering, only laid out as one array per attribute.

#include <gtest/gtest.h>

#include <filesystem>

#include "driver/text_conversion.h"
#include "fuzz/deinterleave.h"
#include "string_sink.h"
#include "test_support.h"

namespace torvane {
namespace {

std::string Convert(const std::string& text, std::uint32_t seed, const HeaderForm& form)
{
    Random random;
    SeedRandom(random, seed);
    testing::StringSink sink;
    std::string error;
    EXPECT_TRUE(ConvertObjText(text, u"m\u00FC", form, NormalGeneration::kNone, random, sink, &error)) << error;
    return sink.bytes;
}

TEST(NonInterleavedHeader, IsTheInterleavedHeaderDeinterleaved)
{
    namespace fs = std::filesystem;
    std::size_t models = 0;
    for (const fs::path& folder : {fs::path(TORVANE_TEST_DATA) / "golden", fs::path(TORVANE_EXAMPLES)}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() != ".obj")
                continue;
            SCOPED_TRACE(entry.path().string());
            std::string text = testing::ReadFileBytes(entry.path());
            for (std::uint32_t seed : {1u, 7u}) {
                std::string interleaved = Convert(text, seed, {});
                std::string separate = Convert(text, seed, {VertexLayout::kNonInterleaved, StemSpelling::kLatin1});
                EXPECT_TRUE(separate == testing::Deinterleave(interleaved)) << "seed " << seed;
            }
            ++models;
        }
    }
    EXPECT_GE(models, 4u);
}

}  // namespace
}  // namespace torvane
