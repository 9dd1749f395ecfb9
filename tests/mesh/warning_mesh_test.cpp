// Property tests of the built-in "HFILE" warning mesh. They check the
// compiled table against the shape it must have (the letter rectangles, the
// depth, the facings, the layout of the table), not against a copy of it.

#include "mesh/warning_mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace torvane {
namespace {

using Micro = std::int64_t;  // millionths of a unit: every value is a six-decimal number

constexpr std::size_t kRecords = kWarningVertexCount;
constexpr std::size_t kTriangles = kWarningTriangleCount;
constexpr Micro kOne = 1000000;
constexpr Micro kCap = 270784;
constexpr Micro kDepth = 46334;

struct Rect {
    Micro x0, x1, y0, y1;
};

// The letters, left to right, each as the union of its rectangles.
const std::vector<std::vector<Rect>> kLetters = {
    {{-496438, -462590, 0, kCap}, {-327198, -293350, 0, kCap}, {-462590, -327198, 124110, 157958}},
    {{-225654, -191806, 0, kCap}, {-191806, -56414, 236936, kCap}, {-191806, -78979, 124110, 157958}},
    {{0, 33848, 0, kCap}},
    {{101544, 135392, 0, kCap}, {135392, 259502, 0, 33848}},
    {{304632, 338480, 0, kCap},
     {338480, 485155, 236936, kCap},
     {338480, 473873, 124110, 157958},
     {338480, 496438, 0, 33848}},
};

Micro ToMicro(float f)
{
    return std::llround(static_cast<double>(f) * 1e6);
}

// The float nearest to the decimal number m / 1000000, as a compiler reads
// the literal.
float NearestFloat(Micro m)
{
    const Micro a = m < 0 ? -m : m;
    std::string fraction = std::to_string(a % kOne);
    fraction.insert(0, 6 - fraction.size(), '0');
    const std::string text = (m < 0 ? "-" : "") + std::to_string(a / kOne) + "." + fraction;
    return std::strtof(text.c_str(), nullptr);
}

struct Rec {
    std::array<Micro, 3> pos, uvw, nrm;
};

Rec RecordAt(std::size_t i)
{
    const WarningVertex& v = WarningVertices[i];
    Rec r{};
    for (int k = 0; k < 3; ++k) {
        r.pos[k] = ToMicro(v.pos[k]);
        r.uvw[k] = ToMicro(v.uvw[k]);
        r.nrm[k] = ToMicro(v.nrm[k]);
    }
    return r;
}

const std::vector<Rec>& Records()
{
    static const std::vector<Rec> records = [] {
        std::vector<Rec> out;
        for (std::size_t i = 0; i < kRecords; ++i)
            out.push_back(RecordAt(i));
        return out;
    }();
    return records;
}

const Rec& Corner(std::size_t t, int c)
{
    return Records()[WarningTriangles[t][c]];
}

enum Facing { kPlusZ, kMinusZ, kPlusX, kMinusX, kPlusY, kMinusY, kNoFacing };

const std::array<Micro, 3> kTilted{0, 1, kOne};  // (0, 0.000001, 1)

Facing FacingOf(const std::array<Micro, 3>& n)
{
    if (n == std::array<Micro, 3>{0, 0, kOne} || n == kTilted)
        return kPlusZ;
    if (n == std::array<Micro, 3>{0, 0, -kOne})
        return kMinusZ;
    if (n == std::array<Micro, 3>{kOne, 0, 0})
        return kPlusX;
    if (n == std::array<Micro, 3>{-kOne, 0, 0})
        return kMinusX;
    if (n == std::array<Micro, 3>{0, kOne, 0})
        return kPlusY;
    if (n == std::array<Micro, 3>{0, -kOne, 0})
        return kMinusY;
    return kNoFacing;
}

// The unit axis a facing points along.
std::array<Micro, 3> AxisOf(Facing f)
{
    switch (f) {
    case kPlusZ: return {0, 0, 1};
    case kMinusZ: return {0, 0, -1};
    case kPlusX: return {1, 0, 0};
    case kMinusX: return {-1, 0, 0};
    case kPlusY: return {0, 1, 0};
    case kMinusY: return {0, -1, 0};
    default: return {0, 0, 0};
    }
}

// Twice the area vector of a triangle, from its positions.
std::array<Micro, 3> AreaVector(std::size_t t)
{
    const auto& a = Corner(t, 0).pos;
    const auto& b = Corner(t, 1).pos;
    const auto& c = Corner(t, 2).pos;
    const std::array<Micro, 3> e{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const std::array<Micro, 3> f{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    return {e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]};
}

// Whether (x, y), given in units of 1/scale micro, lies inside a letter:
// strictly inside some rectangle (open) or in the closed union.
bool InsideOpen(Micro x, Micro y, Micro scale)
{
    for (const auto& letter : kLetters)
        for (const Rect& r : letter)
            if (scale * r.x0 < x && x < scale * r.x1 && scale * r.y0 < y && y < scale * r.y1)
                return true;
    return false;
}

bool InsideClosed(Micro x, Micro y, Micro scale)
{
    for (const auto& letter : kLetters)
        for (const Rect& r : letter)
            if (scale * r.x0 <= x && x <= scale * r.x1 && scale * r.y0 <= y && y <= scale * r.y1)
                return true;
    return false;
}

struct Block {
    std::size_t firstTriangle, endTriangle, firstRecord, endRecord;
    bool front, back;  // otherwise side walls
};

const std::array<Block, 6> kBlocks = {{
    {0, 68, 0, 74, true, false},
    {68, 136, 74, 148, true, false},
    {136, 204, 148, 222, false, true},
    {204, 272, 222, 296, false, true},
    {272, 412, 296, 524, false, false},
    {412, 552, 524, 752, false, false},
}};

// Triangles of the first copy of the solid: the first, third and fifth block.
std::vector<std::size_t> FirstCopyTriangles()
{
    std::vector<std::size_t> out;
    for (std::size_t b = 0; b < kBlocks.size(); b += 2)
        for (std::size_t t = kBlocks[b].firstTriangle; t < kBlocks[b].endTriangle; ++t)
            out.push_back(t);
    return out;
}

// ---------------------------------------------------------------------------

TEST(WarningMeshTable, CountsAndIndices)
{
    EXPECT_EQ(sizeof WarningVertices / sizeof WarningVertices[0], 752u);
    EXPECT_EQ(sizeof WarningTriangles / sizeof WarningTriangles[0], 552u);
    std::vector<int> uses(kRecords, 0);
    for (std::size_t t = 0; t < kTriangles; ++t)
        for (int c = 0; c < 3; ++c) {
            ASSERT_LT(WarningTriangles[t][c], kRecords) << "triangle " << t;
            ++uses[WarningTriangles[t][c]];
        }
    for (std::size_t i = 0; i < kRecords; ++i)
        EXPECT_GT(uses[i], 0) << "record " << i << " is never used";
}

TEST(WarningMeshTable, EveryValueIsTheFloatNearestASixDecimalNumber)
{
    for (std::size_t i = 0; i < kRecords; ++i) {
        const WarningVertex& v = WarningVertices[i];
        for (const float* group : {v.pos, v.uvw, v.nrm})
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(group[k], NearestFloat(ToMicro(group[k]))) << "record " << i;
    }
}

TEST(WarningMeshTable, RecordsAreNumberedInOrderOfFirstUse)
{
    std::uint32_t next = 0;
    for (std::size_t t = 0; t < kTriangles; ++t)
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t i = WarningTriangles[t][c];
            ASSERT_LE(i, next) << "triangle " << t << " uses record " << i << " before " << next;
            if (i == next)
                ++next;
        }
    EXPECT_EQ(next, kRecords);
}

TEST(WarningMeshTable, NoTwoRecordsAreEqual)
{
    std::set<std::tuple<std::array<Micro, 3>, std::array<Micro, 3>, std::array<Micro, 3>>> seen;
    for (const Rec& r : Records())
        seen.insert({r.pos, r.uvw, r.nrm});
    EXPECT_EQ(seen.size(), kRecords);
}

TEST(WarningMeshTable, TellingRows)
{
    const auto expectRecord = [](std::size_t i, std::array<float, 9> want) {
        const WarningVertex& v = WarningVertices[i];
        const std::array<float, 9> got{v.pos[0], v.pos[1], v.pos[2], v.uvw[0], v.uvw[1],
                                       v.uvw[2], v.nrm[0], v.nrm[1], v.nrm[2]};
        EXPECT_EQ(got, want) << "record " << i;
    };
    expectRecord(0, {-0.29335f, 0.270784f, 0.046334f, 0.130765f, 0.826153f, 0.0f, 0.0f, 0.0f, 1.0f});
    expectRecord(1, {-0.327198f, 0.270784f, 0.046334f, 0.109283f, 0.826153f, 0.0f, 0.0f, 0.0f, 1.0f});
    expectRecord(751, {0.485155f, 0.270784f, 0.046334f, 0.323337f, 0.471182f, 0.0f, 0.0f, 1.0f, 0.0f});

    const auto triangle = [](std::size_t t) {
        return std::array<std::uint32_t, 3>{WarningTriangles[t][0], WarningTriangles[t][1], WarningTriangles[t][2]};
    };
    using Tri = std::array<std::uint32_t, 3>;
    EXPECT_EQ(triangle(0), (Tri{0, 1, 2}));
    EXPECT_EQ(triangle(1), (Tri{3, 4, 5}));
    EXPECT_EQ(triangle(2), (Tri{6, 7, 8}));
    EXPECT_EQ(triangle(3), (Tri{7, 9, 10}));
    EXPECT_EQ(triangle(551), (Tri{750, 707, 751}));
}

// ---------------------------------------------------------------------------

TEST(WarningMeshGeometry, ExtentsAndCoordinateSets)
{
    const std::set<Micro> xs{-496438, -462590, -394894, -327198, -293350, -225654, -191806, -141034,
                             -78979,  -56414,  0,       16924,   33848,   101544,  135392,  180523,
                             259502,  304632,  338480,  400535,  473873,  485155,  496438};
    const std::set<Micro> ys{0, 33848, 124110, 135392, 157958, 236936, 270784};
    std::set<Micro> usedX, usedY, usedZ;
    std::set<std::array<Micro, 3>> positions;
    for (const Rec& r : Records()) {
        usedX.insert(r.pos[0]);
        usedY.insert(r.pos[1]);
        usedZ.insert(r.pos[2]);
        positions.insert(r.pos);
    }
    EXPECT_EQ(usedX, xs);
    EXPECT_EQ(usedY, ys);
    EXPECT_EQ(usedZ, (std::set<Micro>{-kDepth, kDepth}));
    EXPECT_EQ(positions.size(), 148u);
    EXPECT_EQ(*usedX.begin(), -496438);
    EXPECT_EQ(*usedX.rbegin(), 496438);
}

TEST(WarningMeshGeometry, FacesLieAtTheirDepthAndWallsJoinThem)
{
    for (const Block& b : kBlocks) {
        std::set<std::array<Micro, 3>> positions;
        for (std::size_t i = b.firstRecord; i < b.endRecord; ++i) {
            const Rec& r = Records()[i];
            positions.insert(r.pos);
            if (b.front || b.back) {
                EXPECT_EQ(r.pos[2], b.front ? kDepth : -kDepth) << "record " << i;
            }
        }
        if (b.front || b.back) {
            EXPECT_EQ(positions.size(), 74u) << "block from record " << b.firstRecord;
        }
    }
}

TEST(WarningMeshGeometry, FrontAndBackCoverExactlyTheLetters)
{
    // Sample every cell of the coordinate grid at a few points that no
    // triangle edge passes through, and count the triangles of each face of
    // the first copy that contain the sample.
    std::set<Micro> gx{-520000, 520000}, gy{-20000, 290000};
    for (const Rec& r : Records()) {
        gx.insert(r.pos[0]);
        gy.insert(r.pos[1]);
    }
    const std::vector<Micro> xs(gx.begin(), gx.end()), ys(gy.begin(), gy.end());
    const std::array<std::array<double, 2>, 3> fractions{{{0.3141, 0.2718}, {0.7071, 0.5772}, {0.123, 0.861}}};
    for (const Block& b : {kBlocks[0], kBlocks[2]}) {
        const double facing = b.front ? 1.0 : -1.0;
        for (std::size_t i = 0; i + 1 < xs.size(); ++i)
            for (std::size_t j = 0; j + 1 < ys.size(); ++j)
                for (const auto& f : fractions) {
                    const double px = xs[i] + f[0] * static_cast<double>(xs[i + 1] - xs[i]);
                    const double py = ys[j] + f[1] * static_cast<double>(ys[j + 1] - ys[j]);
                    int covering = 0;
                    for (std::size_t t = b.firstTriangle; t < b.endTriangle; ++t) {
                        bool inside = true;
                        for (int c = 0; c < 3; ++c) {
                            const auto& p = Corner(t, c).pos;
                            const auto& q = Corner(t, (c + 1) % 3).pos;
                            const double side = static_cast<double>(q[0] - p[0]) * (py - p[1]) -
                                static_cast<double>(q[1] - p[1]) * (px - p[0]);
                            inside = inside && side * facing > 0;
                        }
                        covering += inside ? 1 : 0;
                    }
                    bool inLetter = false;
                    for (const auto& letter : kLetters)
                        for (const Rect& r : letter)
                            inLetter = inLetter || (r.x0 < px && px < r.x1 && r.y0 < py && py < r.y1);
                    EXPECT_EQ(covering, inLetter ? 1 : 0)
                        << (b.front ? "front" : "back") << " at (" << px << ", " << py << ")";
                }
    }
}

TEST(WarningMeshGeometry, FrontAreaOfEachLetterIsTheAreaOfItsRectangles)
{
    for (std::size_t l = 0; l < kLetters.size(); ++l) {
        const auto& letter = kLetters[l];
        // Area of the union, cell by cell over the letter's own grid.
        std::set<Micro> sx, sy;
        for (const Rect& r : letter) {
            sx.insert({r.x0, r.x1});
            sy.insert({r.y0, r.y1});
        }
        const std::vector<Micro> xs(sx.begin(), sx.end()), ys(sy.begin(), sy.end());
        Micro unionArea2 = 0;
        for (std::size_t i = 0; i + 1 < xs.size(); ++i)
            for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
                const Micro cx = xs[i] + xs[i + 1], cy = ys[j] + ys[j + 1];
                bool inside = false;
                for (const Rect& r : letter)
                    inside = inside || (2 * r.x0 < cx && cx < 2 * r.x1 && 2 * r.y0 < cy && cy < 2 * r.y1);
                if (inside)
                    unionArea2 += 2 * (xs[i + 1] - xs[i]) * (ys[j + 1] - ys[j]);
            }
        Micro frontArea2 = 0;
        for (std::size_t t = kBlocks[0].firstTriangle; t < kBlocks[0].endTriangle; ++t) {
            Micro cx3 = 0, cy3 = 0;
            for (int c = 0; c < 3; ++c) {
                cx3 += Corner(t, c).pos[0];
                cy3 += Corner(t, c).pos[1];
            }
            bool mine = false;
            for (const Rect& r : letter)
                mine = mine || (3 * r.x0 < cx3 && cx3 < 3 * r.x1 && 3 * r.y0 < cy3 && cy3 < 3 * r.y1);
            if (mine)
                frontArea2 += AreaVector(t)[2];
        }
        EXPECT_EQ(frontArea2, unionArea2) << "letter " << l;
    }
}

TEST(WarningMeshGeometry, EachCopyIsAClosedConsistentlyWoundSurface)
{
    // Every edge of the first copy, by positions, is used once in each
    // direction: no gaps, no overlaps and no flipped triangles.
    std::map<std::pair<std::array<Micro, 3>, std::array<Micro, 3>>, int> edges;
    for (std::size_t t : FirstCopyTriangles())
        for (int c = 0; c < 3; ++c)
            ++edges[{Corner(t, c).pos, Corner(t, (c + 1) % 3).pos}];
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        const auto reverse = edges.find({edge.second, edge.first});
        EXPECT_TRUE(reverse != edges.end() && reverse->second == 1);
    }
}

// ---------------------------------------------------------------------------

TEST(WarningMeshNormals, AreOutwardAxesWithTwoTiltedFrontRecords)
{
    std::vector<std::size_t> tilted;
    for (std::size_t i = 0; i < kRecords; ++i) {
        const Facing f = FacingOf(Records()[i].nrm);
        EXPECT_NE(f, kNoFacing) << "record " << i;
        if (Records()[i].nrm == kTilted)
            tilted.push_back(i);
    }
    ASSERT_EQ(tilted.size(), 2u);
    for (std::size_t i : tilted)
        EXPECT_TRUE(i < kBlocks[1].endRecord) << "tilted record " << i << " is not on the front";
    EXPECT_EQ(WarningVertices[tilted[0]].nrm[1], 0.000001f);
}

TEST(WarningMeshNormals, TrianglesAreFlatAndWoundCounterClockwiseFromTheNormalSide)
{
    for (std::size_t t = 0; t < kTriangles; ++t) {
        const Facing f = FacingOf(Corner(t, 0).nrm);
        for (int c = 1; c < 3; ++c)
            EXPECT_EQ(FacingOf(Corner(t, c).nrm), f) << "triangle " << t;
        const auto area = AreaVector(t);
        const auto axis = AxisOf(f);
        // Counter-clockwise from the side the normal points to: the area
        // vector is a positive multiple of the normal.
        for (int k = 0; k < 3; ++k) {
            if (axis[k] == 0) {
                EXPECT_EQ(area[k], 0) << "triangle " << t << " is not flat along its normal";
            } else {
                EXPECT_GT(area[k] * axis[k], 0) << "triangle " << t << " is wound clockwise";
            }
        }
    }
}

TEST(WarningMeshNormals, PointOutOfTheSolid)
{
    for (std::size_t t = 0; t < kTriangles; ++t) {
        const auto axis = AxisOf(FacingOf(Corner(t, 0).nrm));
        // Centroid, in thirds of a micro.
        std::array<Micro, 3> c3{};
        for (int c = 0; c < 3; ++c)
            for (int k = 0; k < 3; ++k)
                c3[k] += Corner(t, c).pos[k];
        if (axis[2] != 0) {
            EXPECT_EQ(c3[2], 3 * axis[2] * kDepth) << "triangle " << t << " faces into the slab";
            EXPECT_TRUE(InsideOpen(c3[0], c3[1], 3)) << "triangle " << t;
            continue;
        }
        EXPECT_LE(std::abs(c3[2]), 3 * kDepth);
        const Micro ox = c3[0] + axis[0], oy = c3[1] + axis[1];  // a third of a micro outside
        const Micro ix = c3[0] - axis[0], iy = c3[1] - axis[1];  // a third of a micro inside
        EXPECT_FALSE(InsideClosed(ox, oy, 3)) << "wall triangle " << t << " faces into the letter";
        EXPECT_TRUE(InsideClosed(ix, iy, 3)) << "wall triangle " << t << " is not on the outline";
    }
}

TEST(WarningMeshNormals, FacingCounts)
{
    std::map<Facing, int> counts;
    for (std::size_t t = 0; t < kTriangles; ++t)
        ++counts[FacingOf(Corner(t, 0).nrm)];
    EXPECT_EQ(counts[kPlusZ], 136);
    EXPECT_EQ(counts[kMinusZ], 136);
    EXPECT_EQ(counts[kPlusX], 80);
    EXPECT_EQ(counts[kMinusX], 48);
    EXPECT_EQ(counts[kPlusY], 76);
    EXPECT_EQ(counts[kMinusY], 76);
    EXPECT_EQ(counts.count(kNoFacing), 0u);
}

// ---------------------------------------------------------------------------

TEST(WarningMeshTexture, WIsZeroAndUVStayInTheirRanges)
{
    Micro minU = kOne, maxU = 0, minV = kOne, maxV = 0;
    for (std::size_t i = 0; i < kRecords; ++i) {
        const Rec& r = Records()[i];
        EXPECT_EQ(WarningVertices[i].uvw[2], 0.0f) << "record " << i;
        minU = std::min(minU, r.uvw[0]);
        maxU = std::max(maxU, r.uvw[0]);
        minV = std::min(minV, r.uvw[1]);
        maxV = std::max(maxV, r.uvw[1]);
    }
    EXPECT_EQ(minU, 1873);
    EXPECT_EQ(maxU, 938582);
    EXPECT_EQ(minV, 1992);
    EXPECT_EQ(maxV, 998008);
}

TEST(WarningMeshTexture, TextureIslandsDoNotOverlap)
{
    // Within one copy every triangle gets texture area of its own: sample
    // the texture on a fine grid and count the triangles over each sample.
    std::vector<std::size_t> tris = FirstCopyTriangles();
    std::vector<std::array<std::array<double, 2>, 3>> uv;
    for (std::size_t t : tris) {
        std::array<std::array<double, 2>, 3> q{};
        for (int c = 0; c < 3; ++c)
            q[c] = {static_cast<double>(Corner(t, c).uvw[0]), static_cast<double>(Corner(t, c).uvw[1])};
        const double area = (q[1][0] - q[0][0]) * (q[2][1] - q[0][1]) - (q[1][1] - q[0][1]) * (q[2][0] - q[0][0]);
        EXPECT_NE(area, 0.0) << "triangle " << t << " has no texture area";
        if (area < 0)
            std::swap(q[1], q[2]);
        uv.push_back(q);
    }
    int overlaps = 0;
    for (int sx = 0; sx < 400; ++sx)
        for (int sy = 0; sy < 400; ++sy) {
            const double px = (sx + 0.3183) * 2500.0, py = (sy + 0.2718) * 2500.0;
            int covering = 0;
            for (const auto& q : uv) {
                if (std::max({q[0][0], q[1][0], q[2][0]}) < px || std::min({q[0][0], q[1][0], q[2][0]}) > px ||
                    std::max({q[0][1], q[1][1], q[2][1]}) < py || std::min({q[0][1], q[1][1], q[2][1]}) > py)
                    continue;
                bool inside = true;
                for (int c = 0; c < 3 && inside; ++c) {
                    const auto& a = q[c];
                    const auto& b = q[(c + 1) % 3];
                    inside = (b[0] - a[0]) * (py - a[1]) - (b[1] - a[1]) * (px - a[0]) > 0;
                }
                covering += inside ? 1 : 0;
            }
            overlaps += covering > 1 ? 1 : 0;
        }
    EXPECT_EQ(overlaps, 0);
}

// ---------------------------------------------------------------------------

TEST(WarningMeshLayout, BlocksUseTheirOwnContiguousRecordsAndFacings)
{
    for (const Block& b : kBlocks) {
        std::set<std::uint32_t> used;
        for (std::size_t t = b.firstTriangle; t < b.endTriangle; ++t)
            for (int c = 0; c < 3; ++c) {
                const std::uint32_t i = WarningTriangles[t][c];
                used.insert(i);
                EXPECT_TRUE(i >= b.firstRecord && i < b.endRecord) << "triangle " << t << " record " << i;
                const Facing f = FacingOf(Records()[i].nrm);
                if (b.front) {
                    EXPECT_EQ(f, kPlusZ) << "triangle " << t;
                } else if (b.back) {
                    EXPECT_EQ(f, kMinusZ) << "triangle " << t;
                } else {
                    EXPECT_TRUE(f != kPlusZ && f != kMinusZ && f != kNoFacing) << "triangle " << t;
                }
            }
        EXPECT_EQ(used.size(), b.endRecord - b.firstRecord) << "block from triangle " << b.firstTriangle;
    }
}

TEST(WarningMeshLayout, TheSolidIsStoredTwiceWithOtherTextureCoordinates)
{
    // A triangle of the solid is its corners' positions and normals, up to
    // rotation of the corner order.
    using Corner9 = std::pair<std::array<Micro, 3>, std::array<Micro, 3>>;
    std::map<std::array<Corner9, 3>, std::vector<std::size_t>> solid;
    for (std::size_t t = 0; t < kTriangles; ++t) {
        std::array<Corner9, 3> key;
        for (int c = 0; c < 3; ++c)
            key[c] = {Corner(t, c).pos, Corner(t, c).nrm};
        std::rotate(key.begin(), std::min_element(key.begin(), key.end()), key.end());
        solid[key].push_back(t);
    }
    EXPECT_EQ(solid.size(), 276u);
    for (const auto& [key, uses] : solid) {
        ASSERT_EQ(uses.size(), 2u) << "triangle " << uses.front();
        std::set<std::uint32_t> first, second;
        std::set<std::array<Micro, 3>> uvFirst, uvSecond;
        for (int c = 0; c < 3; ++c) {
            first.insert(WarningTriangles[uses[0]][c]);
            second.insert(WarningTriangles[uses[1]][c]);
            uvFirst.insert(Corner(uses[0], c).uvw);
            uvSecond.insert(Corner(uses[1], c).uvw);
        }
        std::vector<std::uint32_t> shared;
        std::set_intersection(first.begin(), first.end(), second.begin(), second.end(), std::back_inserter(shared));
        EXPECT_TRUE(shared.empty()) << "triangles " << uses[0] << " and " << uses[1] << " share records";
        EXPECT_NE(uvFirst, uvSecond) << "triangles " << uses[0] << " and " << uses[1];
        // The copies sit in blocks of their own, in the same order.
        EXPECT_LT(uses[0], uses[1]);
    }
}

}  // namespace
}  // namespace torvane
