#include "mesh/weld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>

#include "mesh/stand_in.h"

namespace torvane {
namespace {

ObjCorner C(std::int32_t p, std::int32_t t = kAbsent, std::int32_t n = kAbsent)
{
    return {p, t, n};
}

ObjModel ModelWith(LargeList<ObjTriangle> triangles, std::size_t positions, std::size_t texcoords = 0,
                   std::size_t normals = 0)
{
    ObjModel model;
    for (std::size_t i = 0; i < positions; ++i)
        model.positions.push_back({float(i), 0, 0});
    for (std::size_t i = 0; i < texcoords; ++i)
        model.texcoords.push_back({float(i), 0.25f, 0});
    for (std::size_t i = 0; i < normals; ++i)
        model.normals.push_back({0, 0, float(i)});
    model.triangles = std::move(triangles);
    return model;
}

TEST(Weld, VerticesAreNumberedByFirstUse)
{
    //  3---2      a quad as the reader splits it: (0, 1, 2) and (0, 2, 3),
    //  |  /|      listed with its corners in a scrambled file order
    //  | / |
    //  0---1
    ObjModel model = ModelWith({{C(3), C(1), C(0)}, {C(3), C(0), C(2)}}, 4);
    WeldedMesh mesh = WeldCorners(model);
    EXPECT_EQ(mesh.indices, (LargeList<std::uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(mesh.positions, (LargeList<Float3>{{3, 0, 0}, {1, 0, 0}, {0, 0, 0}, {2, 0, 0}}));
    EXPECT_TRUE(mesh.texcoords.empty());
    EXPECT_TRUE(mesh.normals.empty());
}

TEST(Weld, OnlyEqualIndexTriplesShareAVertex)
{
    // Same position with other normals: two vertices. Positions 0 and 1
    // hold equal coordinates but are other indices: not merged either.
    ObjModel model = ModelWith({{C(0, kAbsent, 0), C(0, kAbsent, 1), C(1, kAbsent, 0)},
                                {C(1, kAbsent, 0), C(1, kAbsent, 0), C(1, kAbsent, 0)}},
                               2, 0, 2);
    model.positions[1] = model.positions[0];
    WeldedMesh mesh = WeldCorners(model);
    EXPECT_EQ(mesh.indices, (LargeList<std::uint32_t>{0, 1, 2, 2, 2, 2}));
    EXPECT_EQ(mesh.positions.size(), 3u);
    EXPECT_EQ(mesh.normals, (LargeList<Float3>{{0, 0, 0}, {0, 0, 1}, {0, 0, 0}}));
}

TEST(Weld, TextureVIsFlippedInFloat)
{
    ObjModel model = ModelWith({{C(0, 0), C(0, 1), C(0, 2)}, {C(0, 3), C(0, 0), C(0, 1)}}, 1, 4);
    model.texcoords = {{0.25f, 0.25f, 0}, {0.5f, 1.0f, 0.5f}, {0, 0, 0}, {0, 1.5f, 0}};
    WeldedMesh mesh = WeldCorners(model);
    EXPECT_EQ(mesh.texcoords, (LargeList<Float3>{{0.25f, 0.75f, 0}, {0.5f, 0.0f, 0.5f}, {0, 1, 0}, {0, -0.5f, 0}}));
}

TEST(Weld, UnusedEntriesAreLeftOutAndSharedOnesCopiedPerVertex)
{
    ObjModel model = ModelWith({{C(2, 0), C(2, 1), C(4, 0)}}, 6, 2);
    WeldedMesh mesh = WeldCorners(model);
    EXPECT_EQ(mesh.positions, (LargeList<Float3>{{2, 0, 0}, {2, 0, 0}, {4, 0, 0}}));
    EXPECT_EQ(mesh.indices.size(), 3u);
}

TEST(Weld, CornersWithoutAnAttributeGetZeroesWhenOthersHaveIt)
{
    // Some corners name texture coordinates, others do not: every vertex
    // still gets one, so the rows stay aligned.
    ObjModel model = ModelWith({{C(0, 0, 0), C(1, kAbsent, 0), C(2, 0, kAbsent)}}, 3, 1, 1);
    model.texcoords[0] = {0.5f, 0.25f, 0};
    model.normals[0] = {0, 1, 0};
    WeldedMesh mesh = WeldCorners(model);
    EXPECT_EQ(mesh.texcoords, (LargeList<Float3>{{0.5f, 0.75f, 0}, {0, 0, 0}, {0.5f, 0.75f, 0}}));
    EXPECT_EQ(mesh.normals, (LargeList<Float3>{{0, 1, 0}, {0, 1, 0}, {0, 0, 0}}));
}

TEST(Weld, EmptyTriangleListGivesAnEmptyMesh)
{
    WeldedMesh mesh = WeldCorners(ModelWith({}, 3, 3, 3));
    EXPECT_TRUE(mesh.positions.empty());
    EXPECT_TRUE(mesh.texcoords.empty());
    EXPECT_TRUE(mesh.normals.empty());
    EXPECT_TRUE(mesh.indices.empty());
}

TEST(Weld, MatchesAnOrderedMapOnARandomMesh)
{
    // The reference: the first-use numbering an ordered map of index
    // triples gives.
    std::uint32_t state = 12345;
    auto next = [&](std::uint32_t bound) {
        state = state * 1103515245u + 12345u;
        return static_cast<std::int32_t>((state >> 8) % bound);
    };
    LargeList<ObjTriangle> triangles(5000);
    for (ObjTriangle& triangle : triangles)
        for (ObjCorner& corner : triangle.corners)
            corner = C(next(300), next(4), next(3));
    ObjModel model = ModelWith(triangles, 300, 4, 3);
    WeldedMesh mesh = WeldCorners(model);

    std::map<std::tuple<std::int32_t, std::int32_t, std::int32_t>, std::uint32_t> reference;
    std::size_t k = 0;
    for (const ObjTriangle& triangle : triangles) {
        for (const ObjCorner& corner : triangle.corners) {
            auto key = std::make_tuple(corner.position, corner.texcoord, corner.normal);
            auto [it, inserted] = reference.emplace(key, static_cast<std::uint32_t>(reference.size()));
            ASSERT_EQ(mesh.indices[k++], it->second);
            if (inserted) {
                ASSERT_EQ(mesh.positions[it->second], model.positions[corner.position]);
            }
        }
    }
    EXPECT_EQ(mesh.positions.size(), reference.size());
    EXPECT_EQ(mesh.normals.size(), reference.size());
}

// The welder finds vertices through their position; these key sets defeat
// that, and the numbering must not change when it switches to hashing.
std::vector<std::uint32_t> NumberingByMap(const std::vector<ObjCorner>& corners)
{
    std::map<std::tuple<std::int32_t, std::int32_t, std::int32_t>, std::uint32_t> numbers;
    std::vector<std::uint32_t> indices;
    for (const ObjCorner& corner : corners) {
        auto key = std::make_tuple(corner.position, corner.texcoord, corner.normal);
        indices.push_back(numbers.emplace(key, static_cast<std::uint32_t>(numbers.size())).first->second);
    }
    return indices;
}

TEST(Weld, KeySetsThatDefeatThePlacementStillWeldLikeAMap)
{
    std::vector<std::vector<ObjCorner>> keySets(6);
    // Twenty thousand vertices on one position.
    for (std::int32_t t = 0; t < 20000; ++t)
        keySets[0].insert(keySets[0].end(), {C(0, t), C(0, t / 2), C(1, t)});
    // A seam along which every position has two vertices, then the wrap.
    for (std::int32_t p = 0; p < 30000; ++p)
        keySets[1].insert(keySets[1].end(), {C(p, p, p), C(p, p + 30000, p)});
    keySets[1].push_back(C(0, 60000, 0));
    // Indices far apart, from both ends of the range.
    for (std::int32_t i = 0; i < 30000; ++i)
        keySets[2].insert(keySets[2].end(), {C(i * 65536 % 2147483647), C(2147483646 - i), C(i)});
    // Positions in random order, a few vertices each.
    std::mt19937 random(5);
    for (int i = 0; i < 90000; ++i)
        keySets[3].push_back(C(static_cast<std::int32_t>(random() % 20000), static_cast<std::int32_t>(random() % 3)));
    // The warning's stand-ins among the model's keys, and keys that share a
    // stand-in's position only.
    for (std::int32_t i = 0; i < 20000; ++i)
        keySets[4].insert(keySets[4].end(), {C(i % 700), StandInKey(i % 148), C(StandInKey(i % 3).position, i % 5)});
    // One wild index before any other vertex, then an ordinary model.
    keySets[5].push_back(C(2000000000));
    for (std::int32_t i = 0; i < 30000; ++i)
        keySets[5].insert(keySets[5].end(), {C(i), C(i + 1), C(i, 1)});
    // Which sets must end up hashed, so that both ways are covered.
    const bool hashed[] = {true, false, true, false, false, true};
    for (std::size_t set = 0; set < keySets.size(); ++set) {
        const std::vector<ObjCorner>& corners = keySets[set];
        CornerWelder welder;
        std::vector<std::uint32_t> indices;
        for (const ObjCorner& corner : corners)
            indices.push_back(WeldCorner(welder, corner));
        std::vector<std::uint32_t> expected = NumberingByMap(corners);
        EXPECT_EQ(indices, expected) << "key set " << set;
        EXPECT_EQ(!welder.hash.slots.empty(), hashed[set]) << "key set " << set;
        // Found again without adding, either way; keys never welded are not.
        for (std::size_t i = 0; i < corners.size(); i += 7)
            ASSERT_EQ(FindVertex(welder, corners[i]), expected[i]) << "key set " << set;
        for (const ObjCorner& absent : {C(0, -7, -7), C(5, 123456789), C(-1000), C(2147483647, 3)})
            EXPECT_EQ(FindVertex(welder, absent), -1) << "key set " << set;
        EXPECT_EQ(welder.keys.size(), *std::max_element(expected.begin(), expected.end()) + 1);
    }
}

}  // namespace
}  // namespace torvane
