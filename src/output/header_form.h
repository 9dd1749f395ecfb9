#pragma once

namespace torvane {

// How the vertices are laid out: records of OBJ_VERT, or one array of
// three floats per attribute (which needs no record type, so headers of
// models with different attributes can share a translation unit).
enum class VertexLayout { kInterleaved, kNonInterleaved };

// How stem code units above 0x7F are written: up to 0xFF as single ISO
// 8859-1 bytes (read by MSVC in a Western code page) and above as "\uXXXX",
// or all of them as "\uXXXX", which leaves a pure ASCII header that every C
// and C++ compiler reads.
enum class StemSpelling { kLatin1, kAscii };

struct HeaderForm {
    VertexLayout layout = VertexLayout::kInterleaved;
    StemSpelling stemSpelling = StemSpelling::kLatin1;
};

}  // namespace torvane
