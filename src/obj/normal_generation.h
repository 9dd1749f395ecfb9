#pragma once

#include <cstdint>

#include "obj/obj_model.h"

namespace torvane {

// Which normal a face corner without a normal index is given: none (the
// model's normals are written as read), one by the model's smoothing groups
// (`s` lines), one smoothed over the whole model, or its triangle's own.
// Corners with a normal index keep theirs in every way.
enum class NormalGeneration { kNone, kAuto, kSmooth, kFlat };

inline bool GeneratesNormals(NormalGeneration generation)
{
    return generation != NormalGeneration::kNone;
}

// Until the model is welded, a corner whose normal is to be generated
// carries a code in its normal slot instead of an index, so that a generated
// normal is part of a vertex's identity as a read one is: corners at one
// position in one smoothing group weld into one vertex, corners of two flat
// triangles never do. The codes lie below kAbsent and take turns: smoothing
// group g (numbered from 0 in order of first use) is -2 - 2g, flat triangle t
// (numbered from 0 among the flat ones) is -3 - 2t. Codes name nothing in the
// model's lists; the generated normals replace them once the mesh is welded
// (mesh/generated_normals.h).
//
// Each kind has room for this many (numbers 0 to kMostNormalCodes - 1),
// which keeps every code within int32.
inline constexpr std::uint32_t kMostNormalCodes = (std::uint32_t{1} << 30) - 1;

inline std::int32_t SmoothGroupCode(std::uint32_t group)
{
    return static_cast<std::int32_t>(-2 - 2 * std::int64_t{group});
}

inline std::int32_t FlatTriangleCode(std::uint32_t triangle)
{
    return static_cast<std::int32_t>(-3 - 2 * std::int64_t{triangle});
}

inline bool IsNormalCode(std::int32_t normal)
{
    return normal < kAbsent;
}

}  // namespace torvane
