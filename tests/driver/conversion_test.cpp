// The streaming conversion (ReadAndWeld) against the reference one
// (ParseObj, PrepareMesh, WriteHeader): same bytes, same messages, same
// random state afterwards, however the text is cut into reads.

#include "driver/conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "mesh/merge.h"
#include "output/header_writer.h"

namespace torvane {
namespace {

struct Outcome {
    bool converted = false;
    std::string bytes;  // the header, or the error message
    std::uint32_t randomState = 0;
};

Outcome ConvertByReference(const std::string& text, std::uint32_t seed)
{
    Outcome outcome;
    StringSink sink;
    sink.bytes.reserve(2 * text.size() + 100000);  // headers are about twice their model
    Random random;
    SeedRandom(random, seed);
    std::string error;
    outcome.converted = ConvertObjText(text, u"model", HeaderForm{}, random, sink, &error);
    outcome.bytes = outcome.converted ? std::move(sink.bytes) : error;
    outcome.randomState = random.state;
    return outcome;
}

// Hands out the text in reads of random lengths, a byte at times.
struct ChoppedText {
    const std::string* text;
    std::size_t offset = 0;
    std::mt19937 lengths;
};

std::int64_t ReadChopped(void* context, char* buffer, std::size_t capacity, std::string*)
{
    auto& source = *static_cast<ChoppedText*>(context);
    std::size_t longest = source.lengths() % 4 == 0 ? 1 : 1 + source.lengths() % 70000;
    std::size_t count = std::min({capacity, longest, source.text->size() - source.offset});
    std::copy_n(source.text->data() + source.offset, count, buffer);
    source.offset += count;
    return static_cast<std::int64_t>(count);
}

// The same text from any offset, for the reader of the second half.
std::int64_t ReadChoppedAt(void* context, std::uint64_t offset, char* buffer, std::size_t capacity,
                           std::string* error)
{
    auto& source = *static_cast<ChoppedText*>(context);
    source.offset = static_cast<std::size_t>(std::min<std::uint64_t>(offset, source.text->size()));
    return ReadChopped(context, buffer, capacity, error);
}

enum class Readers { kOne, kTwo };

// By default the size hint depends on the seed: see below.
constexpr std::uint64_t kHintBySeed = ~std::uint64_t{0};

Outcome ConvertStreaming(const std::string& text, std::uint32_t seed, Readers readers,
                         std::uint64_t hint = kHintBySeed)
{
    Outcome outcome;
    outcome.bytes.reserve(2 * text.size() + 100000);  // headers are about twice their model
    Random random;
    SeedRandom(random, seed);
    ChoppedText source{&text, 0, std::mt19937(seed)};
    ChoppedText second{&text, 0, std::mt19937(seed + 1)};
    // The size hint reserves room and says where the text is split for two
    // readers: none (one reader), the true size (split in the middle), and
    // one far too small (the lists grow past it; the split comes early,
    // often among the vertices) must all give the same bytes.
    const std::uint64_t hints[] = {0, text.size(), text.size() / 50};
    if (hint == kHintBySeed)
        hint = hints[seed % 3];
    OffsetSource halves{&ReadChoppedAt, &second, 0};
    StreamedModel streamed;
    std::string error;
    outcome.converted = ReadAndWeld({&ReadChopped, &source, hint}, random, &streamed, &error,
                                    readers == Readers::kTwo ? &halves : nullptr);
    if (outcome.converted) {
        StringSink sink;
        BufferedWriter writer = MakeBufferedWriter(sink);
        EXPECT_TRUE(WriteHeader(streamed.model, streamed.welded, u"model", HeaderForm{}, 2, writer));
        outcome.bytes = std::move(sink.bytes);
    } else {
        outcome.bytes = error;
    }
    outcome.randomState = random.state;
    return outcome;
}

void ExpectSameConversion(const std::string& text, std::uint32_t seed)
{
    Outcome reference = ConvertByReference(text, seed);
    for (Readers readers : {Readers::kOne, Readers::kTwo}) {
        SCOPED_TRACE(readers == Readers::kOne ? "one reader" : "two readers");
        Outcome streaming = ConvertStreaming(text, seed, readers);
        EXPECT_EQ(streaming.converted, reference.converted);
        EXPECT_EQ(streaming.randomState, reference.randomState);
        EXPECT_EQ(streaming.bytes.size(), reference.bytes.size());
        EXPECT_TRUE(streaming.bytes == reference.bytes) << "first difference at byte "
            << std::mismatch(streaming.bytes.begin(), streaming.bytes.end(), reference.bytes.begin(),
                             reference.bytes.end()).first - streaming.bytes.begin();
    }
}

enum class Corners { kP, kPT, kPTN, kPN, kMixed };

struct ModelShape {
    std::size_t triangles;
    Corners corners;
    std::size_t positions = 200;  // few, so many corners share a vertex
};

std::string Number(std::mt19937& rng)
{
    static const char* const kForms[] = {"%.6f", "%g", "%.9e", "%.3f"};
    std::uniform_real_distribution<double> value(-50.0, 50.0);
    char text[64];
    std::snprintf(text, sizeof text, kForms[rng() % 4], value(rng));
    return text;
}

std::string Corner(std::mt19937& rng, Corners corners, const ModelShape& shape)
{
    std::string p = std::to_string(1 + rng() % shape.positions);
    std::string t = std::to_string(1 + rng() % shape.positions);
    std::string n = std::to_string(1 + rng() % 7);
    Corners form = corners == Corners::kMixed ? static_cast<Corners>(rng() % 4) : corners;
    switch (form) {
    case Corners::kP: return p;
    case Corners::kPT: return p + "/" + t;
    case Corners::kPTN: return p + "/" + t + "/" + n;
    default: return p + "//" + n;
    }
}

// Faces of 3 to 5 corners, written until the fans give the wanted count.
std::string RandomModel(std::uint32_t seed, const ModelShape& shape)
{
    std::mt19937 rng(seed);
    std::string text = "# generated\r\n";
    for (std::size_t i = 0; i < shape.positions; ++i) {
        text += "v " + Number(rng) + " " + Number(rng) + " " + Number(rng) + (rng() % 2 ? "\r\n" : "\n");
        text += "vt " + Number(rng) + " " + Number(rng) + "\n";
    }
    for (int i = 0; i < 7; ++i)
        text += "vn " + Number(rng) + " " + Number(rng) + " " + Number(rng) + "\n";
    for (std::size_t made = 0; made < shape.triangles;) {
        std::size_t corners = std::min<std::size_t>(3 + rng() % 3, shape.triangles - made + 2);
        text += rng() % 50 == 0 ? "g part\nf" : "f";
        for (std::size_t c = 0; c < corners; ++c)
            text += " " + Corner(rng, shape.corners, shape);
        text += rng() % 3 == 0 ? " \r\n" : "\n";
        made += corners - 2;
    }
    return text;
}

TEST(StreamingConversion, SmallModelsOfEveryCornerFormGiveTheReferenceBytes)
{
    std::uint32_t seed = 1;
    for (Corners corners : {Corners::kP, Corners::kPT, Corners::kPTN, Corners::kPN, Corners::kMixed}) {
        for (std::size_t triangles : {1u, 2u, 7u, 100u, 3000u}) {
            SCOPED_TRACE(std::to_string(triangles) + " triangles, form " +
                         std::to_string(static_cast<int>(corners)));
            ExpectSameConversion(RandomModel(seed, {triangles, corners}), seed);
            ++seed;
        }
    }
}

// From kScatterReach triangles on, the warning is merged while reading.
TEST(StreamingConversion, ModelsAroundAndBeyondTheScatterReachGiveTheReferenceBytes)
{
    std::uint32_t seed = 100;
    for (std::size_t triangles : {kScatterReach - 1, kScatterReach, kScatterReach + 1, kScatterReach + 5000}) {
        for (Corners corners : {Corners::kPTN, Corners::kPN, Corners::kMixed}) {
            SCOPED_TRACE(std::to_string(triangles) + " triangles, form " +
                         std::to_string(static_cast<int>(corners)));
            ExpectSameConversion(RandomModel(seed, {triangles, corners, 3000}), seed);
            ++seed;
        }
    }
}

// The second reader starts at the line after half the hinted size: among
// the vertices, at the first faces, within the first half's head or far
// past it, or at the last line. Faults and non-finite values in either
// half carry their line numbers across the split.
TEST(StreamingConversion, TextsSplitAnywhereGiveTheReferenceBytes)
{
    std::string model = RandomModel(31, {3 * kScatterReach, Corners::kMixed, 3000});
    // Thousands of vertices on one position: both halves weld by hashing.
    std::string onePosition = "v 0 0 0\nv 1 0 0\n";
    for (int t = 0; t < 3000; ++t)
        onePosition += "vt " + std::to_string(t) + " 0\n";
    for (std::size_t f = 0; f < 3 * kScatterReach; ++f)
        onePosition += "f 1/" + std::to_string(1 + f % 3000) + " 1/" + std::to_string(1 + (f * 7) % 3000) + " 2/1\n";
    const std::string cases[] = {
        onePosition,
        model,
        "v nan 0 0\n" + model + "v 1 inf 0\nf 1 2 3001\n",
        model + "f 1 2\n",
        "f 1 2 3\n" + model + "f 1 2 3\nf 1/1/-2 2 3\n",
        // Bounds of a later half with no number on an axis, and zeros of
        // both signs: the earlier one stays.
        "v -0 0 -0\n" + model + "v 0 nan -0\nv -0 nan 1e30\n",
    };
    for (const std::string& text : cases) {
        Outcome reference = ConvertByReference(text, 5);
        bool many = &text == &cases[1];
        for (std::uint64_t eighths : many ? std::vector<std::uint64_t>{1, 2, 4, 7, 8, 9, 12, 15, 16}
                                          : std::vector<std::uint64_t>{2, 8, 15}) {
            SCOPED_TRACE(text.substr(0, 10) + ", hint of " + std::to_string(eighths) + " eighths");
            Outcome split = ConvertStreaming(text, 5, Readers::kTwo, text.size() * eighths / 8);
            EXPECT_EQ(split.converted, reference.converted);
            EXPECT_EQ(split.randomState, reference.randomState);
            EXPECT_TRUE(split.bytes == reference.bytes) << split.bytes.substr(0, 200);
        }
    }
}

TEST(StreamingConversion, RefusedModelsGiveTheReferenceMessageAndLeaveTheRandomState)
{
    std::string large = RandomModel(7, {kScatterReach + 10, Corners::kPTN});
    const std::string cases[] = {
        "",
        "v 1 2 3\n",
        large + "f 1/1/1 2/2/2 9999/1/1\n",
        large + "f 1/1/1 2/2/2 3/1/-4\n",
        large + "f 1/1/1 2/2/2\n",
        // A coordinate that is not finite: refused only when a face uses it.
        "v nan 0 0\n" + large,
        "vn 1 inf 0\n" + large,
        "vt 1 inf 0\n" + RandomModel(8, {kScatterReach + 10, Corners::kPN}),
        large + "v 1e39 0 0\n",
        // The warning scaled to the model overflows.
        large + "v 3e38 3e38 3e38\nv -3e38 -3e38 -3e38\n",
        "v 3e38 3e38 3e38\nv -3e38 -3e38 -3e38\nv 0 0 0\nf 1 2 3\n",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 40));
        ExpectSameConversion(text, 3);
    }
}

// Lines longer than the read buffer are held whole.
TEST(StreamingConversion, LinesLongerThanTheReadBufferGiveTheReferenceBytes)
{
    std::string spaces(3 << 20, ' ');
    std::string zeros = "# " + std::string(3 << 20, 'x') + std::string(1, '\0') + "v 9 9 9\n";
    std::string model = RandomModel(21, {kScatterReach + 100, Corners::kPN, 3000});
    const std::string cases[] = {
        "v" + spaces + "1 2 3\nv 4 5 6\nv 7 8 9\nf 1 2 3\n",
        "# " + spaces + "\n" + model,
        model + "f 1//1" + spaces + "2//2 3//3\n" + "vn 1" + spaces + "0 0\n",
        zeros + model,
        model + "vt 0.5" + spaces,  // the last line has no line end
        "v" + spaces + "1 2 3\nv 4 5 6\nf 1 2\n",
        "v 1 2 3\nf 1 1" + spaces + "1\nv nan 0 0\nf 2 2 2\n",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 3));
        ExpectSameConversion(text, 4);
    }
}

TEST(StreamingConversion, ASourceThatFailsIsReportedWithItsReason)
{
    auto failing = [](void*, char*, std::size_t, std::string* error) -> std::int64_t {
        *error = "cannot read: disk on fire";
        return -1;
    };
    Random random;
    StreamedModel streamed;
    std::string error;
    EXPECT_FALSE(ReadAndWeld({failing, nullptr}, random, &streamed, &error));
    EXPECT_EQ(error, "cannot read: disk on fire");
    EXPECT_EQ(random.state, 1u);

    // The same when only the reader of the second half fails, once it has
    // found where the half starts.
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    ChoppedText source{&text, 0, std::mt19937(1)};
    struct FailingLater {
        const std::string* text;
        int reads = 0;
    } later{&text};
    auto failingLater = [](void* context, std::uint64_t offset, char* buffer, std::size_t capacity,
                           std::string* error) -> std::int64_t {
        auto& state = *static_cast<FailingLater*>(context);
        if (state.reads++ == 0) {
            std::size_t count = std::min<std::size_t>(capacity, state.text->size() - offset);
            std::copy_n(state.text->data() + offset, count, buffer);
            return static_cast<std::int64_t>(count);
        }
        *error = "cannot read: disk on fire";
        return -1;
    };
    OffsetSource halves{failingLater, &later, 0};
    StreamedModel other;
    error.clear();
    EXPECT_FALSE(ReadAndWeld({&ReadChopped, &source, text.size()}, random, &other, &error, &halves));
    EXPECT_EQ(error, "cannot read: disk on fire");
    EXPECT_EQ(random.state, 1u);
}

}  // namespace
}  // namespace torvane
