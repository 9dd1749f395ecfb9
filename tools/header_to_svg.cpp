// Draws a header that torvane wrote as an SVG picture: the front view, flat
// shaded, or with --normals shaded by the header's normals as a renderer
// lights them (unlit without normals). The README's pictures come from here:
//
//   header_to_svg [--width PX] [--normals] HEADER [OUTPUT.svg]
//
// Without OUTPUT the picture goes to standard output.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "header_svg.h"

namespace {

struct Arguments {
    std::string header;
    std::string output;
    torvane::tools::SvgOptions options;
};

bool ParseArguments(int argc, char** argv, Arguments* arguments)
{
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--width" && i + 1 < argc) {
            char* end = nullptr;
            arguments->options.width = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(arguments->options.width > 2 * arguments->options.margin))
                return false;
        } else if (argument == "--normals") {
            arguments->options.shading = torvane::tools::Shading::kNormals;
        } else if (positional == 0 && argument[0] != '-') {
            arguments->header = argument;
            ++positional;
        } else if (positional == 1 && argument[0] != '-') {
            arguments->output = argument;
            ++positional;
        } else {
            return false;
        }
    }
    return positional > 0;
}

bool ReadWhole(const std::string& path, std::string* text)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    *text = bytes.str();
    return file.good() || file.eof();
}

bool WriteWhole(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    return !file.fail();
}

}  // namespace

int main(int argc, char** argv)
{
    Arguments arguments;
    if (!ParseArguments(argc, argv, &arguments)) {
        std::fprintf(stderr, "usage: header_to_svg [--width PX] [--normals] HEADER [OUTPUT.svg]\n");
        return 2;
    }
    std::string text;
    if (!ReadWhole(arguments.header, &text)) {
        std::fprintf(stderr, "header_to_svg: cannot read %s\n", arguments.header.c_str());
        return 1;
    }
    torvane::tools::HeaderMesh mesh;
    std::string error;
    if (!torvane::tools::ParseHeaderMesh(text, &mesh, &error)) {
        std::fprintf(stderr, "header_to_svg: %s: %s\n", arguments.header.c_str(), error.c_str());
        return 1;
    }
    std::string svg = torvane::tools::RenderFrontView(mesh, arguments.options);
    if (arguments.output.empty()) {
        std::cout << svg;
        return std::cout.good() ? 0 : 1;
    }
    if (!WriteWhole(arguments.output, svg)) {
        std::fprintf(stderr, "header_to_svg: cannot write %s\n", arguments.output.c_str());
        return 1;
    }
    return 0;
}
