#include "obj/smoothing.h"

#include "obj/number_parse.h"

namespace torvane {
namespace {

std::string TooMany(const char* what)
{
    return std::string("too many ") + what + " for generated normals: at most " + std::to_string(kMostNormalCodes);
}

bool ShadesFlat(const Smoothing& smoothing)
{
    return smoothing.generation == NormalGeneration::kFlat ||
        (smoothing.generation == NormalGeneration::kAuto && smoothing.flat);
}

}  // namespace

bool TakeSmoothingLine(Smoothing& smoothing, const char* begin, const char* end, std::string* error)
{
    if (smoothing.generation != NormalGeneration::kAuto)
        return true;
    // atoi reads "off" as 0, which says the same.
    const std::int32_t number = ParseIntPrefix(begin, end);
    smoothing.flat = number == 0;
    if (smoothing.flat)
        return true;
    auto found = smoothing.groups.find(number);
    if (found != smoothing.groups.end()) {
        smoothing.group = found->second;
        return true;
    }
    if (smoothing.groupsNumbered == kMostNormalCodes) {
        *error = TooMany("smoothing groups");
        return false;
    }
    smoothing.group = smoothing.groupsNumbered++;
    smoothing.groups.emplace(number, smoothing.group);
    return true;
}

bool CodeMissingNormals(Smoothing& smoothing, ObjTriangle& triangle, std::string* error)
{
    std::int32_t code = SmoothGroupCode(0);
    if (ShadesFlat(smoothing)) {
        if (smoothing.flatTriangles == kMostNormalCodes) {
            *error = TooMany("flat triangles");
            return false;
        }
        code = FlatTriangleCode(smoothing.flatTriangles++);
    } else if (smoothing.generation == NormalGeneration::kAuto) {
        code = SmoothGroupCode(smoothing.group);
    }
    for (ObjCorner& corner : triangle.corners) {
        if (corner.normal == kAbsent)
            corner.normal = code;
    }
    return true;
}

}  // namespace torvane
