#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace torvane {

// Makes text into a C identifier of letters, digits and "_": every code unit
// that is not a letter or digit becomes "_", and "_" is put in front when the
// first unit is not a letter. Each UTF-16 code unit is classified on its own.
std::u16string MakeIdentifier(std::u16string_view text);

// The header's path: the input's path without its last four code units
// (".obj", whatever their case) and with ".h" instead; with an output
// directory, the header of that name inside it.
NativeString HeaderPathFor(const NativeString& inputPath, const NativeString& outputDirectory = {});

// The identifier stem of a model: MakeIdentifier of the file's own name
// without its last four code units.
std::u16string IdentifierStemFor(const FileName& input);

}  // namespace torvane
