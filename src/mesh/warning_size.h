#pragma once

#include <string>

#include "mesh/warning_mesh.h"
#include "obj/obj_model.h"

namespace torvane {

// The warning's scale for a model: half the mean extent of its bounds,
// computed in float in a fixed order so every platform gets the same bits.
float WarningScale(const ModelBounds& bounds);

// Where record's position goes in the warning scaled by scale and raised to
// height (the model's highest point).
Float3 ScaledWarningPosition(const WarningVertex& record, float scale, float height);

// Whether the warning scaled to the model stays in the float range; if not,
// error says that the model is too large, naming the line of its coordinate
// farthest from zero. Every model whose coordinates all lie within an eighth
// of the float range fits: the warning's own coordinates lie within 1 of
// zero, and its scale and every sum on the way stay within six times the
// model's largest coordinate. Holds before and after the merge alike.
bool WarningFits(const ObjModel& model, std::string* error);

}  // namespace torvane
