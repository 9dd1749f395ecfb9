#pragma once

#include <cstdint>
#include <vector>

#include "obj/normal_generation.h"
#include "output/header_form.h"
#include "platform/platform.h"

namespace torvane {

// Converts inputs with up to jobs threads, several models at once, with
// exactly the result of converting them one after another in list order
// with the generator seeded once with seed: the same header bytes, and each
// failure printed as "torvane: NAME: REASON" in list order. Headers go
// beside their models, or into outputDirectory when that is not empty; the
// corners without a normal get one as normals asks. Returns false when any
// model failed.
bool ConvertModels(const std::vector<FileName>& inputs, const NativeString& outputDirectory, const HeaderForm& form,
                   NormalGeneration normals, std::uint32_t seed, unsigned jobs);

}  // namespace torvane
