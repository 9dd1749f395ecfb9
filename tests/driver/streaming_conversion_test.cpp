// The streaming conversion (ReadAndWeld) against the reference one
// (ParseObj, PrepareMesh, WriteHeader): same bytes, same messages, same
// random state afterwards, however the text is cut into reads.

#include "driver/streaming_conversion.h"
#include "driver/text_conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "mesh/merge.h"
#include "output/header_writer.h"
#include "string_sink.h"

namespace torvane {
namespace {

struct Outcome {
    bool converted = false;
    std::string bytes;  // the header, or the error message
    std::uint32_t randomState = 0;
};

Outcome ConvertByReference(const std::string& text, std::uint32_t seed,
                           NormalGeneration normals = NormalGeneration::kNone)
{
    Outcome outcome;
    testing::StringSink sink;
    sink.bytes.reserve(2 * text.size() + 100000);  // headers are about twice their model
    Random random;
    SeedRandom(random, seed);
    std::string error;
    outcome.converted = ConvertObjText(text, u"model", HeaderForm{}, normals, random, sink, &error);
    outcome.bytes = outcome.converted ? std::move(sink.bytes) : error;
    outcome.randomState = random.state;
    return outcome;
}

// Hands out the text in reads of random lengths, a byte at times; as an
// offset source, the same text from any offset, for the reader of the
// second half.
struct ChoppedText final : ByteSource, OffsetSource {
    ChoppedText(const std::string* text, std::uint32_t seed) : text(text), lengths(seed) { }

    std::int64_t Read(char* buffer, std::size_t capacity, std::string*) override
    {
        std::size_t longest = lengths() % 4 == 0 ? 1 : 1 + lengths() % 70000;
        std::size_t count = std::min({capacity, longest, text->size() - offset});
        std::copy_n(text->data() + offset, count, buffer);
        offset += count;
        return static_cast<std::int64_t>(count);
    }

    std::int64_t ReadAt(std::uint64_t from, char* buffer, std::size_t capacity, std::string* error) override
    {
        offset = static_cast<std::size_t>(std::min<std::uint64_t>(from, text->size()));
        return Read(buffer, capacity, error);
    }

    const std::string* text;
    std::size_t offset = 0;
    std::mt19937 lengths;
};

// Two readers of the text, splitting it whatever its size.
TextReading Reading(OffsetSource* second, std::uint64_t hint)
{
    TextReading reading;
    reading.expectedSize = hint;
    reading.threads = ReadingThreads::kTwo;
    reading.halves = second;
    return reading;
}

enum class Readers { kOne, kTwo };

// By default the size hint depends on the seed: see below.
constexpr std::uint64_t kHintBySeed = ~std::uint64_t{0};

Outcome ConvertStreaming(const std::string& text, std::uint32_t seed, Readers readers, std::uint64_t hint = kHintBySeed,
                         NormalGeneration normals = NormalGeneration::kNone)
{
    Outcome outcome;
    outcome.bytes.reserve(2 * text.size() + 100000);  // headers are about twice their model
    Random random;
    SeedRandom(random, seed);
    ChoppedText source(&text, seed);
    ChoppedText second(&text, seed + 1);
    // The size hint reserves room and says where the text is split for two
    // readers: none (one reader), the true size (split in the middle), and
    // one far too small (the lists grow past it; the split comes early,
    // often among the vertices) must all give the same bytes.
    const std::uint64_t hints[] = {0, text.size(), text.size() / 50};
    if (hint == kHintBySeed)
        hint = hints[seed % 3];
    TextReading reading = Reading(&second, hint);
    if (readers == Readers::kOne)
        reading.threads = ReadingThreads::kOne;
    StreamedModel streamed;
    std::string error;
    outcome.converted = ReadAndWeld(source, reading, normals, random, streamed, &error);
    if (outcome.converted) {
        testing::StringSink sink;
        BufferedWriter writer = MakeBufferedWriter(sink);
        EXPECT_TRUE(WriteHeader(streamed.model, streamed.merging.welder, u"model", HeaderForm{}, 2, writer));
        outcome.bytes = std::move(sink.bytes);
    } else {
        outcome.bytes = error;
    }
    outcome.randomState = random.state;
    return outcome;
}

void ExpectSameConversion(const std::string& text, std::uint32_t seed,
                          NormalGeneration normals = NormalGeneration::kNone)
{
    Outcome reference = ConvertByReference(text, seed, normals);
    for (Readers readers : {Readers::kOne, Readers::kTwo}) {
        SCOPED_TRACE(readers == Readers::kOne ? "one reader" : "two readers");
        Outcome streaming = ConvertStreaming(text, seed, readers, kHintBySeed, normals);
        EXPECT_EQ(streaming.converted, reference.converted);
        EXPECT_EQ(streaming.randomState, reference.randomState);
        EXPECT_EQ(streaming.bytes.size(), reference.bytes.size());
        EXPECT_TRUE(streaming.bytes == reference.bytes) << "first difference at byte "
                                                        << std::mismatch(streaming.bytes.begin(), streaming.bytes.end(),
                                                                         reference.bytes.begin(), reference.bytes.end())
                                                               .first -
                streaming.bytes.begin();
    }
}

enum class Corners { kP, kPT, kPTN, kPN, kMixed };

struct ModelShape {
    std::size_t triangles;
    Corners corners;
    std::size_t positions = 200;   // few, so many corners share a vertex
    bool smoothingGroups = false;  // s lines among the faces
};

// One of a few groups, or flat.
std::string SmoothingLine(std::mt19937& rng)
{
    static const char* const kLines[] = {"s 1\n", "s 2\n", "s off\n", "s 0\n", "s 17\r\n", "s 2\n"};
    return kLines[rng() % 6];
}

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
        if (shape.smoothingGroups && rng() % 40 == 0)
            text += SmoothingLine(rng);
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
            SCOPED_TRACE(std::to_string(triangles) + " triangles, form " + std::to_string(static_cast<int>(corners)));
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
            SCOPED_TRACE(std::to_string(triangles) + " triangles, form " + std::to_string(static_cast<int>(corners)));
            ExpectSameConversion(RandomModel(seed, {triangles, corners, 3000}), seed);
            ++seed;
        }
    }
}

// The reader codes the corners without a normal as the s lines before them
// say, whatever pieces the text comes in; with two readers, the second
// stops at its first face and the first reads its half again.
TEST(StreamingConversion, GeneratedNormalsGiveTheReferenceBytes)
{
    std::uint32_t seed = 200;
    for (NormalGeneration normals : {NormalGeneration::kAuto, NormalGeneration::kSmooth, NormalGeneration::kFlat}) {
        for (std::size_t triangles : {std::size_t{7}, std::size_t{3000}, kScatterReach + 3000}) {
            for (Corners corners : {Corners::kP, Corners::kMixed}) {
                SCOPED_TRACE(std::to_string(triangles) + " triangles, form " +
                             std::to_string(static_cast<int>(corners)) + ", normals " +
                             std::to_string(static_cast<int>(normals)));
                ExpectSameConversion(RandomModel(seed, {triangles, corners, 3000, true}), seed, normals);
                ++seed;
            }
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
        // Too large for the warning, by a coordinate in the later half.
        model + "v 1 inf 0\nv 0 3e38 0\nv 0 -3e38 0\n",
        model + "f 1 2\n",
        "f 1 2 3\n" + model + "f 1 2 3\nf 1/1/-2 2 3\n",
        // Bounds of a later half with no number on an axis, and zeros of
        // both signs: the earlier one stays.
        "v -0 0 -0\n" + model + "v 0 nan -0\nv -0 nan 1e30\n",
        // Split in the middle, the second half starts with bytes that begin
        // a UTF-16 text, but not this one.
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n# " + std::string(1000, '-') + "\n\xFF\xFE\nf 1 2 3\n",
        // A relative face right after the split counts back across it.
        "v 0 0 0\nv 1 0 0\nv 0 1 0\n# " + std::string(1000, '-') + "\nf -3 -2 -1\nv 0 0 1\nf 1 -1 2\n",
    };
    for (const std::string& text : cases) {
        Outcome reference = ConvertByReference(text, 5);
        bool many = &text == &cases[1];
        for (std::uint64_t eighths :
             many ? std::vector<std::uint64_t>{1, 2, 4, 7, 8, 9, 12, 15, 16} : std::vector<std::uint64_t>{2, 8, 15}) {
            SCOPED_TRACE(text.substr(0, 10) + ", hint of " + std::to_string(eighths) + " eighths");
            Outcome split = ConvertStreaming(text, 5, Readers::kTwo, text.size() * eighths / 8);
            EXPECT_EQ(split.converted, reference.converted);
            EXPECT_EQ(split.randomState, reference.randomState);
            EXPECT_TRUE(split.bytes == reference.bytes) << split.bytes.substr(0, 200);
        }
    }
}

// A model whose faces follow the vertices they use, written with absolute
// indices and again with relative ones in some fields, the two mixed in
// one face.
struct TwoWrittenModels {
    std::string absolute;
    std::string relative;
};

// OBJ index n of count entries so far, or the same as the relative -k.
std::string IndexField(std::size_t n, std::size_t count, bool relative)
{
    return relative ? std::to_string(static_cast<std::int64_t>(n) - static_cast<std::int64_t>(count) - 1)
                    : std::to_string(n);
}

TwoWrittenModels ModelWrittenTwoWays(std::uint32_t seed, std::size_t faces)
{
    std::mt19937 rng(seed);
    TwoWrittenModels written;
    std::size_t counts[3] = {0, 0, 0};
    const char* const keywords[3] = {"v ", "vt ", "vn "};
    for (std::size_t face = 0; face < faces; ++face) {
        for (int kind = 0; kind < 3; ++kind) {
            for (; counts[kind] == 0 || rng() % 4 == 0; ++counts[kind]) {
                std::string line = keywords[kind] + Number(rng) + " " + Number(rng) + " " + Number(rng) + "\n";
                written.absolute += line;
                written.relative += line;
            }
        }
        written.absolute += "f";
        written.relative += "f";
        for (std::size_t corner = 3 + rng() % 2; corner > 0; --corner) {
            std::uint32_t form = rng() % 3;  // p, p/t/n, p//n
            for (int kind = 0; kind < 3; ++kind) {
                if ((kind == 1 && form != 1) || (kind == 2 && form == 0))
                    continue;
                std::string separator = kind == 0 ? " " : kind == 2 && form == 2 ? "//" : "/";
                std::size_t n = 1 + rng() % counts[kind];
                written.absolute += separator + IndexField(n, counts[kind], false);
                written.relative += separator + IndexField(n, counts[kind], rng() % 2 == 0);
            }
        }
        written.absolute += "\n";
        written.relative += "\n";
    }
    return written;
}

TEST(StreamingConversion, RelativeIndicesConvertLikeTheirAbsoluteEquivalents)
{
    TwoWrittenModels model = ModelWrittenTwoWays(17, 2 * kScatterReach);
    Outcome absolute = ConvertByReference(model.absolute, 6);
    ASSERT_TRUE(absolute.converted) << absolute.bytes;
    EXPECT_TRUE(ConvertByReference(model.relative, 6).bytes == absolute.bytes);
    for (std::uint64_t hint :
         {std::uint64_t{0}, std::uint64_t{model.relative.size()}, std::uint64_t{model.relative.size() / 5}}) {
        SCOPED_TRACE("hint " + std::to_string(hint));
        EXPECT_TRUE(ConvertStreaming(model.relative, 6, Readers::kTwo, hint).bytes == absolute.bytes);
    }
}

TEST(StreamingConversion, AnIndexBeyondItsListOnlyInTheSecondHalfNamesItsLineInTheWhole)
{
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 3\nf 1 2 3\nf 1 2 9\n";
    Outcome split = ConvertStreaming(text, 5, Readers::kTwo, text.size());
    EXPECT_EQ(split.bytes, "line 7: face refers to position 9, but the file defines 3 positions");
}

TEST(StreamingConversion, RefusedModelsGiveTheReferenceMessageAndLeaveTheRandomState)
{
    std::string large = RandomModel(7, {kScatterReach + 10, Corners::kPTN});
    const std::string cases[] = {
        "",
        "v 1 2 3\n",
        large + "f 1/1/1 2/2/2 9999/1/1\n",
        large + "f 1/1/1 2/2/2 3/1/-8\n",
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
    struct Failing final : ByteSource {
        std::int64_t Read(char*, std::size_t, std::string* error) override
        {
            *error = "cannot read: disk on fire";
            return -1;
        }
    } failing;
    Random random;
    StreamedModel streamed;
    std::string error;
    EXPECT_FALSE(ReadAndWeld(failing, {}, NormalGeneration::kNone, random, streamed, &error));
    EXPECT_EQ(error, "cannot read: disk on fire");
    EXPECT_EQ(random.state, 1u);

    // The same when only the reader of the second half fails, once it has
    // found where the half starts.
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    ChoppedText source(&text, 1);
    struct FailingLater final : OffsetSource {
        std::int64_t ReadAt(std::uint64_t offset, char* buffer, std::size_t capacity, std::string* error) override
        {
            if (reads++ == 0) {
                std::size_t count = std::min<std::size_t>(capacity, text->size() - offset);
                std::copy_n(text->data() + offset, count, buffer);
                return static_cast<std::int64_t>(count);
            }
            *error = "cannot read: disk on fire";
            return -1;
        }
        const std::string* text = nullptr;
        int reads = 0;
    } later;
    later.text = &text;
    StreamedModel other;
    error.clear();
    EXPECT_FALSE(ReadAndWeld(source, Reading(&later, text.size()), NormalGeneration::kNone, random, other, &error));
    EXPECT_EQ(error, "cannot read: disk on fire");
    EXPECT_EQ(random.state, 1u);
}

}  // namespace
}  // namespace torvane
