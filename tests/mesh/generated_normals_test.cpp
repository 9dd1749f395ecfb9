// Generated normals on small models worked out by hand: which vertices
// share one, which way it points and how the faces around it weigh.

#include "mesh/generated_normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "obj/obj_reader.h"

namespace torvane {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Generated {
    WeldedMesh mesh;
    LargeList<ObjCorner> keys;  // as the normals left them
};

Generated Generate(const std::string& text, NormalGeneration normals)
{
    ObjModel model;
    std::string error;
    EXPECT_TRUE(ParseObj(text, &model, &error, normals)) << error;
    CornerWelder welder = WeldTriangles(model);
    EXPECT_TRUE(GenerateNormals(model, welder, &error)) << error;
    Generated generated;
    generated.keys = welder.keys;
    generated.mesh = GatherMesh(model, welder);
    return generated;
}

Float3 Unit(double x, double y, double z)
{
    double length = std::sqrt(x * x + y * y + z * z);
    return {float(x / length), float(y / length), float(z / length)};
}

void ExpectNormals(const WeldedMesh& mesh, const std::vector<Float3>& expected)
{
    ASSERT_EQ(mesh.normals.size(), expected.size());
    for (std::size_t v = 0; v < expected.size(); ++v) {
        SCOPED_TRACE("vertex " + std::to_string(v));
        EXPECT_NEAR(mesh.normals[v].x, expected[v].x, 1e-6);
        EXPECT_NEAR(mesh.normals[v].y, expected[v].y, 1e-6);
        EXPECT_NEAR(mesh.normals[v].z, expected[v].z, 1e-6);
    }
}

// A quad folded along the diagonal from its first corner to its third:
//
//      3 (0,1,1)      triangle 0-1-2 lies flat, normal (0, 0, 1), angles
//     /|              45, 90 and 45 degrees; triangle 0-2-3 is equilateral
//    / |              (every edge sqrt 2), normal (1, -1, 1) / sqrt 3,
//   0--2 (1,1,0)      60 degrees everywhere
//    \ |
//     1 (1,0,0)
constexpr const char* kFoldedQuad = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 1\nf 1 2 3 4\n";

const Float3 kLower = Unit(0, 0, 1);
const Float3 kUpper = Unit(1, -1, 1);
// Each face weighs by its angle at the corner: 45 degrees of the lower, 60
// of the upper (weighing by area would give (1, -1, 2) / sqrt 6).
const Float3 kAlongTheFold =
    Unit(kPi / 3 / std::sqrt(3.0), -kPi / 3 / std::sqrt(3.0), kPi / 4 + kPi / 3 / std::sqrt(3.0));

TEST(GeneratedNormals, AFoldedQuadFlatGetsTwoNormalsSmoothOneAveragedAlongTheFold)
{
    Generated flat = Generate(kFoldedQuad, NormalGeneration::kFlat);
    EXPECT_EQ(flat.mesh.indices, (LargeList<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    ExpectNormals(flat.mesh, {kLower, kLower, kLower, kUpper, kUpper, kUpper});

    Generated smooth = Generate(kFoldedQuad, NormalGeneration::kSmooth);
    EXPECT_EQ(smooth.mesh.indices, (LargeList<std::uint32_t>{0, 1, 2, 0, 2, 3}));
    ExpectNormals(smooth.mesh, {kAlongTheFold, kLower, kAlongTheFold, kUpper});
    // Without an s line the model's groups smooth it whole.
    EXPECT_EQ(Generate(kFoldedQuad, NormalGeneration::kAuto).mesh.normals, smooth.mesh.normals);
}

// A seam of the texture along the fold splits the vertices there, but not
// the smoothing: a position's normal is shared by all its vertices in one
// group.
TEST(GeneratedNormals, VerticesSplitByATextureSeamShareTheirPositionsNormal)
{
    const std::string positions = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 1\nvt 0 0\nvt 1 1\n";
    Generated seam = Generate(positions + "f 1/1 2/1 3/1\nf 1/2 3/2 4/2\n", NormalGeneration::kSmooth);
    EXPECT_EQ(seam.mesh.indices, (LargeList<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    ExpectNormals(seam.mesh, {kAlongTheFold, kLower, kAlongTheFold, kAlongTheFold, kAlongTheFold, kUpper});
}

TEST(GeneratedNormals, FacesBeforeTheFirstGroupAreAGroupOfTheirOwn)
{
    const std::string positions = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 1\n";
    Generated split = Generate(positions + "f 1 2 3\ns 1\nf 1 3 4\n", NormalGeneration::kAuto);
    EXPECT_EQ(split.mesh.indices, (LargeList<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    ExpectNormals(split.mesh, {kLower, kLower, kLower, kUpper, kUpper, kUpper});
    // One group across both, named twice: smoothed as one.
    Generated joined = Generate(positions + "s 3\nf 1 2 3\ns 1\ns 3\nf 1 3 4\n", NormalGeneration::kAuto);
    ExpectNormals(joined.mesh, {kAlongTheFold, kLower, kAlongTheFold, kUpper});
}

// A cube of side 2 around the origin, each face counter-clockwise seen from
// outside, in the order -z, +z, -y, +y, -x, +x; faceLines[i] goes before
// face i.
std::string Cube(const std::vector<std::string>& faceLines)
{
    std::string text = "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n";
    const char* const faces[6] = {"1 4 3 2", "5 6 7 8", "1 2 6 5", "4 8 7 3", "1 5 8 4", "2 3 7 6"};
    for (int face = 0; face < 6; ++face)
        text += faceLines[static_cast<std::size_t>(face)] + "f " + faces[face] + "\n";
    return text;
}

const Float3 kCubeFaceNormals[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};

// Every vertex of triangle t carries the normal of its face, t / 2.
void ExpectCubeFaceNormals(const WeldedMesh& mesh)
{
    ASSERT_EQ(mesh.indices.size(), 36u);
    for (std::size_t corner = 0; corner < 36; ++corner) {
        SCOPED_TRACE("corner " + std::to_string(corner));
        EXPECT_EQ(mesh.normals[mesh.indices[corner]], kCubeFaceNormals[corner / 6]);
    }
}

TEST(GeneratedNormals, ACubeFlatHasItsFaceNormalsAndSmoothTheDiagonalsAtItsCorners)
{
    Generated flat = Generate(Cube({"s off\n", "", "", "", "", ""}), NormalGeneration::kAuto);
    EXPECT_EQ(flat.mesh.positions.size(), 36u);
    ExpectCubeFaceNormals(flat.mesh);

    // A group per face: the faces' two triangles share their vertices.
    Generated faces = Generate(Cube({"s 1\n", "s 2\n", "s 3\n", "s 4\n", "s 5\n", "s 6\n"}), NormalGeneration::kAuto);
    EXPECT_EQ(faces.mesh.positions.size(), 24u);
    ExpectCubeFaceNormals(faces.mesh);

    // One group: every corner points out along its diagonal, whichever way
    // the quads around it were cut (a corner on a cut takes 45 + 45 degrees
    // of that face, one off it 90; weighing by area would tilt it).
    Generated smooth = Generate(Cube({"s 1\n", "", "", "", "", ""}), NormalGeneration::kAuto);
    ASSERT_EQ(smooth.mesh.positions.size(), 8u);
    std::vector<Float3> diagonals;
    for (const Float3& p : smooth.mesh.positions)
        diagonals.push_back(Unit(p.x, p.y, p.z));
    ExpectNormals(smooth.mesh, diagonals);
}

// Corners with a normal keep it; the generated normals follow the read ones
// in the list and gather only the faces whose corner at that position has
// none.
TEST(GeneratedNormals, CornersWithANormalKeepItAndTakeNoPartInTheOthers)
{
    Generated mixed =
        Generate(std::string(kFoldedQuad, 0, std::string(kFoldedQuad).find('f')) + "vn 0 0 -1\nf 1//1 2 3\nf 1 3 4\n",
                 NormalGeneration::kSmooth);
    EXPECT_EQ(mixed.mesh.indices, (LargeList<std::uint32_t>{0, 1, 2, 3, 2, 4}));
    std::vector<std::int32_t> normalIndices;
    for (const ObjCorner& key : mixed.keys)
        normalIndices.push_back(key.normal);
    EXPECT_EQ(normalIndices, (std::vector<std::int32_t>{0, 1, 2, 3, 4}));
    ExpectNormals(mixed.mesh, {{0, 0, -1}, kLower, kAlongTheFold, kUpper, kUpper});
}

TEST(GeneratedNormals, DegenerateTrianglesAddNothingAndAloneGiveZero)
{
    // Collinear corners, and a triangle with a corner twice.
    for (NormalGeneration normals : {NormalGeneration::kSmooth, NormalGeneration::kFlat}) {
        Generated line = Generate("v 0 0 0\nv 1 0 0\nv 3 0 0\nf 1 2 3\nf 1 2 2\n", normals);
        for (const Float3& normal : line.mesh.normals)
            EXPECT_EQ(normal, (Float3{0, 0, 0}));
    }
    Generated beside = Generate("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 2\nf 1 2 3\nf 3 3 1\n", NormalGeneration::kSmooth);
    ExpectNormals(beside.mesh, {kLower, kLower, kLower});
    // Two faces of opposite winding on the same corners cancel exactly.
    Generated cancelled = Generate("v 0 0 0\nv 2 0 0\nv 0 1 0.5\nf 1 2 3\nf 1 3 2\n", NormalGeneration::kSmooth);
    for (const Float3& normal : cancelled.mesh.normals)
        EXPECT_EQ(normal, (Float3{0, 0, 0}));
}

}  // namespace
}  // namespace torvane
