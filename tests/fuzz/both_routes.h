#pragma once

// A text converted by both routes the converter has: whole in memory, and
// streamed in small pieces with its second half read on a thread of its
// own (however short the text). Both must give the same header bytes, or
// the same message, in either layout; and the non-interleaved header must
// be the interleaved one de-interleaved.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "driver/conversion.h"
#include "fuzz/deinterleave.h"
#include "output/header_writer.h"

namespace torvane::testing {

struct PiecewiseText {
    std::string_view text;
    std::size_t offset = 0;
};

inline std::int64_t ReadPiece(void* context, char* buffer, std::size_t capacity, std::string*)
{
    constexpr std::size_t kPiece = 1000;
    auto& source = *static_cast<PiecewiseText*>(context);
    std::size_t count = std::min({capacity, kPiece, source.text.size() - source.offset});
    std::memcpy(buffer, source.text.data() + source.offset, count);
    source.offset += count;
    return static_cast<std::int64_t>(count);
}

inline std::int64_t ReadPieceAt(void* context, std::uint64_t offset, char* buffer, std::size_t capacity,
                                std::string* error)
{
    auto& source = *static_cast<PiecewiseText*>(context);
    source.offset = static_cast<std::size_t>(std::min<std::uint64_t>(offset, source.text.size()));
    return ReadPiece(context, buffer, capacity, error);
}

// The header, or "error: " and the message.
inline std::string ConvertWhole(std::string_view text, const HeaderForm& form = {})
{
    Random random;
    SeedRandom(random, 1);
    StringSink sink;
    std::string error;
    return ConvertObjText(text, u"m", form, random, sink, &error) ? sink.bytes : "error: " + error;
}

inline std::string ConvertInHalves(std::string_view text, const HeaderForm& form = {})
{
    Random random;
    SeedRandom(random, 1);
    PiecewiseText first{text};
    PiecewiseText second{text};
    OffsetSource halves{&ReadPieceAt, &second, 0};
    StreamedModel streamed;
    std::string error;
    if (!ReadAndWeld({&ReadPiece, &first, text.size()}, random, &streamed, &error, &halves))
        return "error: " + error;
    StringSink sink;
    BufferedWriter writer = MakeBufferedWriter(sink);
    WriteHeader(streamed.model, streamed.welded, u"m", form, 2, writer);
    return sink.bytes;
}

inline bool BothRoutesAgree(std::string_view text)
{
    std::string interleaved = ConvertWhole(text);
    if (interleaved != ConvertInHalves(text))
        return false;
    HeaderForm separate{VertexLayout::kNonInterleaved, StemSpelling::kAscii};
    std::string nonInterleaved = ConvertWhole(text, separate);
    if (nonInterleaved != ConvertInHalves(text, separate))
        return false;
    bool refused = interleaved.rfind("error: ", 0) == 0;
    return refused ? nonInterleaved == interleaved : nonInterleaved == Deinterleave(interleaved);
}

}  // namespace torvane::testing
