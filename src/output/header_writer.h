#pragma once

#include <string>
#include <string_view>

#include "mesh/weld.h"
#include "output/buffered_writer.h"

namespace torvane {

// The stem as it appears in the header: code units up to 0xFF as single
// ISO 8859-1 bytes, higher ones as universal character names "\uXXXX", which
// C and C++ accept in identifiers and which keep the header complete.
std::string EncodeStem(std::u16string_view stem);

// Writes the header for mesh: the banner, the OBJ_VERT declaration and the
// vertex and index arrays named after stem, with CR LF line ends. Rows of
// texture coordinates and normals appear only when those lists are not
// empty; they must then be as long as the positions. Rows are formatted on
// up to formattingThreads threads. Flushes the writer and returns false,
// with writer.error set, when a write failed.
bool WriteHeader(const WeldedMesh& mesh, std::u16string_view stem, unsigned formattingThreads,
                 BufferedWriter& writer);

// The same header for a mesh welded but not yet gathered: vertex k's values
// are looked up through welded.keys[k] in the model's lists as its row is
// written, flipped and defaulted as WeldCorners would have done.
bool WriteHeader(const ObjModel& model, const CornerWelder& welded, std::u16string_view stem,
                 unsigned formattingThreads, BufferedWriter& writer);

}  // namespace torvane
