// Every input in tests/data/fuzz (seeds and whatever the fuzzer ever found)
// goes through whole conversions without a fault, the same by both routes.

#include <gtest/gtest.h>

#include <filesystem>

#include "driver/conversion.h"
#include "fuzz/both_routes.h"
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
        StringSink sink;
        if (!ConvertObjText(text, u"fuzz", HeaderForm{}, random, sink, &error)) {
            EXPECT_FALSE(error.empty());
        }
        EXPECT_EQ(testing::ConvertInHalves(text), testing::ConvertWhole(text));
        EXPECT_TRUE(testing::BothRoutesAgree(text)) << "in the non-interleaved layout";
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
    StringSink sink;
    EXPECT_FALSE(ConvertObjText("v 3e38 3e38 3e38\nv -3e38 -3e38 -3e38\nf 1 2 2\n", u"m", HeaderForm{}, random, sink, &error));
    EXPECT_EQ(error, "the model is too large: the warning mesh scaled to it leaves the float range");
}

}  // namespace
}  // namespace torvane
