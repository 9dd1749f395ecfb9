#include "obj/obj_reader.h"
#include "obj/padded_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace torvane {
namespace {

using testing::Padded;

// A face that uses the first position, so that texts about vertex lines
// still form a model the reader accepts.
constexpr const char* kAnyFace = "\nf 1 1 1\n";

ObjModel Parse(const std::string& text)
{
    ObjModel model;
    std::string error;
    EXPECT_TRUE(ParseObj(text, &model, &error)) << error;
    return model;
}

std::string ParseError(const std::string& text)
{
    ObjModel model;
    std::string error;
    EXPECT_FALSE(ParseObj(text, &model, &error));
    return error;
}

ObjTriangle Triangle(std::initializer_list<std::int32_t> slots)
{
    ObjTriangle triangle;
    auto it = slots.begin();
    for (ObjCorner& corner : triangle.corners) {
        corner.position = *it++;
        corner.texcoord = *it++;
        corner.normal = *it++;
    }
    return triangle;
}

TEST(ObjReaderVertices, ReadUpToThreeNumbersAndDefaultTheRestToZero)
{
    ObjModel model = Parse("v 1 2 3 4\nv\nvt 0.25 0.75\nvn 0 0 1" + std::string(kAnyFace));
    ASSERT_EQ(model.positions.size(), 2u);
    EXPECT_EQ(model.positions[0], (Float3{1, 2, 3}));
    EXPECT_EQ(model.positions[1], (Float3{0, 0, 0}));
    EXPECT_EQ(model.texcoords, (LargeList<Float3>{{0.25f, 0.75f, 0}}));
    EXPECT_EQ(model.normals, (LargeList<Float3>{{0, 0, 1}}));
}

TEST(ObjReaderVertices, OnlySpacesSeparateTokens)
{
    // A tab after the keyword glues it to the number; tabs between numbers
    // make one token, of which only the first number counts.
    ObjModel model = Parse("v\t5 6 7\nv 1\t2\t3\nv  -1   -2  -3 " + std::string(kAnyFace));
    EXPECT_EQ(model.positions, (LargeList<Float3>{{1, 0, 0}, {-1, -2, -3}}));
}

TEST(ObjReaderVertices, NumbersReadAsAtofDoesRoundedToFloat)
{
    ObjModel model = Parse("v 1e2 -.5 0x10\nv abc 1.5xyz +2\nv 0.1 1e-50 3.4028236e38" + std::string(kAnyFace));
    EXPECT_EQ(model.positions[0], (Float3{100, -0.5f, 16}));
    EXPECT_EQ(model.positions[1], (Float3{0, 1.5f, 2}));
    EXPECT_EQ(model.positions[2].x, static_cast<float>(0.1));
    EXPECT_EQ(model.positions[2].y, 0.0f);
    EXPECT_TRUE(std::isinf(model.positions[2].z));  // rounds past the largest float
}

TEST(ObjReaderVertices, OtherKeywordsAreIgnored)
{
    ObjModel model = Parse("# v 9 9 9\nV 1 2 3\nvp 1 2\nv\r\nvn\r\no v\ng v\nusemtl v\n"
                           "v 1 2 3\r\nvt 0.5 0.5\r\nf 1 1 1");
    EXPECT_EQ(model.positions, (LargeList<Float3>{{1, 2, 3}}));
    EXPECT_EQ(model.texcoords, (LargeList<Float3>{{0.5f, 0.5f, 0}}));
    EXPECT_TRUE(model.normals.empty());
}

TEST(ObjReaderVertices, BoundsTrackPositionsOnly)
{
    ObjModel model = Parse("v 1 -1 0\nv 3 -5 2\nv nan 0x 0\nvt 100 100 100\nvn -9 -9 -9" + std::string(kAnyFace));
    EXPECT_EQ(model.bounds.min, (Float3{1, -5, 0}));
    EXPECT_EQ(model.bounds.max, (Float3{3, 0, 2}));
    // Where each bound was first reached; the 0 on line 3 equals the
    // lowest z so far and leaves its line.
    const AxisLines minLine = model.bounds.minLine;
    const AxisLines maxLine = model.bounds.maxLine;
    EXPECT_EQ((std::vector<std::uint64_t>{minLine.x, minLine.y, minLine.z}), (std::vector<std::uint64_t>{1, 2, 1}));
    EXPECT_EQ((std::vector<std::uint64_t>{maxLine.x, maxLine.y, maxLine.z}), (std::vector<std::uint64_t>{2, 3, 2}));
}

TEST(ObjReaderVertices, ALaterPartsBoundsKeepTheirLinesInTheWhole)
{
    ObjModel model;
    ObjParser earlier;
    earlier.model = &model;
    std::string first = "v 0 0 0\nv 1 1 1\n";
    ParseObjText(earlier, Padded(first).data(), first.size(), false);
    ObjModel part;
    ObjParser later;
    later.model = &part;
    later.midText = true;
    std::string second = "v -1 2 0\nv 0 -2 5\nv -3 0 -1\n";
    ParseObjText(later, Padded(second).data(), second.size(), true);
    AppendLaterPart(earlier, later);
    // Lines 3 to 5 in the whole; the highest x stays the earlier part's.
    const ModelBounds& bounds = model.bounds;
    EXPECT_EQ(bounds.min, (Float3{-3, -2, -1}));
    EXPECT_EQ(bounds.max, (Float3{1, 2, 5}));
    EXPECT_EQ((std::vector<std::uint64_t>{bounds.minLine.x, bounds.minLine.y, bounds.minLine.z}),
              (std::vector<std::uint64_t>{5, 4, 5}));
    EXPECT_EQ((std::vector<std::uint64_t>{bounds.maxLine.x, bounds.maxLine.y, bounds.maxLine.z}),
              (std::vector<std::uint64_t>{2, 3, 4}));
}

TEST(ObjReaderLines, ZeroBytesEndLinesAndTheLastLineNeedsNoFeed)
{
    std::string text("v 1 2 3\0v 4 5 6\nf 1 2 2", 23);
    ObjModel model = Parse(text);
    EXPECT_EQ(model.positions, (LargeList<Float3>{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(model.triangles.size(), 1u);
}

TEST(ObjReaderLines, LongLinesAreReadInFull)
{
    std::string padding(100000, ' ');
    ObjModel model = Parse("v" + padding + "7 8" + padding + "9\nf 1 1 1");
    EXPECT_EQ(model.positions, (LargeList<Float3>{{7, 8, 9}}));
}

TEST(ObjReaderLines, TextInPiecesReadsLikeTheWhole)
{
    std::string text = "v 1 2 3\nv 4 5 6\r\nvt 0.5 0.25\nf 1/1 2/1 1/1\n";
    ObjModel whole = Parse(text);
    for (std::size_t split = 0; split <= text.size(); ++split) {
        ObjModel model;
        ObjParser parser;
        parser.model = &model;
        std::size_t used = ParseObjText(parser, Padded(text.substr(0, split)).data(), split, false);
        std::string rest = text.substr(used);
        ParseObjText(parser, Padded(rest).data(), rest.size(), true);
        std::string error;
        ASSERT_TRUE(FinishObjParse(parser, &error)) << error;
        EXPECT_EQ(model.positions, whole.positions) << "split at " << split;
        EXPECT_EQ(model.texcoords, whole.texcoords);
        EXPECT_EQ(model.triangles, whole.triangles);
    }
}

class ObjReaderFaces : public ::testing::Test {
protected:
    // Enough vertices of each kind for the faces below.
    LargeList<ObjTriangle> Faces(const std::string& faceLines)
    {
        std::string text;
        for (int i = 0; i < 9; ++i)
            text += "v 0 0 0\nvt 0 0\nvn 0 0 1\n";
        return Parse(text + faceLines).triangles;
    }
};

TEST_F(ObjReaderFaces, CornerForms)
{
    EXPECT_EQ(Faces("f 1/2/3 4/5/6 7/8/9"), (LargeList<ObjTriangle>{Triangle({0, 1, 2, 3, 4, 5, 6, 7, 8})}));
    EXPECT_EQ(Faces("f 1//2 3//4 5//6"), (LargeList<ObjTriangle>{Triangle({0, -1, 1, 2, -1, 3, 4, -1, 5})}));
    EXPECT_EQ(Faces("f 1 2/3 4//"), (LargeList<ObjTriangle>{Triangle({0, -1, -1, 1, 2, -1, 3, -1, -1})}));
    // Fields after the third are ignored; an index 0 reads as absent.
    EXPECT_EQ(Faces("f 1/2/3/9 1/0/3 1/2/0"), (LargeList<ObjTriangle>{Triangle({0, 1, 2, 0, -1, 2, 0, 1, -1})}));
}

TEST_F(ObjReaderFaces, QuadsSplitAlongTheFirstDiagonalAndLargerFacesFan)
{
    EXPECT_EQ(Faces("f 1 2 3 4"),
              (LargeList<ObjTriangle>{Triangle({0, -1, -1, 1, -1, -1, 2, -1, -1}),
                                      Triangle({0, -1, -1, 2, -1, -1, 3, -1, -1})}));
    LargeList<ObjTriangle> fan = Faces("f 1 2 3 4 5 6");
    ASSERT_EQ(fan.size(), 4u);
    for (std::int32_t t = 0; t < 4; ++t) {
        EXPECT_EQ(fan[t].corners[0].position, 0);
        EXPECT_EQ(fan[t].corners[1].position, t + 1);
        EXPECT_EQ(fan[t].corners[2].position, t + 2);
    }
}

TEST_F(ObjReaderFaces, CarriageReturnsAtTheLineEndDoNoHarm)
{
    LargeList<ObjTriangle> expected = Faces("f 1/2/3 4/5/6 7/8/9");
    EXPECT_EQ(Faces("f 1/2/3 4/5/6 7/8/9\r\n"), expected);
    EXPECT_EQ(Faces("f 1/2/3 4/5/6 7/8/9 \r\n"), expected);
    EXPECT_EQ(Faces("f  1/2/3  4/5/6  7/8/9  "), expected);
    // Past four corners the face is read by the general loop.
    EXPECT_EQ(Faces("f 1 2 3 4 5 \r\n"), Faces("f 1 2 3 4 5"));
}

TEST(ObjReaderErrors, FaultyFacesNameTheirLine)
{
    EXPECT_EQ(ParseError("v 0 0 0\nf 1 1"), "line 2: face has 2 corners, but a face needs at least 3");
    EXPECT_EQ(ParseError("v 0 0 0\n\nf"), "line 3: face has 0 corners, but a face needs at least 3");
    EXPECT_EQ(ParseError("v 0 0 0\nf 1 0 1"), "line 2: face corner 2 has no position index");
    EXPECT_EQ(ParseError("v 0 0 0\nf 1 0 1\n"), "line 2: face corner 2 has no position index");
    EXPECT_EQ(ParseError("v 0 0 0\nf 1 // 1"), "line 2: face corner 2 has no position index");
    // A relative index counts back from the entries before its line.
    EXPECT_EQ(ParseError("v 0 0 0\nf 1 -2 1"), "line 2: face refers to position -2, but only 1 position precedes it");
    EXPECT_EQ(ParseError("v 0 0 0\nf 1/-1 1 1\nvt 0 0"),
              "line 2: face refers to texture coordinate -1, but no texture coordinates precede it");
}

TEST(ObjReaderErrors, IndicesBeyondTheirListsAreRefused)
{
    std::string cube;
    for (int i = 0; i < 8; ++i)
        cube += "v 0 0 0\n";
    EXPECT_EQ(ParseError(cube + "f 1 2 3\nf 1 40 2\nf 1 40 3"),
              "line 10: face refers to position 40, but the file defines 8 positions");
    EXPECT_EQ(ParseError("v 0 0 0\nvt 0 0\nf 1/2 1/1 1/1"),
              "line 3: face refers to texture coordinate 2, but the file defines 1 texture coordinate");
    EXPECT_EQ(ParseError("v 0 0 0\nf 1//1 1//1 1//1"),
              "line 2: face refers to normal 1, but the file defines 0 normals");
    // atoi's overflow saturates instead of wrapping round to a valid index.
    EXPECT_EQ(ParseError("v 0 0 0\nf 1 1 4294967297"),
              "line 2: face refers to position 2147483647, but the file defines 1 position");
}

TEST(ObjReaderErrors, Utf16TextIsNamedAsSuch)
{
    EXPECT_EQ(ParseError(std::string("\xFE\xFF\0v\0 \0001", 8)), "the file is UTF-16 text; save it as ASCII or UTF-8");
    EXPECT_EQ(ParseError(std::string("\xFF\xFEv\0 \0", 6)), "the file is UTF-16 text; save it as ASCII or UTF-8");
}

TEST(ObjReaderErrors, FacesMayNameVerticesDefinedLater)
{
    ObjModel model = Parse("f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n");
    EXPECT_EQ(model.triangles.size(), 1u);
}

TEST(ObjReaderErrors, ModelsWithoutFacesAreRefused)
{
    EXPECT_EQ(ParseError(""), "no faces");
    EXPECT_EQ(ParseError("v 1 2 3\nvt 0 0\n# f 1 1 1\n"), "no faces");
}

TEST(ObjReaderErrors, OnlyNonFiniteValuesThatFacesUseAreRefused)
{
    EXPECT_EQ(ParseError("v 0 0 0\nv inf 0 0\nf 1 2 1"), "line 2: position is not a finite number");
    EXPECT_EQ(ParseError("v 0 0 0\nvn 0 nan 0\nf 1//1 1//1 1//1"), "line 2: normal is not a finite number");
    ObjModel model = Parse("v 0 0 0\nv 1e39 0 0\nvt -inf 0\nf 1 1 1");
    EXPECT_TRUE(std::isinf(model.positions[1].x));
}

// Vertex lines as the C library reads them: the line cut at spaces, the
// first three tokens after the keyword each read by strtod (0 where it
// converts nothing) and rounded to float. The reader reads plainly written
// lines in a quicker way; this holds every line to the plain reading.
Float3 VertexByStrtod(const std::string& line)
{
    float values[3] = {0, 0, 0};
    std::size_t at = line.find(' ');
    for (float& value : values) {
        at = line.find_first_not_of(' ', at);
        if (at == std::string::npos)
            break;
        std::size_t end = std::min(line.find(' ', at), line.size());
        std::string token = line.substr(at, end - at);
        // mingw-w64's strtod gives -0 for a "-" without a number; C says 0.
        char* converted = nullptr;
        double number = std::strtod(token.c_str(), &converted);
        value = converted == token.c_str() ? 0.0f : static_cast<float>(number);
        at = end;
    }
    return {values[0], values[1], values[2]};
}

TEST(ObjReaderVertices, LinesOfEveryShapeReadAsStrtodReadsTheirTokens)
{
    const char* const pieces[] = {"1",   "25", "0.5", "-3.141593", "123.456789", "7.",  ".25",
                                  "-",   ".",  " ",   "  ",        "\t",         "\r",  "e3",
                                  "E-2", "x",  "+",   "0x1p",      "/",          "inf", "123456789012"};
    const char* const keywords[] = {"v", "vt", "vn"};
    const char* const endings[] = {"\n", "\r\n", " \n", "\r \n", "\r\r\n"};
    std::mt19937 random(5);
    for (int round = 0; round < 20000; ++round) {
        std::string line = keywords[random() % 3];
        // At least one token, so that the keyword is never glued to a "\r".
        for (std::size_t count = 1 + random() % 4; count > 0; --count) {
            line += " ";
            for (std::size_t n = 1 + random() % 3; n > 0; --n)
                line += pieces[random() % (sizeof pieces / sizeof *pieces)];
        }
        std::string ending = endings[random() % 5];
        // The reference reads the line without its line feed.
        Float3 expected = VertexByStrtod(line + ending.substr(0, ending.size() - 1));
        // The face uses a position defined after the line, which may not be finite.
        ObjModel model = Parse(line + ending + "v 9 9 9\nv 9 9 9\nf 2 2 2\n");
        LargeList<Float3>& list = line[1] == 't' ? model.texcoords : line[1] == 'n' ? model.normals : model.positions;
        SCOPED_TRACE(line + ending);
        ASSERT_FALSE(list.empty());
        Float3 actual = list[0];
        // Compared bit for bit, so that NaN and the sign of zero count too.
        EXPECT_EQ(std::memcmp(&actual, &expected, sizeof actual), 0)
            << actual.x << " " << actual.y << " " << actual.z << " instead of " << expected.x << " " << expected.y
            << " " << expected.z;
    }
}

// Corners as the C library splits and converts them: fields cut at
// slashes (a run of slashes is one cut; a second slash right after a field
// passes over the texture slot), each field read by atoi. The reader takes
// a quicker road for the usual forms; this holds it to the plain one.
ObjCorner CornerByAtoi(const std::string& token)
{
    std::int32_t values[3] = {kAbsent, kAbsent, kAbsent};
    std::size_t at = 0;
    int slot = 0;
    while (slot < 3) {
        while (at < token.size() && token[at] == '/')
            ++at;
        if (at == token.size())
            break;
        std::size_t end = token.find('/', at);
        end = end == std::string::npos ? token.size() : end;
        // atoi, saturated where int32 overflows, as ParseIntPrefix does.
        long long value = std::strtoll(token.substr(at, end - at).c_str(), nullptr, 10);
        value = std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                                      std::numeric_limits<std::int32_t>::max());
        values[slot++] = static_cast<std::int32_t>(value - 1);
        at = end;
        if (at < token.size() && ++at < token.size() && token[at] == '/')
            ++slot;
    }
    return {values[0], values[1], values[2]};
}

TEST(ObjReader, CornersOfEveryShapeReadAsAtoiReadsTheirFields)
{
    const char* const pieces[] = {"1", "7",  "12",  "0",  "007", "123456789", "1234567890", "1999999999", "/",
                                  "/", "//", "///", "\r", "\t",  "+",         "x",          "3.5",        " "};
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        std::string tokens[3];
        for (std::string& token : tokens) {
            token = std::to_string(1 + random() % 9);
            for (std::size_t n = random() % 6; n > 0; --n)
                token += pieces[random() % (sizeof pieces / sizeof *pieces - 1)];
        }
        std::string line = "f " + tokens[0] + " " + tokens[1] + " " + tokens[2] + (random() % 2 ? "\r" : "");
        // The face as the plain reading sees it: corners up to a token
        // that starts with a carriage return.
        std::vector<ObjCorner> corners;
        std::string rest = line.substr(2);
        for (std::size_t at = 0; at < rest.size();) {
            at = rest.find_first_not_of(' ', at);
            if (at == std::string::npos || rest[at] == '\r')
                break;
            std::size_t end = std::min(rest.find(' ', at), rest.size());
            corners.push_back(CornerByAtoi(rest.substr(at, end - at)));
            at = end;
        }
        ObjModel model;
        std::string error;
        ParseObj(line + "\n", &model, &error);
        SCOPED_TRACE(line);
        if (corners.size() != 3 || corners[0].position == kAbsent || corners[1].position == kAbsent ||
            corners[2].position == kAbsent) {
            EXPECT_TRUE(model.triangles.empty());
            continue;
        }
        ASSERT_EQ(model.triangles.size(), 1u);
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(model.triangles[0].corners[c], corners[c]) << "corner " << c;
    }
}

}  // namespace
}  // namespace torvane
