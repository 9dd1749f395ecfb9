// The picture tool: reading generated headers back and drawing them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "header_svg.h"
#include "test_support.h"

namespace torvane::tools {
namespace {

using testing::ReadFileBytes;
using testing::RunTorvane;
using testing::TemporaryDirectory;
using testing::WriteFileBytes;

// A header as torvane writes it, cut to the two arrays, with the vertex rows
// given by the caller:
//
//   3 +
//     |\        two triangles, the square's lower left half
//     | \       and a second one behind it (rows supplied per test)
//   0 +--+ 1
std::string Header(const std::string& rows, std::size_t vertexCount, const std::string& indexRows,
                   std::size_t indexCount)
{
    return "#ifndef _box_data_\r\nconst OBJ_VERT box_data[" + std::to_string(vertexCount) + "] =\r\n{\r\n" + rows +
        "};\r\n#define _box_data_\r\n#endif\r\n"
        "// Index Data follows: Every Three Indicies == One Triangle.\r\n"
        "#ifndef _box_indicies_\r\nconst unsigned int box_indicies[" +
        std::to_string(indexCount) + "] =\r\n{\r\n" + indexRows + "};\r\n#define _box_indicies_\r\n#endif\r\n";
}

std::string Row(float x, float y, float z)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "\t{\t{ %.6ff, %.6ff, %.6ff },\t{ 0.000000f, 1.000000f, 0.000000f },\t{ 0.000000f, 0.000000f, "
                  "1.000000f }\t},\r\n",
                  x, y, z);
    return text;
}

HeaderMesh Parsed(const std::string& text)
{
    HeaderMesh mesh;
    std::string error;
    EXPECT_TRUE(ParseHeaderMesh(text, &mesh, &error)) << error;
    return mesh;
}

std::string ParseError(const std::string& text)
{
    HeaderMesh mesh;
    std::string error;
    EXPECT_FALSE(ParseHeaderMesh(text, &mesh, &error));
    return error;
}

struct Polygon {
    double x[3], y[3];
    std::string fill;
};

std::vector<Polygon> Polygons(const std::string& svg)
{
    static const std::regex polygon("<polygon points=\"([-0-9.]+),([-0-9.]+) ([-0-9.]+),([-0-9.]+) "
                                    "([-0-9.]+),([-0-9.]+)\" fill=\"(#[0-9a-f]{6})\"");
    std::vector<Polygon> polygons;
    for (std::sregex_iterator it(svg.begin(), svg.end(), polygon), end; it != end; ++it) {
        Polygon p;
        for (int corner = 0; corner < 3; ++corner) {
            p.x[corner] = std::stod((*it)[1 + 2 * corner]);
            p.y[corner] = std::stod((*it)[2 + 2 * corner]);
        }
        p.fill = (*it)[7];
        polygons.push_back(p);
    }
    return polygons;
}

int Brightness(const std::string& fill)
{
    return std::stoi(fill.substr(1, 2), nullptr, 16) + std::stoi(fill.substr(3, 2), nullptr, 16) +
        std::stoi(fill.substr(5, 2), nullptr, 16);
}

TEST(HeaderSvgTest, ReadsThePositionsAndIndices)
{
    HeaderMesh mesh = Parsed(Header(Row(0, 0, 0) + Row(1, 0, 0.5f) + Row(-0.25f, 1, 0), 3, "\t 0, 1, 2,\r\n", 3));
    ASSERT_EQ(mesh.positions.size(), 3u);
    EXPECT_EQ(mesh.positions[1], (std::array<float, 3>{1, 0, 0.5f}));
    EXPECT_EQ(mesh.positions[2], (std::array<float, 3>{-0.25f, 1, 0}));
    EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST(HeaderSvgTest, ReadsRowsWithThePositionGroupOnly)
{
    HeaderMesh mesh = Parsed(Header("\t{\t{ 2.000000f, -3.500000f, 0.000000f },\t},\r\n", 1, "\t 0, 0, 0,\r\n", 3));
    ASSERT_EQ(mesh.positions.size(), 1u);
    EXPECT_EQ(mesh.positions[0], (std::array<float, 3>{2, -3.5f, 0}));
}

// The fields of a row are those the header's OBJ_VERT declares.
std::string Declaration(bool texcoord, bool normal)
{
    return std::string("typedef struct _OBJ_VERT_\r\n{\r\n\tfloat pos[3];\r\n") +
        (texcoord ? "\tfloat uvw[3];\r\n" : "") + (normal ? "\tfloat nrm[3];\r\n" : "") + "}OBJ_VERT;\r\n";
}

TEST(HeaderSvgTest, ReadsTheNormalsWhenTheRecordDeclaresThem)
{
    // Row() writes a second and a third group: (0, 1, 0) and (0, 0, 1).
    HeaderMesh both = Parsed(Declaration(true, true) + Header(Row(0, 0, 0), 1, "\t 0, 0, 0,\r\n", 3));
    EXPECT_EQ(both.normals, (std::vector<std::array<float, 3>>{{0, 0, 1}}));
    HeaderMesh normalOnly = Parsed(Declaration(false, true) + Header(Row(0, 0, 0), 1, "\t 0, 0, 0,\r\n", 3));
    EXPECT_EQ(normalOnly.normals, (std::vector<std::array<float, 3>>{{0, 1, 0}}));
    EXPECT_TRUE(Parsed(Declaration(true, false) + Header(Row(0, 0, 0), 1, "\t 0, 0, 0,\r\n", 3)).normals.empty());
    EXPECT_EQ(ParseError(Declaration(true, true) + Header("\t{\t{ 1.0f, 2.0f, 3.0f },\t},\r\n", 1, "", 0)),
              "line 10: cannot read the normal of this vertex row");
}

TEST(HeaderSvgTest, RefusesARowCountThatDiffersFromTheDeclaration)
{
    EXPECT_EQ(ParseError(Header(Row(0, 0, 0) + Row(1, 0, 0), 3, "\t 0, 1, 1,\r\n", 3)),
              "line 6: the array declares 3 vertices but has 2 rows");
}

TEST(HeaderSvgTest, RefusesAnIndexPastTheVertices)
{
    EXPECT_EQ(ParseError(Header(Row(0, 0, 0) + Row(1, 0, 0), 2, "\t 0, 1, 2,\r\n", 3)),
              "line 13: index 2 is past the 2 vertices");
}

TEST(HeaderSvgTest, RefusesAnUnreadableRow)
{
    EXPECT_EQ(ParseError(Header("\t{\t{ 1.0f, oops },\t},\r\n", 1, "", 0)),
              "line 4: cannot read the position of this vertex row");
}

TEST(HeaderSvgTest, RefusesTextWithoutTheArrays)
{
    EXPECT_EQ(ParseError("int x;\n"), "no array declared with OBJ_VERT ");
}

TEST(HeaderSvgTest, ReadsWhatTorvaneWrites)
{
    TemporaryDirectory directory;
    // A unit square of two triangles in the z = 0 plane.
    WriteFileBytes(directory / "square.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    // Absolute paths: the command's working directory may be on another
    // drive on Windows.
    std::string folder = directory.path().string();
    testing::RunResult run =
        RunTorvane(directory.path(), "--seed 1 -o \"" + folder + "\" \"" + (directory / "square.obj").string() + "\"");
    ASSERT_EQ(run.exitStatus, 0) << run.standardError;
    std::string header = ReadFileBytes(directory / "square.h");
    HeaderMesh mesh = Parsed(header);

    std::smatch declared;
    ASSERT_TRUE(std::regex_search(header, declared, std::regex("square_data\\[([0-9]+)\\]")));
    EXPECT_EQ(mesh.positions.size(), std::stoul(declared[1]));
    // The square's own corners are among the vertices, as written.
    for (std::array<float, 3> corner : {std::array<float, 3>{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}})
        EXPECT_NE(std::find(mesh.positions.begin(), mesh.positions.end(), corner), mesh.positions.end());
    EXPECT_EQ(mesh.indices.size() % 3, 0u);
}

TEST(HeaderSvgTest, DrawsTheFrontViewWithYUp)
{
    HeaderMesh mesh;
    mesh.positions = {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}};
    mesh.indices = {0, 1, 2};
    SvgOptions options;
    options.width = 120;
    options.margin = 10;
    std::string svg = RenderFrontView(mesh, options);
    EXPECT_NE(svg.find("width=\"120\" height=\"70\""), std::string::npos) << svg;
    std::vector<Polygon> polygons = Polygons(svg);
    ASSERT_EQ(polygons.size(), 1u) << svg;
    // 2 model units across 100 pixels; y = 0 at the bottom margin.
    EXPECT_DOUBLE_EQ(polygons[0].x[0], 10);
    EXPECT_DOUBLE_EQ(polygons[0].y[0], 60);
    EXPECT_DOUBLE_EQ(polygons[0].x[1], 110);
    EXPECT_DOUBLE_EQ(polygons[0].y[1], 60);
    EXPECT_DOUBLE_EQ(polygons[0].x[2], 10);
    EXPECT_DOUBLE_EQ(polygons[0].y[2], 10);
}

TEST(HeaderSvgTest, DrawsFarTrianglesFirst)
{
    HeaderMesh mesh;
    // The near triangle (z = 1) comes first in the list, the far one
    // (z = -1, shifted right by 0.5) second.
    mesh.positions = {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0.5f, 0, -1}, {1.5f, 0, -1}, {0.5f, 1, -1}};
    mesh.indices = {0, 1, 2, 3, 4, 5};
    std::vector<Polygon> polygons = Polygons(RenderFrontView(mesh, SvgOptions()));
    ASSERT_EQ(polygons.size(), 2u);
    EXPECT_GT(polygons[0].x[0], polygons[1].x[0]) << "the far triangle must be painted first";
}

TEST(HeaderSvgTest, LeavesOutTrianglesSeenEdgeOn)
{
    HeaderMesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    mesh.indices = {0, 1, 2, 3, 4, 5};
    EXPECT_EQ(Polygons(RenderFrontView(mesh, SvgOptions())).size(), 1u);
}

TEST(HeaderSvgTest, ShadesByTheAngleToTheLightWhateverTheWinding)
{
    HeaderMesh mesh;
    // Three triangles: facing the viewer, the same wound the other way, and
    // one turned away to the lower right (away from the upper-left light).
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0},  {3, 0, 0}, {3, 1, 0},
                      {4, 0, 0}, {6, 0, 0}, {7, 0, -1}, {6, 1, 0}};
    mesh.indices = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<Polygon> polygons = Polygons(RenderFrontView(mesh, SvgOptions()));
    ASSERT_EQ(polygons.size(), 3u);
    auto at = [&](double pixelX) {
        for (const Polygon& p : polygons) {
            if (std::abs(p.x[0] - pixelX) < 0.06)
                return p.fill;
        }
        return std::string();
    };
    double step = (640.0 - 32) / 7;
    std::string facing = at(16), reversed = at(16 + 3 * step), turned = at(16 + 6 * step);
    ASSERT_FALSE(facing.empty() || reversed.empty() || turned.empty());
    EXPECT_EQ(facing, reversed);
    EXPECT_LT(Brightness(turned), Brightness(facing));
}

TEST(HeaderSvgTest, ShadesByTheHeadersNormalsWhenAsked)
{
    // One triangle facing the viewer, its corners' normals given.
    HeaderMesh mesh;
    mesh.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    mesh.indices = {0, 1, 2};
    SvgOptions byNormals;
    byNormals.shading = Shading::kNormals;
    auto fill = [&](const SvgOptions& options) {
        std::vector<Polygon> polygons = Polygons(RenderFrontView(mesh, options));
        EXPECT_EQ(polygons.size(), 1u);
        return polygons.empty() ? std::string() : polygons[0].fill;
    };
    // Without normals a renderer lights nothing; by faces the shape shows.
    std::string unlit = fill(byNormals);
    std::string flat = fill(SvgOptions());
    EXPECT_LT(Brightness(unlit), Brightness(flat));
    // Normals towards the upper left light, the mean of two of them: brighter
    // than the face itself; turned away from it: unlit.
    mesh.normals = {{-0.4f, 0.6f, 1}, {-0.4f, 0.6f, 1}, {0, 0, 1}};
    EXPECT_GT(Brightness(fill(byNormals)), Brightness(flat));
    EXPECT_EQ(fill(SvgOptions()), flat);
    mesh.normals = {{0.4f, -0.6f, -1}, {0.4f, -0.6f, -1}, {0.4f, -0.6f, -1}};
    EXPECT_EQ(fill(byNormals), unlit);
    mesh.normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    EXPECT_EQ(fill(byNormals), flat);
}

}  // namespace
}  // namespace torvane::tools
