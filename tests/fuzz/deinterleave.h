#pragma once

// The non-interleaved header worked out from the interleaved one by text
// alone: the banner's second line swapped, the OBJ_VERT declaration dropped,
// and each column of groups of the records made an array of its own. What
// the converter writes with --non-interleaved must be exactly this.

#include <string>
#include <string_view>
#include <vector>

namespace torvane::testing {

inline std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        end = end == std::string_view::npos ? text.size() : end;
        lines.emplace_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// "x, y, z" of each "\t{ x, y, z }" group of an interleaved row.
inline std::vector<std::string> RowGroups(const std::string& row)
{
    std::vector<std::string> groups;
    for (std::size_t at = row.find("\t{ "); at != std::string::npos; at = row.find("\t{ ", at + 1)) {
        std::size_t end = row.find(" }", at);
        groups.push_back(row.substr(at + 3, end - at - 3));
    }
    return groups;
}

// The interleaved header's text, or "" when it is not one.
inline std::string Deinterleave(std::string_view interleaved)
{
    std::vector<std::string> lines = SplitLines(interleaved);
    if (lines.size() < 23 || lines[6] != "#ifndef __OBJ_VERT__")
        return "";
    std::vector<std::string> attributes;
    std::size_t at = 9;
    for (; lines[at] != "}OBJ_VERT;"; ++at)
        attributes.push_back(lines[at].substr(7, 3));                  // "\tfloat pos[3];"
    at += 4;                                                           // past "#endif" and the comment
    std::string stem = lines[at].substr(9, lines[at].size() - 9 - 6);  // "#ifndef _" S "_data_"
    std::string count = lines[at + 1].substr(lines[at + 1].rfind('[') + 1);
    count.resize(count.find(']'));
    std::size_t firstRow = at + 3;
    std::size_t rowEnd = firstRow;
    while (lines[rowEnd] != "};")
        ++rowEnd;

    std::string text = lines[0] + "\r\n// If you want your data to be Interleaved use \"Torvane.exe\"\r\n";
    for (std::size_t i = 2; i < 6; ++i)
        text += lines[i] + "\r\n";
    text += lines[at - 1] + "\r\n";
    for (std::size_t column = 0; column < attributes.size(); ++column) {
        std::string array = stem + "_" + attributes[column];
        text += "#ifndef _" + array + "_\r\nconst float " + array + "[" + count + "][3] =\r\n{\r\n";
        for (std::size_t row = firstRow; row < rowEnd; ++row)
            text += "\t{ " + RowGroups(lines[row]).at(column) + " },\r\n";
        text += "};\r\n#define _" + array + "_\r\n#endif\r\n";
    }
    for (std::size_t i = rowEnd + 3; i < lines.size(); ++i)
        text += lines[i] + "\r\n";
    return text;
}

}  // namespace torvane::testing
