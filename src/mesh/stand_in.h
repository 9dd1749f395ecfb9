#pragma once

#include <cstdint>

#include "obj/obj_model.h"

namespace torvane {

// A model's first triangles are welded together with the warning's before
// the model's lists are complete, so before the warning's records have
// indices. Record r of the warning then stands in as the key
// (-2 - r, -2 - r, -2 - r): every corner of a model has a position index of
// 0 or more, so no stand-in is ever welded to a model's corner, and kAbsent
// keeps its meaning. The stand-ins are replaced once the records are
// appended; nothing outside the welding sees them.
inline ObjCorner StandInKey(std::uint32_t record)
{
    const std::int32_t index = -2 - static_cast<std::int32_t>(record);
    return {index, index, index};
}

inline bool IsStandIn(const ObjCorner& key)
{
    return key.position < kAbsent;
}

// The warning record that a stand-in key stands in for.
inline std::uint32_t StandInRecord(const ObjCorner& key)
{
    return static_cast<std::uint32_t>(-2 - key.position);
}

}  // namespace torvane
