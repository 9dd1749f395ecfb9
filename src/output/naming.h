#pragma once

#include <string>
#include <string_view>

#include "output/header_form.h"
#include "platform/platform.h"

namespace torvane {

// Letter case as names are compared here: folded for ASCII only, so that no
// other character ever matches an ASCII letter.
template <typename Char>
constexpr Char LowerAscii(Char c)
{
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// Whether a file named on the command line is a model: its name ends in
// ".obj" in any ASCII letter case.
bool IsModelFileName(const NativeString& name);

// Whether a name the directory listing's "*.obj" pattern matched is a
// model's: only when it contains ".obj" in exactly that case, so that
// MODEL.OBJ is passed over in a folder (named on the command line it is
// converted).
bool IsListedModelName(const NativeString& name);

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

// The stem as it appears in the header: ASCII as it is; code units up to
// 0xFF as single ISO 8859-1 bytes unless spelling asks for ASCII only; all
// others as universal character names "\uXXXX", which C and C++ accept in
// identifiers and which keep the header complete.
std::string EncodeStem(std::u16string_view stem, StemSpelling spelling);

}  // namespace torvane
