// Every input in tests/data/fuzz (seeds and whatever the fuzzer ever found)
// goes through whole conversions without a fault, the same by both routes,
// with normals generated too.

#include <gtest/gtest.h>

#include <filesystem>

#include "driver/text_conversion.h"
#include "fuzz/both_routes.h"
#include "string_sink.h"
#include "test_support.h"

namespace torvane {
namespace {

TEST(FuzzRegressions, EveryKeptInputConvertsOrFailsCleanly)
{
    std::size_t inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(TORVANE_TEST_DATA) / "fuzz")) {
        SCOPED_TRACE(entry.path().string());
        std::string text = testing::ReadFileBytes(entry.path());
        Random random;
        SeedRandom(random, 1);
        std::string error;
        testing::StringSink sink;
        if (!ConvertObjText(text, u"fuzz", HeaderForm{}, NormalGeneration::kNone, random, sink, &error)) {
            EXPECT_FALSE(error.empty());
        }
        EXPECT_EQ(testing::ConvertInHalves(text), testing::ConvertWhole(text));
        EXPECT_TRUE(testing::BothRoutesAgree(text)) << "in the non-interleaved layout";
        for (NormalGeneration normals : {NormalGeneration::kAuto, NormalGeneration::kSmooth, NormalGeneration::kFlat})
            EXPECT_TRUE(testing::BothRoutesAgree(text, normals)) << "with normals generated";
        ++inputs;
    }
    EXPECT_GT(inputs, 0u);
}

TEST(FuzzRegressions, AModelTooLargeForTheWarningIsRefused)
{
    // Finite coordinates whose extent overflows a float scale the warning
    // mesh to infinity.
    Random random;
    std::string error;
    testing::StringSink sink;
    EXPECT_FALSE(ConvertObjText("v 3e38 3e38 3e38\nv -3e38 -3e38 -3e38\nf 1 2 2\n", u"m", HeaderForm{},
                                NormalGeneration::kNone, random, sink, &error));
    EXPECT_EQ(error, "line 1: the model is too large: the warning mesh scaled to it leaves the float range");
}

TEST(FuzzRegressions, ATooLargeModelNamesTheLineOfItsFarthestCoordinate)
{
    Random random;
    std::string error;
    testing::StringSink sink;
    // -3e38 and 3e38 are equally far; the first of them set its bound.
    const char* text = "v 0 0 0\nv 2e38 0 1\nv 0 -3e38 0\nv 0 3e38 0\nf 1 2 3\n";
    EXPECT_FALSE(ConvertObjText(text, u"m", HeaderForm{}, NormalGeneration::kNone, random, sink, &error));
    EXPECT_EQ(error, "line 3: the model is too large: the warning mesh scaled to it leaves the float range");
    // Every position read sizes the warning, an infinity that no face uses
    // too.
    EXPECT_FALSE(ConvertObjText("v 0 0 0\nv -inf 0 0\nv 1 0 0\nv 0 1 0\nf 1 3 4\n", u"m", HeaderForm{},
                                NormalGeneration::kNone, random, sink, &error));
    EXPECT_EQ(error, "line 2: the model is too large: the warning mesh scaled to it leaves the float range");
}

}  // namespace
}  // namespace torvane
