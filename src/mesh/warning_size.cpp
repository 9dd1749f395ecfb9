#include "mesh/warning_size.h"

#include <cmath>
#include <cstdint>

namespace torvane {
namespace {

bool IsFinite(const Float3& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The bounds hold each axis's extremes and the line where each was first
// reached, so the farthest of them is the farthest coordinate read, and of
// equals the one on the earliest line comes first in the text.
std::uint64_t LineOfFarthestCoordinate(const ModelBounds& bounds)
{
    const float extremes[6] = {bounds.min.x, bounds.min.y, bounds.min.z, bounds.max.x, bounds.max.y, bounds.max.z};
    const std::uint64_t lines[6] = {bounds.minLine.x, bounds.minLine.y, bounds.minLine.z,
                                    bounds.maxLine.x, bounds.maxLine.y, bounds.maxLine.z};
    float farthest = 0;
    std::uint64_t line = 0;
    for (int i = 0; i < 6; ++i) {
        const float distance = std::fabs(extremes[i]);
        if (lines[i] != 0 && (line == 0 || distance > farthest || (distance == farthest && lines[i] < line))) {
            farthest = distance;
            line = lines[i];
        }
    }
    return line;
}

}  // namespace

float WarningScale(const ModelBounds& bounds)
{
    const float third = 0.333333f;
    float a = std::fabs(bounds.max.x - bounds.min.x) + std::fabs(bounds.max.y - bounds.min.y);
    float b = a + std::fabs(bounds.max.z - bounds.min.z);
    float c = b * third;
    return c * 0.5f;
}

Float3 ScaledWarningPosition(const WarningVertex& record, float scale, float height)
{
    // Each product is rounded to float before the sum.
    float scaledY = record.pos[1] * scale;
    return {record.pos[0] * scale, scaledY + height, record.pos[2] * scale};
}

bool WarningFits(const ObjModel& model, std::string* error)
{
    // A model without positions gets none of the warning's.
    if (model.positions.empty())
        return true;
    const float scale = WarningScale(model.bounds);
    for (const WarningVertex& record : WarningVertices) {
        if (!IsFinite(ScaledWarningPosition(record, scale, model.bounds.max.y))) {
            const char* what = "the model is too large: the warning mesh scaled to it leaves the float range";
            std::uint64_t line = LineOfFarthestCoordinate(model.bounds);
            *error = line == 0 ? what : "line " + std::to_string(line) + ": " + what;
            return false;
        }
    }
    return true;
}

}  // namespace torvane
