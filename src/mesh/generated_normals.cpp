#include "mesh/generated_normals.h"

#include <cmath>
#include <cstdint>

#include "mesh/portable_angle.h"
#include "obj/normal_generation.h"
#include "platform/large_list.h"

namespace torvane {
namespace {

constexpr std::uint32_t kOwnNormal = ~std::uint32_t{0};

// Sums are taken in double from the floats read, each step one IEEE
// operation (-ffp-contract=off keeps them apart, sqrt is correctly rounded,
// the angle is computed from those alone), so the bits come out the same
// on every platform; and no product of float coordinates overflows or
// vanishes in double.
struct Vector {
    double x = 0;
    double y = 0;
    double z = 0;
};

Vector Minus(const Float3& a, const Float3& b)
{
    return {double{a.x} - double{b.x}, double{a.y} - double{b.y}, double{a.z} - double{b.z}};
}

Vector Cross(const Vector& u, const Vector& v)
{
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

double Dot(const Vector& u, const Vector& v)
{
    return u.x * v.x + u.y * v.y + u.z * v.z;
}

void AddScaled(Vector& sum, double weight, const Vector& v)
{
    sum.x += weight * v.x;
    sum.y += weight * v.y;
    sum.z += weight * v.z;
}

// What a triangle gives each of its corners: its unit normal, by the
// right-hand rule over its corners in order, weighted by the corner's
// angle. Weighting by angle makes a vertex's normal independent of how the
// faces around it are cut into triangles (a cube's corner gets the diagonal
// whichever way its quads were split), which weighting by area is not; CAD
// models, whose long thin triangles fan out from a few points, show it most.
// A degenerate triangle has no normal and gives nothing.
struct CornerWeights {
    Vector unitNormal;
    double angles[3] = {0, 0, 0};
};

CornerWeights WeighCorners(const Float3& a, const Float3& b, const Float3& c)
{
    CornerWeights weights;
    const Vector ab = Minus(b, a), ac = Minus(c, a), bc = Minus(c, b);
    const Vector normal = Cross(ab, ac);
    // Twice the area, and so the length of the cross product of any two of
    // its edges: the sine part of every corner's angle.
    const double doubleArea = std::sqrt(Dot(normal, normal));
    if (!(doubleArea > 0))
        return weights;
    weights.unitNormal = {normal.x / doubleArea, normal.y / doubleArea, normal.z / doubleArea};
    // The widest angle, opposite the longest edge, is what the other two
    // leave of pi: at least pi / 3, it loses nothing to the subtraction,
    // and a third of the angles cost nothing.
    const double facing[3] = {Dot(bc, bc), Dot(ac, ac), Dot(ab, ab)};
    const double dots[3] = {Dot(ab, ac), -Dot(ab, bc), Dot(ac, bc)};
    const int widest = facing[0] >= facing[1] ? (facing[0] >= facing[2] ? 0 : 2) : (facing[1] >= facing[2] ? 1 : 2);
    const int first = (widest + 1) % 3, second = (widest + 2) % 3;
    weights.angles[first] = PortableAngle(doubleArea, dots[first]);
    weights.angles[second] = PortableAngle(doubleArea, dots[second]);
    weights.angles[widest] = kPi - weights.angles[first] - weights.angles[second];
    return weights;
}

Float3 UnitLength(const Vector& sum)
{
    const double length = std::sqrt(sum.x * sum.x + sum.y * sum.y + sum.z * sum.z);
    if (!(length > 0))
        return {};
    return {static_cast<float>(sum.x / length), static_cast<float>(sum.y / length), static_cast<float>(sum.z / length)};
}

// Which generated normal each vertex takes (kOwnNormal for one with a normal
// index): one for each distinct (position, code), numbered by the first
// vertex to take it. The pairs are welded as corners are, so that many codes
// at one position cost no more than they do there.
LargeList<std::uint32_t> ShareNormals(const ObjModel& model, const CornerWelder& welder, std::size_t* count)
{
    CornerWelder shares;
    ReserveWelder(shares, model.positions.size(), welder.keys.size(), 0);
    LargeList<std::uint32_t> shareOf(welder.keys.size(), kOwnNormal);
    for (std::size_t vertex = 0; vertex < welder.keys.size(); ++vertex) {
        const ObjCorner& key = welder.keys[vertex];
        if (IsNormalCode(key.normal))
            shareOf[vertex] = WeldCorner(shares, {key.position, kAbsent, key.normal});
    }
    *count = shares.keys.size();
    return shareOf;
}

LargeList<Vector> SumFaceNormals(const ObjModel& model, const CornerWelder& welder,
                                 const LargeList<std::uint32_t>& shareOf, std::size_t count)
{
    LargeList<Vector> sums(count);
    const LargeList<std::uint32_t>& indices = welder.indices;
    auto position = [&](std::uint32_t vertex) {
        return model.positions[static_cast<std::size_t>(welder.keys[vertex].position)];
    };
    for (std::size_t first = 0; first + 2 < indices.size(); first += 3) {
        const std::uint32_t corners[3] = {indices[first], indices[first + 1], indices[first + 2]};
        if (shareOf[corners[0]] == kOwnNormal && shareOf[corners[1]] == kOwnNormal && shareOf[corners[2]] == kOwnNormal)
            continue;
        const CornerWeights weights = WeighCorners(position(corners[0]), position(corners[1]), position(corners[2]));
        for (int corner = 0; corner < 3; ++corner) {
            if (shareOf[corners[corner]] != kOwnNormal)
                AddScaled(sums[shareOf[corners[corner]]], weights.angles[corner], weights.unitNormal);
        }
    }
    return sums;
}

}  // namespace

bool GenerateNormals(ObjModel& model, CornerWelder& welder, std::string* error)
{
    std::size_t count = 0;
    const LargeList<std::uint32_t> shareOf = ShareNormals(model, welder, &count);
    constexpr std::size_t kMostNormals = std::size_t{INT32_MAX} + 1;
    const std::size_t base = model.normals.size();
    if (count > kMostNormals - base) {
        *error = "too many normals to generate: " + std::to_string(count) + " with the " + std::to_string(base) +
            " read pass the largest normal index";
        return false;
    }
    const LargeList<Vector> sums = SumFaceNormals(model, welder, shareOf, count);
    model.normals.reserve(base + count);
    for (const Vector& sum : sums)
        model.normals.push_back(UnitLength(sum));
    for (std::size_t vertex = 0; vertex < welder.keys.size(); ++vertex) {
        if (shareOf[vertex] != kOwnNormal)
            welder.keys[vertex].normal = static_cast<std::int32_t>(base + shareOf[vertex]);
    }
    welder.anyNormal = welder.anyNormal || count > 0;
    return true;
}

}  // namespace torvane
