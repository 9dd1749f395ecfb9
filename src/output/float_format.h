#pragma once

#include <cstddef>

namespace torvane {

// Longest text FormatFixed6 writes: "-" + 39 integer digits + "." + 6 digits.
inline constexpr std::size_t kFixed6MaxLength = 48;

// Writes value, widened to double, exactly as printf("%.6f") prints it in the
// "C" locale (round half to even on the exact binary value, "-" for negative
// values including negative zero), without a terminator. Returns the end of
// the text. out must have room for kFixed6MaxLength characters, all of which
// may be written over, also past the returned end. Infinity and
// NaN print as std::to_chars prints them (the converter rejects such values
// before writing, so no header ever holds them).
char* FormatFixed6(float value, char* out);

}  // namespace torvane
