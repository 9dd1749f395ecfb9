#pragma once

// A text converted by both routes the converter has: whole in memory, and
// streamed in small pieces with its second half read on a thread of its
// own (however short the text). Both must give the same header bytes, or
// the same message, in either layout and with normals generated or not;
// and the non-interleaved header must be the interleaved one de-interleaved.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "driver/streaming_conversion.h"
#include "driver/text_conversion.h"
#include "fuzz/deinterleave.h"
#include "output/header_writer.h"
#include "string_sink.h"

namespace torvane::testing {

struct PiecewiseText final : ByteSource, OffsetSource {
    explicit PiecewiseText(std::string_view text) : text(text) { }

    std::int64_t Read(char* buffer, std::size_t capacity, std::string*) override
    {
        constexpr std::size_t kPiece = 1000;
        std::size_t count = std::min({capacity, kPiece, text.size() - offset});
        std::memcpy(buffer, text.data() + offset, count);
        offset += count;
        return static_cast<std::int64_t>(count);
    }

    std::int64_t ReadAt(std::uint64_t from, char* buffer, std::size_t capacity, std::string* error) override
    {
        offset = static_cast<std::size_t>(std::min<std::uint64_t>(from, text.size()));
        return Read(buffer, capacity, error);
    }

    std::string_view text;
    std::size_t offset = 0;
};

// The header, or "error: " and the message.
inline std::string ConvertWhole(std::string_view text, const HeaderForm& form = {},
                                NormalGeneration normals = NormalGeneration::kNone)
{
    Random random;
    SeedRandom(random, 1);
    StringSink sink;
    std::string error;
    return ConvertObjText(text, u"m", form, normals, random, sink, &error) ? sink.bytes : "error: " + error;
}

// With normals generated, the second half's reader stops at its first face
// and the first reads it again.
inline std::string ConvertInHalves(std::string_view text, const HeaderForm& form = {},
                                   NormalGeneration normals = NormalGeneration::kNone)
{
    Random random;
    SeedRandom(random, 1);
    PiecewiseText first(text);
    PiecewiseText second(text);
    TextReading reading;
    reading.expectedSize = text.size();
    reading.threads = ReadingThreads::kTwo;
    reading.halves = &second;
    StreamedModel streamed;
    std::string error;
    if (!ReadAndWeld(first, reading, normals, random, streamed, &error))
        return "error: " + error;
    StringSink sink;
    BufferedWriter writer = MakeBufferedWriter(sink);
    WriteHeader(streamed.model, streamed.merging.welder, u"m", form, 2, writer);
    return sink.bytes;
}

inline bool BothRoutesAgree(std::string_view text, NormalGeneration normals = NormalGeneration::kNone)
{
    std::string interleaved = ConvertWhole(text, {}, normals);
    if (interleaved != ConvertInHalves(text, {}, normals))
        return false;
    HeaderForm separate{VertexLayout::kNonInterleaved, StemSpelling::kAscii};
    std::string nonInterleaved = ConvertWhole(text, separate, normals);
    if (nonInterleaved != ConvertInHalves(text, separate, normals))
        return false;
    bool refused = interleaved.rfind("error: ", 0) == 0;
    return refused ? nonInterleaved == interleaved : nonInterleaved == Deinterleave(interleaved);
}

}  // namespace torvane::testing
