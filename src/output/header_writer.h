#pragma once

#include <string>
#include <string_view>

#include "mesh/weld.h"
#include "output/buffered_writer.h"
#include "output/header_form.h"

namespace torvane {

// Writes the header for mesh, with CR LF line ends: the banner, then in the
// interleaved layout the OBJ_VERT declaration and one array of records, in
// the other one array of three floats per attribute; then the index array.
// Names derive from stem. Texture coordinates and normals appear only when
// those lists are not empty; they must then be as long as the positions.
// Rows are formatted on formattingThreads threads, as the caller planned. Flushes the writer
// and returns false, with writer.error set, when a write failed.
bool WriteHeader(const WeldedMesh& mesh, std::u16string_view stem, const HeaderForm& form, unsigned formattingThreads,
                 BufferedWriter& writer);

// The same header for a mesh welded but not yet gathered: vertex k's values
// are looked up through welded.keys[k] in the model's lists as its row is
// written, flipped and defaulted as WeldCorners would have done.
bool WriteHeader(const ObjModel& model, const CornerWelder& welded, std::u16string_view stem, const HeaderForm& form,
                 unsigned formattingThreads, BufferedWriter& writer);

}  // namespace torvane
