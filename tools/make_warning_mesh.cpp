// Builds the solid "HFILE" warning mesh and writes src/mesh/warning_mesh_data.cpp.
//
//   make_warning_mesh > src/mesh/warning_mesh_data.cpp
//   make_warning_mesh src/mesh/warning_mesh_data.cpp
//
// Everything is computed in integer millionths of a unit ("micros"): the table
// stores every value as the float nearest to a six-decimal number, and integer
// geometry keeps point identity, areas and the texture layout exact, so the
// output is the same on every compiler and platform.
//
// Construction, in order:
//   1. Each letter is a union of axis-aligned rectangles.
//   2. Each letter's front face is cut into quarters around the centre of its
//      bounding box (mid x, half the cap height). The quarter pieces are
//      triangulated without extra points, so the outline picks up a vertex
//      wherever a cut line meets it, and the centre becomes an interior vertex
//      when it lies inside the letter (all but the L). The triangulation is
//      listed explicitly below and checked against the rectangles.
//   3. The back face is the front face moved to -depth with reversed winding.
//   4. Every outline segment of the front triangulation is extruded into a
//      side wall quad. Segments on one straight run with one facing form a
//      wall face, whose quads share the records at the cut points.
//   5. The whole solid is stored twice, the second copy on records of its
//      own with v mirrored about the middle of the texture, so that each
//      copy has texture area of its own.
//   6. Records are numbered in the order in which the triangle list first
//      uses them.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "generated_source.h"

namespace {

using Micro = std::int64_t;  // millionths of a unit

constexpr Micro kOne = 1000000;
constexpr Micro kCapHeight = 270784;
constexpr Micro kHalfHeight = kCapHeight / 2;  // where the horizontal cut runs
constexpr Micro kStroke = 33848;               // every stroke has this width
constexpr Micro kDepth = 46334;                // front face at +depth, back at -depth

struct Rect {
    Micro x0, x1, y0, y1;
};

struct Letter {
    char name;
    std::vector<Rect> rects;
};

// The word, left to right, as seen from +z with +y up.
const std::array<Letter, 5> kLetters = {{
    {'H', {{-496438, -462590, 0, kCapHeight}, {-327198, -293350, 0, kCapHeight}, {-462590, -327198, 124110, 157958}}},
    {'F',
     {{-225654, -191806, 0, kCapHeight}, {-191806, -56414, 236936, kCapHeight}, {-191806, -78979, 124110, 157958}}},
    {'I', {{0, 33848, 0, kCapHeight}}},
    {'L', {{101544, 135392, 0, kCapHeight}, {135392, 259502, 0, 33848}}},
    {'E',
     {{304632, 338480, 0, kCapHeight},
      {338480, 485155, 236936, kCapHeight},
      {338480, 473873, 124110, 157958},
      {338480, 496438, 0, 33848}}},
}};

// ---------------------------------------------------------------------------
// Grid of coordinates.

Micro LetterMinX(const Letter& letter)
{
    Micro m = letter.rects.front().x0;
    for (const Rect& r : letter.rects)
        m = std::min(m, r.x0);
    return m;
}

Micro LetterMaxX(const Letter& letter)
{
    Micro m = letter.rects.front().x1;
    for (const Rect& r : letter.rects)
        m = std::max(m, r.x1);
    return m;
}

// The vertical cut of a letter runs through the middle of its bounding box.
Micro LetterCentreX(const Letter& letter)
{
    return (LetterMinX(letter) + LetterMaxX(letter)) / 2;
}

// All x values: rectangle sides and letter centres; all y values: rectangle
// sides and the horizontal cut. The explicit triangulation indexes these.
std::vector<Micro> GridX()
{
    std::vector<Micro> xs;
    for (const Letter& letter : kLetters) {
        for (const Rect& r : letter.rects) {
            xs.push_back(r.x0);
            xs.push_back(r.x1);
        }
        xs.push_back(LetterCentreX(letter));
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    return xs;
}

std::vector<Micro> GridY()
{
    std::vector<Micro> ys{kHalfHeight};
    for (const Letter& letter : kLetters) {
        for (const Rect& r : letter.rects) {
            ys.push_back(r.y0);
            ys.push_back(r.y1);
        }
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    return ys;
}

// ---------------------------------------------------------------------------
// Front face triangulation, counter-clockwise seen from +z. Each corner is
// {index into GridX(), index into GridY()}. Within a letter the quarter
// pieces are clipped ear by ear from their outer corner; the H starts with
// four triangles taken from different pieces (top of the right stem, top of
// the left stem, the two inner crossbar corners), which fixes the first
// eleven records of the table.
//
// GridX():  0 -0.496438   1 -0.462590   2 -0.394894   3 -0.327198
//           4 -0.293350   5 -0.225654   6 -0.191806   7 -0.141034
//           8 -0.078979   9 -0.056414  10  0.000000  11  0.016924
//          12  0.033848  13  0.101544  14  0.135392  15  0.180523
//          16  0.259502  17  0.304632  18  0.338480  19  0.400535
//          20  0.473873  21  0.485155  22  0.496438
// GridY():  0 0.000000  1 0.033848  2 0.124110  3 0.135392  4 0.157958
//           5 0.236936  6 0.270784

struct GridPoint {
    int xi, yi;
};
using GridTriangle = std::array<GridPoint, 3>;

struct LetterTriangles {
    char name;
    std::vector<GridTriangle> triangles;
};

const std::array<LetterTriangles, 5> kFront = {{
    {'H',
     {
         {{{4, 6}, {3, 6}, {4, 3}}},
         {{{1, 6}, {0, 6}, {0, 3}}},
         {{{1, 4}, {2, 3}, {2, 4}}},
         {{{2, 3}, {2, 2}, {3, 2}}},
         {{{2, 4}, {2, 3}, {4, 3}}},
         {{{4, 3}, {3, 6}, {3, 4}}},
         {{{4, 3}, {3, 4}, {2, 4}}},
         {{{0, 3}, {2, 3}, {1, 4}}},
         {{{0, 3}, {1, 4}, {1, 6}}},
         {{{0, 3}, {0, 0}, {1, 0}}},
         {{{0, 3}, {1, 0}, {1, 2}}},
         {{{0, 3}, {1, 2}, {2, 2}}},
         {{{2, 2}, {2, 3}, {0, 3}}},
         {{{3, 2}, {3, 0}, {4, 0}}},
         {{{3, 2}, {4, 0}, {4, 3}}},
         {{{3, 2}, {4, 3}, {2, 3}}},
     }},
    {'F',
     {
         {{{7, 4}, {7, 3}, {8, 3}}},
         {{{8, 3}, {8, 4}, {7, 4}}},
         {{{7, 6}, {7, 5}, {9, 5}}},
         {{{9, 5}, {9, 6}, {7, 6}}},
         {{{5, 3}, {7, 3}, {7, 4}}},
         {{{5, 3}, {7, 4}, {6, 4}}},
         {{{5, 6}, {5, 3}, {6, 4}}},
         {{{5, 6}, {6, 4}, {6, 5}}},
         {{{5, 6}, {6, 5}, {7, 5}}},
         {{{7, 5}, {7, 6}, {5, 6}}},
         {{{5, 3}, {5, 0}, {6, 0}}},
         {{{5, 3}, {6, 0}, {6, 2}}},
         {{{5, 3}, {6, 2}, {7, 2}}},
         {{{7, 2}, {7, 3}, {5, 3}}},
         {{{7, 3}, {7, 2}, {8, 2}}},
         {{{8, 2}, {8, 3}, {7, 3}}},
     }},
    {'I',
     {
         {{{11, 6}, {11, 3}, {12, 3}}},
         {{{12, 3}, {12, 6}, {11, 6}}},
         {{{10, 6}, {10, 3}, {11, 3}}},
         {{{11, 3}, {11, 6}, {10, 6}}},
         {{{10, 3}, {10, 0}, {11, 0}}},
         {{{11, 0}, {11, 3}, {10, 3}}},
         {{{11, 3}, {11, 0}, {12, 0}}},
         {{{12, 0}, {12, 3}, {11, 3}}},
     }},
    {'L',
     {
         {{{13, 6}, {13, 3}, {14, 3}}},
         {{{14, 3}, {14, 6}, {13, 6}}},
         {{{13, 0}, {15, 0}, {15, 1}}},
         {{{13, 0}, {15, 1}, {14, 1}}},
         {{{13, 3}, {13, 0}, {14, 1}}},
         {{{14, 1}, {14, 3}, {13, 3}}},
         {{{15, 1}, {15, 0}, {16, 0}}},
         {{{16, 0}, {16, 1}, {15, 1}}},
     }},
    {'E',
     {
         {{{19, 4}, {19, 3}, {20, 3}}}, {{{20, 3}, {20, 4}, {19, 4}}}, {{{19, 6}, {19, 5}, {21, 5}}},
         {{{21, 5}, {21, 6}, {19, 6}}}, {{{17, 3}, {19, 3}, {19, 4}}}, {{{17, 3}, {19, 4}, {18, 4}}},
         {{{17, 6}, {17, 3}, {18, 4}}}, {{{17, 6}, {18, 4}, {18, 5}}}, {{{17, 6}, {18, 5}, {19, 5}}},
         {{{19, 5}, {19, 6}, {17, 6}}}, {{{17, 0}, {19, 0}, {19, 1}}}, {{{17, 0}, {19, 1}, {18, 1}}},
         {{{17, 3}, {17, 0}, {18, 1}}}, {{{17, 3}, {18, 1}, {18, 2}}}, {{{17, 3}, {18, 2}, {19, 2}}},
         {{{19, 2}, {19, 3}, {17, 3}}}, {{{19, 1}, {19, 0}, {22, 0}}}, {{{22, 0}, {22, 1}, {19, 1}}},
         {{{19, 3}, {19, 2}, {20, 2}}}, {{{20, 2}, {20, 3}, {19, 3}}},
     }},
}};

// ---------------------------------------------------------------------------
// Texture layout, in micros of texture space. One half of the texture holds
// the first copy (v above 0.5), the other its mirror image (v below 0.5).
//
// Faces are mapped at kFaceU / kFaceV texture micros per kStroke / kCapHeight
// model micros: one stroke is 0.021482 wide and the cap height 0.171855 tall.
// The front sits at the bottom edge of the texture (v grows downwards, so the
// letters stand upright in the image), the back, mirrored left to right so it
// reads correctly from behind, sits above it. Walls are unrolled letter by
// letter into ribbons at half that density (they are narrow and mostly seen
// at a slant), packed right to left in rows between the middle of the
// texture and the back face. The borders are those of the table's fixed
// rows: u from 0.001873 to 0.938582, v up to 0.998008; kGap and
// kFirstWallRowV put the top-right corner of the E's top wall, the last
// record of the table, at (0.323337, 0.528818), mirrored to 0.471182.

constexpr Micro kFaceU = 21482;           // texture u per stroke
constexpr Micro kFaceV = 171855;          // texture v per cap height
constexpr Micro kLeftU = 1873;            // left border of the face islands
constexpr Micro kRightU = 938582;         // right border of the wall rows
constexpr Micro kBaselineV = 998008;      // the front's baseline
constexpr Micro kGap = 6587;              // space between islands
constexpr Micro kFirstWallRowV = 528818;  // front edge of the row nearest the middle

// Ribbons per row, each row packed from kRightU leftwards; the rows run from
// the middle of the texture towards the back face.
const std::array<std::string, 3> kWallRows = {"IE", "LH", "F"};

// Rounded division of non-negative integers (ties away from zero).
Micro DivRound(Micro num, Micro den)
{
    return (2 * num + den) / (2 * den);
}

Micro FaceU(Micro modelX)
{
    return DivRound(modelX * kFaceU, kStroke);
}

Micro FaceV(Micro modelY)
{
    return DivRound(modelY * kFaceV, kCapHeight);
}

Micro WallU(Micro arc)
{
    return DivRound(arc * kFaceU, 2 * kStroke);
}

Micro WallV(Micro depthFromFront)
{
    return DivRound(depthFromFront * kFaceV, 2 * kCapHeight);
}

// ---------------------------------------------------------------------------
// Records and triangles.

struct Record {
    std::array<Micro, 9> v;  // pos xyz, uvw, nrm xyz
    bool operator<(const Record& o) const { return v < o.v; }
};

using Triangle = std::array<Record, 3>;

struct Point {
    Micro x, y;
    bool operator<(const Point& o) const { return std::tie(x, y) < std::tie(o.x, o.y); }
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

[[noreturn]] void Fail(const std::string& message)
{
    std::cerr << "make_warning_mesh: " << message << "\n";
    std::exit(1);
}

bool InsideLetter(const Letter& letter, Micro x2, Micro y2)
{
    // Coordinates doubled so that midpoints and centroids stay integral.
    for (const Rect& r : letter.rects)
        if (2 * r.x0 < x2 && x2 < 2 * r.x1 && 2 * r.y0 < y2 && y2 < 2 * r.y1)
            return true;
    return false;
}

// Area of the union of the rectangles, by the cells of their own grid.
Micro LetterArea(const Letter& letter)
{
    std::vector<Micro> xs, ys;
    for (const Rect& r : letter.rects) {
        xs.insert(xs.end(), {r.x0, r.x1});
        ys.insert(ys.end(), {r.y0, r.y1});
    }
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    Micro area = 0;
    for (std::size_t i = 0; i + 1 < xs.size(); ++i)
        for (std::size_t j = 0; j + 1 < ys.size(); ++j)
            if (InsideLetter(letter, xs[i] + xs[i + 1], ys[j] + ys[j + 1]))
                area += (xs[i + 1] - xs[i]) * (ys[j + 1] - ys[j]);
    return area;
}

Micro Cross(Point a, Point b, Point c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

struct FrontLetter {
    const Letter* letter;
    std::vector<std::array<Point, 3>> triangles;
};

std::vector<FrontLetter> FrontTriangles()
{
    const std::vector<Micro> xs = GridX();
    const std::vector<Micro> ys = GridY();
    if (xs.size() != 23 || ys.size() != 7)
        Fail("unexpected coordinate grid");
    std::vector<FrontLetter> out;
    for (std::size_t l = 0; l < kLetters.size(); ++l) {
        const Letter& letter = kLetters[l];
        if (kFront[l].name != letter.name)
            Fail("front table out of step with the letters");
        FrontLetter fl{&letter, {}};
        Micro doubledArea = 0;
        for (const GridTriangle& gt : kFront[l].triangles) {
            std::array<Point, 3> t;
            for (int c = 0; c < 3; ++c)
                t[c] = {xs.at(gt[c].xi), ys.at(gt[c].yi)};
            const Micro a2 = Cross(t[0], t[1], t[2]);
            if (a2 <= 0)
                Fail(std::string("clockwise or empty front triangle in ") + letter.name);
            // Centroid, tripled, must fall inside the letter.
            const Micro cx3 = t[0].x + t[1].x + t[2].x;
            const Micro cy3 = t[0].y + t[1].y + t[2].y;
            bool inside = false;
            for (const Rect& r : letter.rects)
                if (3 * r.x0 < cx3 && cx3 < 3 * r.x1 && 3 * r.y0 < cy3 && cy3 < 3 * r.y1)
                    inside = true;
            if (!inside)
                Fail(std::string("front triangle outside ") + letter.name);
            doubledArea += a2;
            fl.triangles.push_back(t);
        }
        if (doubledArea != 2 * LetterArea(letter))
            Fail(std::string("front triangles do not cover ") + letter.name);
        out.push_back(fl);
    }
    return out;
}

// One outline segment of a letter: a front edge used by a single triangle,
// directed counter-clockwise around the letter.
struct Segment {
    Point a, b;
    int nx, ny;  // outward normal
    int face;    // wall face the segment belongs to
};

struct Outline {
    const Letter* letter;
    std::vector<Segment> segments;
};

int Sign(Micro v)
{
    return (v > 0) - (v < 0);
}

Outline LetterOutline(const FrontLetter& fl, int& nextFace)
{
    std::map<std::pair<Point, Point>, int> edges;
    for (const auto& t : fl.triangles)
        for (int c = 0; c < 3; ++c)
            ++edges[{t[c], t[(c + 1) % 3]}];
    Outline out{fl.letter, {}};
    for (const auto& [edge, count] : edges) {
        if (count != 1)
            Fail("front triangles overlap");
        if (edges.count({edge.second, edge.first}) != 0)
            continue;
        const Micro dx = edge.second.x - edge.first.x;
        const Micro dy = edge.second.y - edge.first.y;
        if (dx != 0 && dy != 0)
            Fail("slanted outline segment");
        // Counter-clockwise outline: the solid is on the left, outside on the right.
        out.segments.push_back({edge.first, edge.second, Sign(dy), -Sign(dx), -1});
    }
    // Segments that continue one another on the same line with the same
    // facing form one wall face.
    for (Segment& s : out.segments) {
        if (s.face >= 0)
            continue;
        s.face = nextFace;
        for (bool grew = true; grew;) {
            grew = false;
            for (Segment& o : out.segments)
                if (o.face < 0 && o.nx == s.nx && o.ny == s.ny) {
                    for (const Segment& m : out.segments)
                        if (m.face == nextFace && (m.a == o.b || m.b == o.a)) {
                            o.face = nextFace;
                            grew = true;
                            break;
                        }
                }
        }
        ++nextFace;
    }
    return out;
}

// Length of every (face, point) along the letter's ribbon: the outline walked
// clockwise seen from the front (so the top edge reads left to right), from
// the top-left corner.
std::map<std::pair<int, Point>, Micro> RibbonArcs(const Outline& outline, Micro& perimeter)
{
    std::map<Point, const Segment*> backwards;  // clockwise: from b to a
    Point start = outline.segments.front().a;
    for (const Segment& s : outline.segments) {
        backwards[s.b] = &s;
        if (s.b.y > start.y || (s.b.y == start.y && s.b.x < start.x))
            start = s.b;
    }
    std::map<std::pair<int, Point>, Micro> arcs;
    Micro arc = 0;
    Point at = start;
    do {
        const Segment* s = backwards.at(at);
        arcs[{s->face, s->b}] = arc;
        arc += std::abs(s->a.x - s->b.x) + std::abs(s->a.y - s->b.y);
        arcs[{s->face, s->a}] = arc;
        at = s->a;
    } while (!(at == start));
    perimeter = arc;
    return arcs;
}

struct Solid {
    std::vector<Triangle> front, back, walls;
};

Record MakeRecord(Micro x, Micro y, Micro z, Micro u, Micro v, Micro nx, Micro ny, Micro nz)
{
    return {{x, y, z, u, v, 0, nx, ny, nz}};
}

Solid BuildFirstCopy()
{
    const std::vector<FrontLetter> front = FrontTriangles();
    const Micro wordMinX = LetterMinX(kLetters.front());
    const Micro wordMaxX = LetterMaxX(kLetters.back());
    const Point iCentre{LetterCentreX(kLetters[2]), kHalfHeight};

    Solid solid;
    const Micro backBaselineV = kBaselineV - FaceV(kCapHeight) - kGap;
    for (const FrontLetter& fl : front) {
        for (const auto& t : fl.triangles) {
            Triangle ft, bt;
            for (int c = 0; c < 3; ++c) {
                const Point p = t[c];
                // The centre of the I carries a normal tilted one micro
                // towards +y (in both copies). Every header the tool writes
                // contains these values, so they are kept as they are rather
                // than tidied to (0, 0, 1).
                const Micro tilt = (p == iCentre) ? 1 : 0;
                ft[c] = MakeRecord(p.x, p.y, kDepth, kLeftU + FaceU(p.x - wordMinX), kBaselineV - FaceV(p.y), 0, tilt,
                                   kOne);
                // Reversed winding: corner order 0, 2, 1.
                bt[c == 0 ? 0 : 3 - c] = MakeRecord(p.x, p.y, -kDepth, kLeftU + FaceU(wordMaxX - p.x),
                                                    backBaselineV - FaceV(p.y), 0, 0, -kOne);
            }
            solid.front.push_back(ft);
            solid.back.push_back(bt);
        }
    }

    int nextFace = 0;
    std::vector<Outline> outlines;
    for (const FrontLetter& fl : front)
        outlines.push_back(LetterOutline(fl, nextFace));

    // Ribbon placement.
    std::map<char, Micro> ribbonStartU, ribbonRowV;
    std::map<char, std::map<std::pair<int, Point>, Micro>> ribbonArcs;
    std::map<char, Micro> perimeters;
    for (const Outline& o : outlines)
        ribbonArcs[o.letter->name] = RibbonArcs(o, perimeters[o.letter->name]);
    const Micro rowPitch = WallV(2 * kDepth) + kGap;
    for (std::size_t row = 0; row < kWallRows.size(); ++row) {
        Micro right = kRightU;
        for (char name : kWallRows[row]) {
            ribbonStartU[name] = right - WallU(perimeters.at(name));
            ribbonRowV[name] = kFirstWallRowV + static_cast<Micro>(row) * rowPitch;
            right = ribbonStartU[name] - kGap;
        }
    }
    if (kFirstWallRowV + static_cast<Micro>(kWallRows.size()) * rowPitch > backBaselineV - FaceV(kCapHeight))
        Fail("wall rows run into the back face");

    // Walls, letter by letter. Within a letter the quarters are taken in the
    // order upper left, lower left, lower right, upper right, and each
    // quarter's segments from the bottom up, so the two halves of a cut face
    // lie apart in the table and the table ends on the E's top wall.
    for (const Outline& o : outlines) {
        const char name = o.letter->name;
        const Micro cx = LetterCentreX(*o.letter);
        auto quarter = [&](const Segment& s) {
            const bool upper = s.a.y + s.b.y > 2 * kHalfHeight;
            const bool right = s.a.x + s.b.x > 2 * cx;
            return upper ? (right ? 3 : 0) : (right ? 2 : 1);
        };
        std::vector<const Segment*> order;
        for (const Segment& s : o.segments)
            order.push_back(&s);
        std::sort(order.begin(), order.end(), [&](const Segment* p, const Segment* q) {
            return std::make_tuple(quarter(*p), p->a.y + p->b.y, p->a.x + p->b.x) <
                std::make_tuple(quarter(*q), q->a.y + q->b.y, q->a.x + q->b.x);
        });
        const auto& arcs = ribbonArcs.at(name);
        for (const Segment* s : order) {
            // Corners A and B such that (A back, A front, B back) is
            // counter-clockwise seen from outside: B - A runs along n x z.
            const int dx = s->ny, dy = -s->nx;
            Point a = s->a, b = s->b;
            if ((b.x - a.x) * dx + (b.y - a.y) * dy < 0)
                std::swap(a, b);
            auto wall = [&](Point p, Micro z) {
                return MakeRecord(p.x, p.y, z, ribbonStartU.at(name) + WallU(arcs.at({s->face, p})),
                                  ribbonRowV.at(name) + WallV(kDepth - z), s->nx * kOne, s->ny * kOne, 0);
            };
            const Record ab = wall(a, -kDepth), af = wall(a, kDepth);
            const Record bb = wall(b, -kDepth), bf = wall(b, kDepth);
            solid.walls.push_back({ab, af, bb});
            solid.walls.push_back({bb, af, bf});
        }
    }
    return solid;
}

// The second copy: same triangles, v mirrored about the middle of the texture.
std::vector<Triangle> Mirrored(const std::vector<Triangle>& block)
{
    std::vector<Triangle> out = block;
    for (Triangle& t : out)
        for (Record& r : t)
            r.v[4] = kOne - r.v[4];
    return out;
}

std::string Decimal(Micro m)
{
    const Micro a = m < 0 ? -m : m;
    std::string fraction = std::to_string(a % kOne);
    fraction.insert(0, 6 - fraction.size(), '0');
    return (m < 0 ? "-" : "") + std::to_string(a / kOne) + "." + fraction + "f";
}

std::string Render()
{
    const Solid first = BuildFirstCopy();
    std::vector<Triangle> all;
    for (const std::vector<Triangle>* block : {&first.front, &first.back, &first.walls}) {
        const std::vector<Triangle> second = Mirrored(*block);
        all.insert(all.end(), block->begin(), block->end());
        all.insert(all.end(), second.begin(), second.end());
    }

    std::map<Record, std::uint32_t> index;
    std::vector<Record> records;
    std::vector<std::array<std::uint32_t, 3>> triangles;
    for (const Triangle& t : all) {
        std::array<std::uint32_t, 3> tri{};
        for (int c = 0; c < 3; ++c) {
            auto [it, added] = index.emplace(t[c], static_cast<std::uint32_t>(records.size()));
            if (added)
                records.push_back(t[c]);
            tri[c] = it->second;
        }
        triangles.push_back(tri);
    }
    if (records.size() != 752 || triangles.size() != 552)
        Fail("unexpected record or triangle count: " + std::to_string(records.size()) + " / " +
             std::to_string(triangles.size()));

    std::ostringstream out;
    out << "// generated by tools/make_warning_mesh.cpp, do not edit\n"
           "\n"
           "#include \"mesh/warning_mesh.h\"\n"
           "\n"
           "namespace torvane {\n"
           "\n"
           "const WarningVertex WarningVertices[kWarningVertexCount] = {\n";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        out << "    {{" << Decimal(r.v[0]) << ", " << Decimal(r.v[1]) << ", " << Decimal(r.v[2]) << "}, {"
            << Decimal(r.v[3]) << ", " << Decimal(r.v[4]) << ", " << Decimal(r.v[5]) << "}, {" << Decimal(r.v[6])
            << ", " << Decimal(r.v[7]) << ", " << Decimal(r.v[8]) << "}},  // " << i << "\n";
    }
    out << "};\n"
           "\n"
           "const std::uint32_t WarningTriangles[kWarningTriangleCount][3] = {\n";
    for (std::size_t i = 0; i < triangles.size(); ++i)
        out << "    {" << triangles[i][0] << ", " << triangles[i][1] << ", " << triangles[i][2] << "},  // " << i
            << "\n";
    out << "};\n"
           "\n"
           "}  // namespace torvane\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv)
{
    return torvane::WriteGeneratedSource(argc, argv, "make_warning_mesh", Render);
}
