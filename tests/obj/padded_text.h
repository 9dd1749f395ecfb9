#pragma once

#include <string>

#include "obj/obj_reader.h"

namespace torvane::testing {

// A text as ParseObjText takes it: followed by the padding it may read.
inline std::string Padded(const std::string& text)
{
    return text + std::string(kTextPadding, '\0');
}

}  // namespace torvane::testing
