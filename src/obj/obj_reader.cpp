#include "obj/obj_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

// SSE2 is part of every x86-64 processor.
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TORVANE_HAVE_SSE2 1
#else
#define TORVANE_HAVE_SSE2 0
#endif

#include "platform/large_list.h"
#include "obj/number_parse.h"

namespace torvane {
namespace {

// A token of a line: a run of bytes between single-space delimiters.
// Only the space separates tokens; a tab belongs to the token it is in.
struct Span {
    const char* begin;
    const char* end;

    bool empty() const { return begin == end; }
    std::size_t size() const { return static_cast<std::size_t>(end - begin); }
};

Span NextToken(const char*& cursor, const char* end)
{
    while (cursor != end && *cursor == ' ')
        ++cursor;
    const char* start = cursor;
    while (cursor != end && *cursor != ' ')
        ++cursor;
    return {start, cursor};
}

bool TokenIs(Span token, const char* keyword)
{
    std::size_t length = std::strlen(keyword);
    return token.size() == length && std::memcmp(token.begin, keyword, length) == 0;
}

enum class WordForm { kSingular, kPlural };

const char* KindName(AttributeKind kind, WordForm form)
{
    bool plural = form == WordForm::kPlural;
    switch (kind) {
    case AttributeKind::kPosition: return plural ? "positions" : "position";
    case AttributeKind::kTexcoord: return plural ? "texture coordinates" : "texture coordinate";
    case AttributeKind::kNormal: return plural ? "normals" : "normal";
    }
    return "";
}

LargeList<Float3>& ListOf(ObjModel& model, AttributeKind kind)
{
    switch (kind) {
    case AttributeKind::kPosition: return model.positions;
    case AttributeKind::kTexcoord: return model.texcoords;
    case AttributeKind::kNormal: return model.normals;
    }
    return model.positions;
}

void Fail(ObjParser& parser, const std::string& what)
{
    if (parser.error.empty()) {
        parser.error = what;
        parser.errorLine = parser.line;
    }
}

// Strict comparisons, so a NaN never moves a bound and of equal values the
// first one's line stays.
inline void Lower(float value, std::uint64_t line, float& bound, std::uint64_t& boundLine)
{
    if (value < bound) {
        bound = value;
        boundLine = line;
    }
}

inline void Raise(float value, std::uint64_t line, float& bound, std::uint64_t& boundLine)
{
    if (value > bound) {
        bound = value;
        boundLine = line;
    }
}

void UpdateBounds(ModelBounds& bounds, const Float3& p, std::uint64_t line)
{
    Lower(p.x, line, bounds.min.x, bounds.minLine.x);
    Raise(p.x, line, bounds.max.x, bounds.maxLine.x);
    Lower(p.y, line, bounds.min.y, bounds.minLine.y);
    Raise(p.y, line, bounds.max.y, bounds.maxLine.y);
    Lower(p.z, line, bounds.min.z, bounds.minLine.z);
    Raise(p.z, line, bounds.max.z, bounds.maxLine.z);
}

bool IsFinite(const Float3& entry)
{
    return std::isfinite(entry.x) && std::isfinite(entry.y) && std::isfinite(entry.z);
}

// Rare, so each is remembered with its line: a vertex with a coordinate
// that is infinite or NaN.
void StoreNonFiniteVertex(ObjParser& parser, AttributeKind kind, const Float3& entry)
{
    LargeList<Float3>& list = ListOf(*parser.model, kind);
    parser.nonFinite.push_back({kind, static_cast<std::uint32_t>(list.size()), parser.line});
    AppendEntry(list, entry);
    // The bounds take every position read, used or not, infinite ones too.
    if (kind == AttributeKind::kPosition)
        UpdateBounds(parser.model->bounds, entry, parser.line);
}

// A vertex of finite values, as every plainly written number is.
inline void StoreFiniteVertex(ObjParser& parser, AttributeKind kind, const Float3& entry)
{
    AppendEntry(ListOf(*parser.model, kind), entry);
    if (kind == AttributeKind::kPosition)
        UpdateBounds(parser.model->bounds, entry, parser.line);
}

void StoreVertex(ObjParser& parser, AttributeKind kind, const Float3& entry)
{
    if (!IsFinite(entry)) {
        StoreNonFiniteVertex(parser, kind, entry);
        return;
    }
    StoreFiniteVertex(parser, kind, entry);
}

// The bounds of the earlier positions and then the later ones, as if
// UpdateBounds had seen them all in that order: an axis where the later
// part had no number (all NaN) keeps its starting value, which never wins,
// and of equal values (0 and -0) the earlier stays.
void JoinBounds(ModelBounds& bounds, const ModelBounds& later, std::uint64_t offset)
{
    Lower(later.min.x, later.minLine.x + offset, bounds.min.x, bounds.minLine.x);
    Raise(later.max.x, later.maxLine.x + offset, bounds.max.x, bounds.maxLine.x);
    Lower(later.min.y, later.minLine.y + offset, bounds.min.y, bounds.minLine.y);
    Raise(later.max.y, later.maxLine.y + offset, bounds.max.y, bounds.maxLine.y);
    Lower(later.min.z, later.minLine.z + offset, bounds.min.z, bounds.minLine.z);
    Raise(later.max.z, later.maxLine.z + offset, bounds.max.z, bounds.maxLine.z);
}

void ParseVertex(ObjParser& parser, AttributeKind kind, const char* cursor, const char* end)
{
    float values[3] = {0, 0, 0};
    for (float& value : values) {
        Span token = NextToken(cursor, end);
        if (token.empty())
            break;
        value = ParseFloatPrefix(token.begin, token.end);
    }
    StoreVertex(parser, kind, {values[0], values[1], values[2]});
}

// Reads the tokens of a plain line from p, just past its keyword and the
// space after it, each with readToken(p, i): it reads token i at p and
// returns where the token ends, at a space or a line end, or nullptr for a
// token of another form. Returns the line's "\n", ending "\n" or "\r\n",
// and sets count; nullptr for more than most tokens or anything else that
// is not a plain line.
template <typename ReadToken>
inline const char* ReadPlainTokens(const char* p, int most, int& count, ReadToken readToken)
{
    for (count = 0;; ++count) {
        // No token starts with a space, a control byte or a line end, so
        // one test passes the single space that usually comes between.
        if (static_cast<unsigned char>(*p) <= ' ') {
            while (*p == ' ')
                ++p;
            p += static_cast<int>(*p == '\r' && p[1] == '\n');
            if (*p == '\n')
                return p;
            if (static_cast<unsigned char>(*p) <= ' ')
                return nullptr;
        }
        if (count == most)
            return nullptr;
        p = readToken(p, count);
        if (p == nullptr)
            return nullptr;
        p += static_cast<int>(*p == ' ');
    }
}

// Nearly every vertex line is "v", "vt" or "vn" and up to three plainly
// written numbers between spaces, ended by "\n" or "\r\n". Such a line is
// read in one pass that also finds its end, instead of a search for the end
// and then a pass over its tokens. Returns the start of the next line, or
// nullptr with nothing changed for any other line, which ParseLine reads.
// The line is in padded text (see kTextPadding), whose NUL no plain line
// takes.
const char* ParsePlainVertexLine(ObjParser& parser, const char* line)
{
    AttributeKind kind = AttributeKind::kPosition;
    const char* p = line + 2;
    if (line[1] != ' ') {
        if (line[2] != ' ' || (line[1] != 't' && line[1] != 'n'))
            return nullptr;
        kind = line[1] == 't' ? AttributeKind::kTexcoord : AttributeKind::kNormal;
        p = line + 3;
    }
    double values[3] = {0, 0, 0};
    int count = 0;
    p = ReadPlainTokens(p, 3, count, [&values](const char* q, int i) { return ParsePlainDecimal(q, &values[i]); });
    if (p == nullptr)
        return nullptr;
    StoreFiniteVertex(parser, kind,
                      {static_cast<float>(values[0]), static_cast<float>(values[1]), static_cast<float>(values[2])});
    return p + 1;
}

// A corner's index fields as written, 0 where there is none (as atoi of
// nothing): position, texture coordinate, normal.
using CornerFields = std::int64_t[3];

std::string Plural(std::uint64_t count, AttributeKind kind)
{
    return std::to_string(count) + " " + KindName(kind, count == 1 ? WordForm::kSingular : WordForm::kPlural);
}

void FailBeforeFirstEntry(ObjParser& parser, AttributeKind kind, std::int64_t field, std::uint64_t preceding)
{
    std::string entries = preceding == 0 ? std::string("no ") + KindName(kind, WordForm::kPlural) + " precede"
        : preceding == 1                 ? "only " + Plural(preceding, kind) + " precedes"
                                         : "only " + Plural(preceding, kind) + " precede";
    Fail(parser,
         "face refers to " + std::string(KindName(kind, WordForm::kSingular)) + " " + std::to_string(field) + ", but " +
             entries + " it");
}

// A relative field -k names the k-th last entry of its kind before the
// face's line: 0-based, the count so far minus k. kAbsent when the parser
// cannot resolve it or it reaches before the first entry.
std::int64_t ResolveRelative(ObjParser& parser, AttributeKind kind, std::int64_t field)
{
    if (parser.midText) {
        parser.stoppedForEarlierPart = true;
        return kAbsent;
    }
    std::uint64_t preceding = ListOf(*parser.model, kind).size();
    if (static_cast<std::uint64_t>(-field) > preceding) {
        FailBeforeFirstEntry(parser, kind, field, preceding);
        return kAbsent;
    }
    return static_cast<std::int64_t>(preceding) + field;
}

// Stores the 0-based index of a field as written: OBJ's n becomes n - 1,
// a relative -k is resolved, and a field 0 leaves the slot absent.
inline bool RecordIndex(ObjParser& parser, AttributeKind kind, std::int64_t field, std::int32_t* slot)
{
    if (field == 0)
        return true;
    std::int64_t index = field > 0 ? field - 1 : ResolveRelative(parser, kind, field);
    if (index == kAbsent)
        return false;
    IndexUse& use = parser.uses[static_cast<int>(kind)];
    if (index > use.largest) {
        use.largest = index;
        use.line = parser.line;
    }
    *slot = static_cast<std::int32_t>(index);
    return true;
}

inline bool RecordCorner(ObjParser& parser, const CornerFields& fields, ObjCorner* corner)
{
    return RecordIndex(parser, AttributeKind::kPosition, fields[0], &corner->position) &&
        RecordIndex(parser, AttributeKind::kTexcoord, fields[1], &corner->texcoord) &&
        RecordIndex(parser, AttributeKind::kNormal, fields[2], &corner->normal);
}

// A relative field of a plain corner: "-" and a short run of digits.
const char* ReadRelativePlainField(const char* p, std::int64_t& field)
{
    std::uint32_t value = 0;
    if (*p != '-' || (p = ParseShortDigits(p + 1, &value)) == nullptr)
        return nullptr;
    field = -std::int64_t{value};
    return p;
}

// A field of a plain corner: a short run of digits, "-" before it when
// relative.
inline const char* ReadPlainField(const char* p, std::int64_t& field)
{
    std::uint32_t value = 0;
    const char* end = ParseShortDigits(p, &value);
    if (end == nullptr)
        return ReadRelativePlainField(p, field);
    field = value;
    return end;
}

// Nearly every corner is "p", "p/t", "p/t/n" or "p//n" with short numbers,
// relative ("-1") in some files; reading those in one pass, without first
// cutting the token and its fields, halves the cost of a face. Returns
// where the corner's digits end; the caller checks that its token ends
// there. Anything else (plus signs, runs of slashes, long numbers, junk)
// returns nullptr, and ReadCorner reads it. The corner is in padded text
// (see kTextPadding).
inline const char* ReadPlainCorner(const char* p, CornerFields& fields)
{
    fields[1] = fields[2] = 0;
    p = ReadPlainField(p, fields[0]);
    if (p == nullptr || *p != '/')
        return p;
    ++p;
    if (*p != '/') {
        p = ReadPlainField(p, fields[1]);
        if (p == nullptr || *p != '/')
            return p;
    }
    return ReadPlainField(p + 1, fields[2]);
}

// Any corner token: split on slashes, a run of slashes never giving an
// empty field; a slash right after the one that ended a field marks an
// empty field ("p//n"), whose slot is passed over. Each field is read as
// atoi reads it; fields after the third are ignored.
void ReadCorner(Span token, CornerFields& fields)
{
    fields[0] = fields[1] = fields[2] = 0;
    const char* cursor = token.begin;
    int slot = 0;
    while (slot < 3) {
        while (cursor != token.end && *cursor == '/')
            ++cursor;
        if (cursor == token.end)
            break;
        const char* field = cursor;
        while (cursor != token.end && *cursor != '/')
            ++cursor;
        fields[slot++] = ParseIntPrefix(field, cursor);
        if (cursor != token.end) {
            ++cursor;
            if (cursor != token.end && *cursor == '/')
                ++slot;
        }
    }
}

// Reads the corner token at cursor and moves past it: the usual forms
// quickly, any other by the general reader.
bool ReadFaceCorner(ObjParser& parser, const char*& cursor, const char* end, ObjCorner* corner)
{
    CornerFields fields;
    const char* p = ReadPlainCorner(cursor, fields);
    // The line's carriage return ends the last field as atoi ends there.
    if (p != nullptr && p != end && *p == '\r' && (p + 1 == end || p[1] == ' '))
        ++p;
    if (p != nullptr && (p == end || *p == ' '))
        cursor = p;
    else
        ReadCorner(NextToken(cursor, end), fields);
    return RecordCorner(parser, fields, corner);
}

void TakeTriangle(ObjParser& parser, const ObjTriangle& triangle)
{
    ++parser.triangleCount;
    if (parser.sink)
        parser.sink->Take(triangle);
    else
        AppendEntry(parser.model->triangles, triangle);
}

// The corners without a normal get the code of the triangle's shading here,
// once per triangle, so that reading a corner costs the same whether or not
// normals are generated.
void TakeCodedTriangle(ObjParser& parser, ObjTriangle triangle)
{
    if (parser.midText) {
        parser.stoppedForEarlierPart = true;
        return;
    }
    std::string error;
    if (!CodeMissingNormals(parser.smoothing, triangle, &error)) {
        Fail(parser, error);
        return;
    }
    TakeTriangle(parser, triangle);
}

inline void EmitTriangle(ObjParser& parser, const ObjTriangle& triangle)
{
    if (GeneratesNormals(parser.smoothing.generation))
        TakeCodedTriangle(parser, triangle);
    else
        TakeTriangle(parser, triangle);
}

void TakeSmoothing(ObjParser& parser, const char* cursor, const char* end)
{
    std::string error;
    if (!TakeSmoothingLine(parser.smoothing, cursor, end, &error))
        Fail(parser, error);
}

// Faces of more than three corners become a fan around the first corner:
// (0, 1, 2), (0, 2, 3), (0, 3, 4), ...; a quad thus splits along the diagonal
// from its first corner to its third.
void ParseFace(ObjParser& parser, const char* cursor, const char* end)
{
    ObjCorner first, previous;
    std::uint64_t count = 0;
    for (;;) {
        while (cursor != end && *cursor == ' ')
            ++cursor;
        // A space before the line's carriage return leaves a token "\r".
        if (cursor == end || *cursor == '\r')
            break;
        ObjCorner corner;
        if (!ReadFaceCorner(parser, cursor, end, &corner))
            return;
        ++count;
        if (corner.position == kAbsent) {
            Fail(parser, "face corner " + std::to_string(count) + " has no position index");
            return;
        }
        if (count == 1)
            first = corner;
        else if (count >= 3)
            EmitTriangle(parser, {{first, previous, corner}});
        previous = corner;
    }
    if (count < 3)
        Fail(parser,
             "face has " + std::to_string(count) + (count == 1 ? " corner" : " corners") +
                 ", but a face needs at least 3");
}

// The usual face line: "f" and three or four simple corners between
// spaces, ended by "\n" or "\r\n". Read in one pass that also finds the
// line's end, like a plain vertex line; returns the start of the next line,
// or nullptr with nothing changed for any other line (faults included,
// which ParseFace reports).
const char* ParsePlainFaceLine(ObjParser& parser, const char* line)
{
    constexpr int kMostCorners = 4;
    if (line[1] != ' ')
        return nullptr;
    CornerFields fields[kMostCorners];
    int count = 0;
    const char* p = ReadPlainTokens(line + 2, kMostCorners, count, [&fields](const char* q, int i) {
        q = ReadPlainCorner(q, fields[i]);
        return q != nullptr && EndsPlainToken(*q) && fields[i][0] != 0 ? q : nullptr;
    });
    if (p == nullptr || count < 3)
        return nullptr;
    ObjCorner corners[kMostCorners];
    for (int i = 0; i < count; ++i) {
        if (!RecordCorner(parser, fields[i], &corners[i]))
            return p + 1;
    }
    for (int i = 2; i < count; ++i)
        EmitTriangle(parser, {{corners[0], corners[i - 1], corners[i]}});
    return p + 1;
}

// Lines of the usual forms, read in one pass; nullptr for any other line.
const char* ParsePlainLine(ObjParser& parser, const char* line)
{
    if (*line == 'v')
        return ParsePlainVertexLine(parser, line);
    if (*line == 'f')
        return ParsePlainFaceLine(parser, line);
    return nullptr;
}

void ParseLine(ObjParser& parser, const char* cursor, const char* end)
{
    Span keyword = NextToken(cursor, end);
    if (keyword.empty())
        return;
    if (TokenIs(keyword, "v"))
        ParseVertex(parser, AttributeKind::kPosition, cursor, end);
    else if (TokenIs(keyword, "vt"))
        ParseVertex(parser, AttributeKind::kTexcoord, cursor, end);
    else if (TokenIs(keyword, "vn"))
        ParseVertex(parser, AttributeKind::kNormal, cursor, end);
    else if (TokenIs(keyword, "f"))
        ParseFace(parser, cursor, end);
    else if (TokenIs(keyword, "s"))
        TakeSmoothing(parser, cursor, end);
}

bool CheckIndexRanges(const ObjParser& parser, std::string* error)
{
    for (AttributeKind kind : {AttributeKind::kPosition, AttributeKind::kTexcoord, AttributeKind::kNormal}) {
        const IndexUse& use = parser.uses[static_cast<int>(kind)];
        std::size_t defined = ListOf(*parser.model, kind).size();
        if (use.largest != kAbsent && static_cast<std::uint64_t>(use.largest) >= defined) {
            *error = "line " + std::to_string(use.line) + ": face refers to " + KindName(kind, WordForm::kSingular) +
                " " + std::to_string(use.largest + 1) + ", but the file defines " + Plural(defined, kind);
            return false;
        }
    }
    return true;
}

// A normal still to be generated names no entry: only indices of 0 and up
// are marked.
void MarkUsed(const ObjCorner& corner, std::vector<bool> (&used)[3])
{
    std::int32_t indices[3] = {corner.position, corner.texcoord, corner.normal};
    for (int kind = 0; kind < 3; ++kind) {
        if (indices[kind] >= 0)
            used[kind][static_cast<std::size_t>(indices[kind])] = true;
    }
}

// Only values that a face uses reach the header, so only those are refused.
bool CheckUsedValuesFinite(const ObjParser& parser, std::string* error)
{
    if (parser.nonFinite.empty())
        return true;
    const ObjModel& model = *parser.model;
    std::vector<bool> used[3] = {std::vector<bool>(model.positions.size()), std::vector<bool>(model.texcoords.size()),
                                 std::vector<bool>(model.normals.size())};
    if (parser.sink) {
        parser.sink->VisitCorners([&used](const ObjCorner& corner) { MarkUsed(corner, used); });
    } else {
        for (const ObjTriangle& triangle : model.triangles) {
            for (const ObjCorner& corner : triangle.corners)
                MarkUsed(corner, used);
        }
    }
    for (const NonFiniteEntry& entry : parser.nonFinite) {
        if (used[static_cast<int>(entry.kind)][entry.index]) {
            *error = "line " + std::to_string(entry.line) + ": " + KindName(entry.kind, WordForm::kSingular) +
                " is not a finite number";
            return false;
        }
    }
    return true;
}

// Read byte by byte, UTF-16 text splits into one-character lines at its
// zero bytes and fails in puzzling ways; say what it is instead.
bool StartsAsUtf16(const char* data, std::size_t size)
{
    return size >= 2 && ((data[0] == '\xFE' && data[1] == '\xFF') || (data[0] == '\xFF' && data[1] == '\xFE'));
}

}  // namespace

// A line ends at a line feed or at a zero byte, whichever comes first.
// Lines are short, so a library search per line costs more in calls than in
// scanning; sixteen bytes are tested at a time instead where the processor
// has the instructions for it, else eight, each byte once.
const char* FindLineEnd(const char* begin, const char* end)
{
    const char* cursor = begin;
#if TORVANE_HAVE_SSE2
    const __m128i feeds = _mm_set1_epi8('\n');
    const __m128i zeros = _mm_setzero_si128();
    while (end - cursor >= 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cursor));
        int ends = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, feeds), _mm_cmpeq_epi8(bytes, zeros)));
        if (ends != 0)
            return cursor + std::countr_zero(static_cast<unsigned>(ends));
        cursor += 16;
    }
#endif
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    while (end - cursor >= 8) {
        std::uint64_t word;
        std::memcpy(&word, cursor, sizeof word);
        std::uint64_t feeds = word ^ (kOnes * '\n');
        // Nonzero exactly when some byte of word is zero or a line feed.
        if ((((word - kOnes) & ~word) | ((feeds - kOnes) & ~feeds)) & kHighBits)
            break;
        cursor += 8;
    }
    while (cursor != end && *cursor != '\n' && *cursor != '\0')
        ++cursor;
    return cursor;
}

std::size_t ParseObjText(ObjParser& parser, const char* data, std::size_t size, bool atEndOfFile)
{
    if (!parser.started && (size >= 2 || atEndOfFile)) {
        parser.started = true;
        if (StartsAsUtf16(data, size)) {
            parser.error = "the file is UTF-16 text; save it as ASCII or UTF-8";
            return size;
        }
    }
    const char* cursor = data;
    const char* end = data + size;
    while (cursor != end && !ParsingStopped(parser)) {
        if (const char* next = ParsePlainLine(parser, cursor)) {
            ++parser.line;
            cursor = next;
            continue;
        }
        const char* lineEnd = FindLineEnd(cursor, end);
        if (lineEnd == end && !atEndOfFile)
            return static_cast<std::size_t>(cursor - data);
        ParseLine(parser, cursor, lineEnd);
        if (lineEnd == end)
            break;
        if (*lineEnd == '\n')
            ++parser.line;
        cursor = lineEnd + 1;
    }
    return size;
}

void AppendLaterPart(ObjParser& earlier, ObjParser& later)
{
    ObjModel& model = *earlier.model;
    ObjModel& part = *later.model;
    std::uint64_t lineOffset = earlier.line - 1;
    std::size_t sizes[3] = {model.positions.size(), model.texcoords.size(), model.normals.size()};
    for (NonFiniteEntry entry : later.nonFinite) {
        entry.index += static_cast<std::uint32_t>(sizes[static_cast<int>(entry.kind)]);
        entry.line += lineOffset;
        earlier.nonFinite.push_back(entry);
    }
    JoinBounds(model.bounds, part.bounds, lineOffset);
    for (AttributeKind kind : {AttributeKind::kPosition, AttributeKind::kTexcoord, AttributeKind::kNormal}) {
        Concatenate(ListOf(model, kind), ListOf(part, kind));
        IndexUse& use = earlier.uses[static_cast<int>(kind)];
        const IndexUse& laterUse = later.uses[static_cast<int>(kind)];
        if (laterUse.largest > use.largest)
            use = {laterUse.largest, laterUse.line + lineOffset};
    }
    earlier.triangleCount += later.triangleCount;
    if (earlier.error.empty() && !later.error.empty()) {
        earlier.error = later.error;
        earlier.errorLine = later.errorLine == 0 ? 0 : later.errorLine + lineOffset;
    }
    earlier.line += later.line - 1;
}

bool FinishObjParse(ObjParser& parser, std::string* error)
{
    if (!parser.error.empty()) {
        *error =
            parser.errorLine == 0 ? parser.error : "line " + std::to_string(parser.errorLine) + ": " + parser.error;
        return false;
    }
    if (parser.triangleCount == 0) {
        *error = "no faces";
        return false;
    }
    return CheckIndexRanges(parser, error) && CheckUsedValuesFinite(parser, error);
}

bool ParseObj(std::string_view text, ObjModel* model, std::string* error, NormalGeneration normals)
{
    ObjParser parser;
    parser.model = model;
    parser.smoothing.generation = normals;
    // A copy gives the text the zeros after it that the reader reads.
    LargeList<char> padded(text.size() + kTextPadding);
    std::copy(text.begin(), text.end(), padded.begin());
    ParseObjText(parser, padded.data(), text.size(), true);
    return FinishObjParse(parser, error);
}

}  // namespace torvane
