// The codes the reader puts into corners without a normal when normals are
// to be generated: by smoothing group, over the whole model, or per flat
// triangle, as the `s` lines say.

#include "obj/smoothing.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "obj/obj_reader.h"
#include "obj/padded_text.h"

namespace torvane {
namespace {

using testing::Padded;

constexpr const char* kFourPositions = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nvn 0 0 1\n";

// The normal slot of every corner, triangle after triangle.
std::vector<std::int32_t> NormalSlots(const std::string& faces, NormalGeneration normals)
{
    ObjModel model;
    std::string error;
    EXPECT_TRUE(ParseObj(kFourPositions + faces, &model, &error, normals)) << error;
    std::vector<std::int32_t> slots;
    for (const ObjTriangle& triangle : model.triangles) {
        for (const ObjCorner& corner : triangle.corners)
            slots.push_back(corner.normal);
    }
    return slots;
}

std::vector<std::int32_t> Thrice(std::initializer_list<std::int32_t> codes)
{
    std::vector<std::int32_t> slots;
    for (std::int32_t code : codes)
        slots.insert(slots.end(), 3, code);
    return slots;
}

const std::int32_t kDefaultGroup = SmoothGroupCode(0);

TEST(Smoothing, GroupsAreNumberedInOrderOfFirstUseAndOffOrZeroIsFlat)
{
    // Faces before the first s line form the default group; a group met
    // again keeps its number; a quad gives two flat triangles; "s 7\r" of a
    // CR LF file and "s  5" read as atoi reads them.
    std::string faces = "f 1 2 3\n"
                        "s 4\nf 1 2 3\n"
                        "s 2\nf 1 2 3\n"
                        "s off\nf 1 2 3 4\n"
                        "s 4\nf 1 2 3\n"
                        "s 0\nf 1 2 3\n"
                        "s 7\r\nf 1 2 3\n"
                        "s  5\nf 1 2 3\n"
                        "s 2\nf 1 2 3\n";
    EXPECT_EQ(
        NormalSlots(faces, NormalGeneration::kAuto),
        Thrice({kDefaultGroup, SmoothGroupCode(1), SmoothGroupCode(2), FlatTriangleCode(0), FlatTriangleCode(1),
                SmoothGroupCode(1), FlatTriangleCode(2), SmoothGroupCode(3), SmoothGroupCode(4), SmoothGroupCode(2)}));
    // Smoothing everything ignores the groups, flat shading too.
    EXPECT_EQ(NormalSlots(faces, NormalGeneration::kSmooth), std::vector<std::int32_t>(30, kDefaultGroup));
    std::vector<std::int32_t> flat;
    for (std::uint32_t t = 0; t < 10; ++t)
        flat.insert(flat.end(), 3, FlatTriangleCode(t));
    EXPECT_EQ(NormalSlots(faces, NormalGeneration::kFlat), flat);
    // Without generation the s lines are ignored and the corners keep no
    // normal.
    EXPECT_EQ(NormalSlots(faces, NormalGeneration::kNone), std::vector<std::int32_t>(30, kAbsent));
}

TEST(Smoothing, CornersWithANormalIndexKeepIt)
{
    for (NormalGeneration normals : {NormalGeneration::kAuto, NormalGeneration::kSmooth, NormalGeneration::kFlat}) {
        std::int32_t code = normals == NormalGeneration::kFlat ? FlatTriangleCode(0) : kDefaultGroup;
        EXPECT_EQ(NormalSlots("f 1//1 2 3/0/1\n", normals), (std::vector<std::int32_t>{0, code, 0}));
    }
}

TEST(Smoothing, CodesOfBothKindsDifferAndStayWithinInt32)
{
    const std::uint32_t last = kMostNormalCodes - 1;
    EXPECT_EQ(SmoothGroupCode(0), -2);
    EXPECT_EQ(FlatTriangleCode(0), -3);
    EXPECT_EQ(SmoothGroupCode(last), INT_MIN + 2);
    EXPECT_EQ(FlatTriangleCode(last), INT_MIN + 1);
    EXPECT_TRUE(IsNormalCode(FlatTriangleCode(last)));
    EXPECT_FALSE(IsNormalCode(kAbsent));
    EXPECT_FALSE(IsNormalCode(0));
}

// A model of more flat triangles or groups than there are codes is
// refused at the line that needs one more.
TEST(Smoothing, TheCodesRunningOutIsAFaultOfItsLine)
{
    auto parse = [](NormalGeneration normals, Smoothing start, const std::string& faces) {
        ObjModel model;
        ObjParser parser;
        parser.model = &model;
        parser.smoothing = start;
        parser.smoothing.generation = normals;
        std::string text = kFourPositions + faces;
        ParseObjText(parser, Padded(text).data(), text.size(), true);
        std::string error;
        EXPECT_FALSE(FinishObjParse(parser, &error));
        return std::make_pair(error, model.triangles.size());
    };
    Smoothing nearlyAllFlat;
    nearlyAllFlat.flatTriangles = kMostNormalCodes - 1;
    EXPECT_EQ(parse(NormalGeneration::kFlat, nearlyAllFlat, "f 1 2 3\nf 1 2 3\n"),
              std::make_pair(std::string("line 7: too many flat triangles for generated normals: at most 1073741823"),
                             std::size_t{1}));
    Smoothing nearlyAllGroups;
    nearlyAllGroups.groupsNumbered = kMostNormalCodes - 1;
    EXPECT_EQ(parse(NormalGeneration::kAuto, nearlyAllGroups, "s 9\nf 1 2 3\ns 9\ns 8\nf 1 2 3\n"),
              std::make_pair(std::string("line 9: too many smoothing groups for generated normals: at most 1073741823"),
                             std::size_t{1}));
}

// The second half of a text cannot know the smoothing before it: its reader
// stops at its first face and leaves the half to the reader before it.
TEST(Smoothing, APartFromTheMiddleOfATextStopsAtItsFirstFace)
{
    for (NormalGeneration normals : {NormalGeneration::kNone, NormalGeneration::kAuto, NormalGeneration::kFlat}) {
        ObjModel model;
        ObjParser later;
        later.model = &model;
        later.midText = true;
        later.smoothing.generation = normals;
        std::string text = "v 1 2 3\ns 1\nf 1 1 1\nv 4 5 6\n";
        ParseObjText(later, Padded(text).data(), text.size(), true);
        bool generated = GeneratesNormals(normals);
        EXPECT_EQ(later.stoppedForEarlierPart, generated);
        EXPECT_EQ(model.positions.size(), generated ? 1u : 2u);
        EXPECT_EQ(later.triangleCount, generated ? 0u : 1u);
    }
}

// A normal still to be generated names no entry of the normals: the check
// of non-finite values must not take its code for an index.
TEST(Smoothing, CodedCornersLeaveTheCheckOfUnusedNonFiniteNormalsAlone)
{
    ObjModel model;
    std::string error;
    EXPECT_TRUE(ParseObj("v 0 0 0\nvn nan 0 0\nvn 0 0 1\nf 1 1//2 1\n", &model, &error, NormalGeneration::kFlat))
        << error;
    ObjModel other;
    EXPECT_FALSE(ParseObj("v 0 0 0\nvn nan 0 0\nf 1 1//1 1\n", &other, &error, NormalGeneration::kFlat));
    EXPECT_EQ(error, "line 2: normal is not a finite number");
}

}  // namespace
}  // namespace torvane
