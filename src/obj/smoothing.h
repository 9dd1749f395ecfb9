#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "obj/normal_generation.h"
#include "obj/obj_model.h"

namespace torvane {

// What the reader needs to give the corners without a normal index their
// code (obj/normal_generation.h): the way asked for and the state that the
// `s` lines read so far leave.
//
// By the model's groups, `s N` puts the faces after it into group N and
// `s off` or `s 0` makes them flat. Faces before the first `s` line belong
// to a group of their own, the model's default group, so a model without
// any `s` line is smoothed whole.
struct Smoothing {
    NormalGeneration generation = NormalGeneration::kNone;
    bool flat = false;                             // after `s off` or `s 0`
    std::uint32_t group = 0;                       // the current one; 0 is the default group
    std::map<std::int32_t, std::uint32_t> groups;  // by the number its `s` lines give it
    std::uint32_t groupsNumbered = 1;              // the default group and those in groups
    std::uint32_t flatTriangles = 0;               // flat triangles coded so far
};

// Takes an `s` line, [begin, end) being what follows its keyword: "off", or
// a number as atoi reads it. Only the smoothing by the model's groups heeds
// it. False with error set when the model has more groups than there are
// codes.
bool TakeSmoothingLine(Smoothing& smoothing, const char* begin, const char* end, std::string* error);

// Puts the code of the triangle's shading into each of its corners that has
// no normal index. False with error set when the model has more flat
// triangles than there are codes.
bool CodeMissingNormals(Smoothing& smoothing, ObjTriangle& triangle, std::string* error);

}  // namespace torvane
