#include "mesh/merge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "mesh/merging_welder.h"
#include "mesh/warning_mesh.h"
#include "mesh/warning_size.h"

namespace torvane {
namespace {

// Inserting one element after the other, as the scatter is defined.
std::vector<int> InsertOneByOne(std::size_t length, std::size_t count, Random random)
{
    std::vector<int> list(length, -1);
    for (std::size_t j = 0; j < count; ++j) {
        std::uint32_t draw = DrawRandom(random);
        std::size_t index = list.empty() ? 0 : draw % list.size();
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), static_cast<int>(j));
    }
    return list;
}

TEST(Scatter, PlacesElementsAsInsertingThemOneByOneWould)
{
    for (std::size_t length : {0u, 1u, 2u, 7u, 551u, 552u, 1000u, 32767u, 32768u, 40000u}) {
        for (std::uint32_t seed : {0u, 1u, 42u, 0xDEADBEEFu}) {
            Random random;
            SeedRandom(random, seed);
            std::vector<int> expected = InsertOneByOne(length, 300, random);
            std::vector<std::uint64_t> places = ScatterPlaces(length, 300, random);
            for (std::size_t j = 0; j < places.size(); ++j)
                ASSERT_EQ(expected[places[j]], static_cast<int>(j)) << length << " " << seed;
        }
    }
}

ObjModel CubeCornersModel(std::size_t triangles, bool texcoords, bool normals)
{
    ObjModel model;
    for (int i = 0; i < 8; ++i) {
        Float3 p{float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)};
        model.positions.push_back(p);
        model.bounds.min = {0, 0, 0};
        model.bounds.max = {1, 1, 1};
    }
    if (texcoords)
        model.texcoords.assign(3, Float3{0.5f, 0.5f, 0});
    if (normals)
        model.normals.assign(2, Float3{0, 0, 1});
    for (std::size_t t = 0; t < triangles; ++t) {
        ObjTriangle triangle;
        for (int c = 0; c < 3; ++c)
            triangle.corners[c] = {static_cast<std::int32_t>((t + c) % 8), texcoords ? c : kAbsent,
                                   normals ? 1 : kAbsent};
        model.triangles.push_back(triangle);
    }
    return model;
}

bool IsWarningTriangle(const ObjTriangle& triangle, std::size_t positionBase)
{
    return triangle.corners[0].position >= static_cast<std::int32_t>(positionBase);
}

TEST(MergeWarningMesh, AppendsRecordsAndKeepsTheModelsTrianglesInOrder)
{
    ObjModel model = CubeCornersModel(100, true, true);
    ObjModel before = model;
    Random random;
    SeedRandom(random, 7);
    MergeWarningMesh(model, random, NormalGeneration::kNone);

    EXPECT_EQ(model.positions.size(), 8 + kWarningVertexCount);
    EXPECT_EQ(model.texcoords.size(), 3 + kWarningVertexCount);
    EXPECT_EQ(model.normals.size(), 2 + kWarningVertexCount);
    ASSERT_EQ(model.triangles.size(), 100 + kWarningTriangleCount);
    EXPECT_EQ(model.triangles.back(), before.triangles.back());

    LargeList<ObjTriangle> own;
    std::vector<std::array<std::int32_t, 3>> warning;
    for (const ObjTriangle& triangle : model.triangles) {
        if (!IsWarningTriangle(triangle, 8)) {
            own.push_back(triangle);
            continue;
        }
        // Every corner addresses the records appended for it in each list.
        std::array<std::int32_t, 3> records{};
        for (int c = 0; c < 3; ++c) {
            records[c] = triangle.corners[c].position - 8;
            EXPECT_EQ(triangle.corners[c], (ObjCorner{8 + records[c], 3 + records[c], 2 + records[c]}));
        }
        warning.push_back(records);
    }
    std::vector<std::array<std::int32_t, 3>> table;
    for (const auto& row : WarningTriangles)
        table.push_back({std::int32_t(row[0]), std::int32_t(row[1]), std::int32_t(row[2])});
    std::sort(warning.begin(), warning.end());
    std::sort(table.begin(), table.end());
    EXPECT_EQ(warning, table);
    EXPECT_EQ(own, before.triangles);
    EXPECT_EQ(model.texcoords[3 + 751], (Float3{WarningVertices[751].uvw[0], WarningVertices[751].uvw[1], 0}));
    EXPECT_EQ(model.normals[2 + 0], (Float3{0, 0, 1}));
}

TEST(MergeWarningMesh, SizesTheWordToTheModelAndStandsItOnTheTop)
{
    ObjModel model = CubeCornersModel(1, false, false);
    EXPECT_EQ(WarningScale(model.bounds), 0.49999946f);
    // Float sums depend on their order: x, then y, then z. Summed the other
    // way round, 0.75 + 0.75 would survive the addition to 2^24.
    ModelBounds wide;
    wide.min = {0, 0, 0};
    wide.max = {16777216, 0.75f, 0.75f};
    EXPECT_EQ(WarningScale(wide), 2796199.75f);
    Random random;
    SeedRandom(random, 3);
    MergeWarningMesh(model, random, NormalGeneration::kNone);
    float low = 1e9f, high = -1e9f, left = 1e9f, right = -1e9f;
    for (std::size_t i = 8; i < model.positions.size(); ++i) {
        low = std::min(low, model.positions[i].y);
        high = std::max(high, model.positions[i].y);
        left = std::min(left, model.positions[i].x);
        right = std::max(right, model.positions[i].x);
    }
    EXPECT_EQ(low, 1.0f);
    EXPECT_NEAR(high, 1.135392f, 1e-6f);
    EXPECT_NEAR(left, -0.248219f, 1e-6f);
    EXPECT_NEAR(right, 0.248219f, 1e-6f);
    // With one model triangle the first draw can only go to index 0; the
    // model's triangle stays last all the same.
    EXPECT_TRUE(IsWarningTriangle(model.triangles.front(), 8));
    EXPECT_FALSE(IsWarningTriangle(model.triangles.back(), 8));
}

TEST(MergeWarningMesh, EachListIsGatedByItsOwnCount)
{
    ObjModel model = CubeCornersModel(4, false, true);
    model.positions.clear();
    for (ObjTriangle& triangle : model.triangles)
        for (ObjCorner& corner : triangle.corners)
            corner.position = kAbsent;
    Random random;
    MergeWarningMesh(model, random, NormalGeneration::kNone);
    EXPECT_TRUE(model.positions.empty());
    EXPECT_TRUE(model.texcoords.empty());
    EXPECT_EQ(model.normals.size(), 2 + kWarningVertexCount);
    for (const ObjTriangle& triangle : model.triangles) {
        for (const ObjCorner& corner : triangle.corners) {
            EXPECT_EQ(corner.position, kAbsent);
            EXPECT_EQ(corner.texcoord, kAbsent);
        }
    }
}

// With normals generated the header has them, and the warning's vertices
// keep their own: its normals go even into a model that has none, by
// either road.
TEST(MergeWarningMesh, GeneratedNormalsBringTheWarningsOwnToAModelWithout)
{
    for (NormalGeneration normals : {NormalGeneration::kNone, NormalGeneration::kAuto}) {
        ObjModel model = CubeCornersModel(4, true, false);
        ObjModel streamed = model;
        Random random;
        MergeWarningMesh(model, random, normals);
        MergingWelder merging;
        for (const ObjTriangle& triangle : streamed.triangles)
            TakeModelTriangle(merging, triangle);
        streamed.triangles.clear();
        FinishMergingWeld(merging, streamed, normals);
        bool generated = GeneratesNormals(normals);
        EXPECT_EQ(model.normals.size(), generated ? kWarningVertexCount : 0u);
        EXPECT_EQ(streamed.normals, model.normals);
        if (generated) {
            const float* last = WarningVertices[kWarningVertexCount - 1].nrm;
            EXPECT_EQ(model.normals.back(), (Float3{last[0], last[1], last[2]}));
        }
        for (const ObjTriangle& triangle : model.triangles) {
            for (const ObjCorner& corner : triangle.corners) {
                if (IsWarningTriangle(triangle, 8)) {
                    EXPECT_EQ(corner.normal, generated ? corner.position - 8 : kAbsent);
                }
            }
        }
        for (const ObjCorner& key : merging.welder.keys) {
            if (key.position >= 8) {
                EXPECT_EQ(key.normal, generated ? key.position - 8 : kAbsent);
            }
        }
    }
}

TEST(MergeWarningMesh, LargeModelsKeepTheirTailInOneRun)
{
    // Draws never exceed 32767, so from the 32768th model triangle on
    // nothing is inserted.
    ObjModel model = CubeCornersModel(40000, false, false);
    for (std::size_t t = 0; t < model.triangles.size(); ++t)
        model.triangles[t].corners[0].position = static_cast<std::int32_t>(t % 8);
    ObjModel before = model;
    Random random;
    SeedRandom(random, 99);
    MergeWarningMesh(model, random, NormalGeneration::kNone);
    std::size_t tail = 40000 - 32767;
    EXPECT_TRUE(std::equal(before.triangles.end() - static_cast<std::ptrdiff_t>(tail), before.triangles.end(),
                           model.triangles.end() - static_cast<std::ptrdiff_t>(tail)));
    for (std::size_t i = 32767 + kWarningTriangleCount; i < model.triangles.size(); ++i)
        ASSERT_FALSE(IsWarningTriangle(model.triangles[i], 8));
}

TEST(MergingWelder, WeldsTheLastPlaceWithinReachAsTheWholeListWould)
{
    // Seed 24884 draws 32767 first: the first warning triangle goes right
    // after the 32767th model triangle, the last place the head still holds.
    constexpr std::uint32_t kSeed = 24884;
    Random probe;
    SeedRandom(probe, kSeed);
    ASSERT_EQ(DrawRandom(probe), kRandomMax);

    ObjModel model = CubeCornersModel(33000, false, false);
    ObjModel merged = model;
    Random random;
    SeedRandom(random, kSeed);
    MergeWarningMesh(merged, random, NormalGeneration::kNone);
    CornerWelder expected;
    for (const ObjTriangle& triangle : merged.triangles)
        WeldTriangle(expected, triangle);

    LargeList<ObjTriangle> arriving;
    arriving.swap(model.triangles);
    MergingWelder merging;
    SeedRandom(merging.random, kSeed);
    for (const ObjTriangle& triangle : arriving)
        TakeModelTriangle(merging, triangle);
    FinishMergingWeld(merging, model, NormalGeneration::kNone);
    EXPECT_EQ(merging.welder.keys, expected.keys);
    EXPECT_EQ(merging.welder.indices, expected.indices);
}

TEST(MergeWarningMesh, AnEmptyTriangleListStillTakesTheWholeWarning)
{
    ObjModel model = CubeCornersModel(0, false, false);
    Random random;
    MergeWarningMesh(model, random, NormalGeneration::kNone);
    ASSERT_EQ(model.triangles.size(), kWarningTriangleCount);
    for (const ObjTriangle& triangle : model.triangles)
        ASSERT_TRUE(IsWarningTriangle(triangle, 8));
}

}  // namespace
}  // namespace torvane
