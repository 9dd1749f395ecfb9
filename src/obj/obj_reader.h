#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "obj/normal_generation.h"
#include "obj/number_parse.h"
#include "obj/obj_model.h"
#include "obj/smoothing.h"

namespace torvane {

// The largest index of one kind that the faces use, and the line where it
// first appeared; checked against the list sizes once the whole file is read,
// since a face may name vertices that are defined further down.
struct IndexUse {
    std::int64_t largest = kAbsent;
    std::uint64_t line = 0;
};

enum class AttributeKind : std::uint8_t { kPosition, kTexcoord, kNormal };

// A coordinate that read as infinity or NaN; rare, so each is remembered
// with its line, and the file is rejected only if a face uses it.
struct NonFiniteEntry {
    AttributeKind kind;
    std::uint32_t index;
    std::uint64_t line;
};

// What a text of some size may hold at most, leaning high, for reserving
// room ahead of the entries.
struct TextEstimate {
    std::uint64_t vertexLines = 0;
    std::uint64_t distinctCorners = 0;
    std::uint64_t corners = 0;
};

// Takes each triangle as its face is read, instead of model->triangles,
// so a converter can weld a model too large to keep as a triangle list.
class TriangleSink {
public:
    virtual ~TriangleSink() = default;
    virtual void Take(const ObjTriangle& triangle) = 0;
    // Calls visit for every corner of the triangles taken (some more than
    // once), for the checks that need the whole file.
    virtual void VisitCorners(const std::function<void(const ObjCorner&)>& visit) const = 0;
    // Room for what a text is expected to bring; only saves regrowing, so
    // it may be skipped, and it may throw std::bad_alloc.
    virtual void Reserve(const TextEstimate&) { }
};

// The state of reading one OBJ text, which may arrive in pieces.
struct ObjParser {
    ObjModel* model = nullptr;
    TriangleSink* sink = nullptr;     // unset: triangles go to model->triangles
    std::uint64_t triangleCount = 0;  // read so far
    std::uint64_t line = 1;           // number of the line being read, for messages
    IndexUse uses[3];                 // by AttributeKind
    std::vector<NonFiniteEntry> nonFinite;
    std::string error;            // the first fault; reading stops there
    std::uint64_t errorLine = 0;  // where it is, 0 for the text as a whole
    bool started = false;         // the start of the text has been seen
    Smoothing smoothing;          // whether and how corners without a normal get one
    // A part read from the middle of a text knows neither how many entries
    // precede it nor the smoothing the text before it leaves, so it can
    // resolve no relative index and code no missing normal: it stops at the
    // first face that needs either, and the part is read again by the
    // parser before it.
    bool midText = false;
    bool stoppedForEarlierPart = false;
};

// Whether the parser reads no further: at a fault, or at a face it cannot
// read without the part of the text before it.
inline bool ParsingStopped(const ObjParser& parser)
{
    return !parser.error.empty() || parser.stoppedForEarlierPart;
}

// Where the line that starts at begin ends: at the first line feed or zero
// byte, or at end when there is none.
const char* FindLineEnd(const char* begin, const char* end);

// The reader reads the usual lines without checking for the end of the
// text at every byte: the text it is given is followed by kTextPadding
// bytes that it may read, the first of them a zero byte (which ends a line
// and so no usual line goes past it).
inline constexpr std::size_t kTextPadding = kPlainReadReach;

// Reads the complete lines at the start of [data, data + size) into the
// parser's model and returns how many bytes were consumed: everything up to
// and including the last line end (a line feed or a zero byte). With
// atEndOfFile the rest is read as the final line and everything is consumed.
// Stops early, consuming everything, once ParsingStopped. The text is
// padded: data[size] is 0 and kTextPadding bytes from there are readable.
std::size_t ParseObjText(ObjParser& parser, const char* data, std::size_t size, bool atEndOfFile);

// Joins what a second parser read from a later part of the same text, from
// the part's first line on, into the parser that read the text before it:
// the later part's lists are appended to the earlier's, and its line
// numbers, indices, bounds and fault moved to where they lie in the whole.
// Its triangles are left to its sink. An earlier fault stands.
void AppendLaterPart(ObjParser& earlier, ObjParser& later);

// Checks what can only be checked on the whole file: that there are faces,
// that every index lies within its list and that no face uses a coordinate
// that is not finite (asking the sink for the faces' corners, when the
// triangles went to one). Returns false with a message otherwise.
bool FinishObjParse(ObjParser& parser, std::string* error);

// Reads a whole OBJ text held in memory, coding the corners without a
// normal as normals asks.
bool ParseObj(std::string_view text, ObjModel* model, std::string* error,
              NormalGeneration normals = NormalGeneration::kNone);

}  // namespace torvane
