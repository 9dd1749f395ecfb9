// Draws the compiled warning mesh as an SVG picture, so a person can check
// that it reads "HFILE" and that the faces have no gaps or overlaps.
//
//   render_warning_mesh [--texture] [output.svg]
//
// By default: the front view, every triangle facing +z filled flat with a
// thin outline (both copies of the solid, which coincide). With --texture:
// the texture layout, every triangle drawn at its texture coordinates, the
// first copy in blue and the second in orange.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "mesh/warning_mesh.h"

namespace {

using torvane::kWarningTriangleCount;
using torvane::WarningTriangles;
using torvane::WarningVertices;

std::string FrontView()
{
    // Model units to pixels; y flipped so +y is up in the picture.
    const double scale = 1000.0, margin = 20.0;
    const double minX = -0.5, maxY = 0.28;
    const double width = 1.0 * scale + 2 * margin, height = 0.28 * scale + 2 * margin;
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    for (std::size_t t = 0; t < kWarningTriangleCount; ++t) {
        if (!(WarningVertices[WarningTriangles[t][0]].nrm[2] > 0.5f))
            continue;
        svg << "<polygon fill=\"#3b6ea5\" fill-opacity=\"0.5\" stroke=\"#102a43\" stroke-width=\"0.6\" points=\"";
        for (int c = 0; c < 3; ++c) {
            const float* p = WarningVertices[WarningTriangles[t][c]].pos;
            svg << (margin + (p[0] - minX) * scale) << "," << (margin + (maxY - p[1]) * scale) << " ";
        }
        svg << "\"/>\n";
    }
    svg << "</svg>\n";
    return svg.str();
}

std::string TextureView()
{
    const double scale = 1000.0;
    std::ostringstream svg;
    svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << scale << "\" height=\"" << scale
        << "\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\" stroke=\"black\"/>\n";
    for (std::size_t t = 0; t < kWarningTriangleCount; ++t) {
        // The first copy of each block has the lower record numbers.
        const std::uint32_t r = WarningTriangles[t][0];
        const bool second = (r >= 74 && r < 148) || (r >= 222 && r < 296) || r >= 524;
        svg << "<polygon fill=\"" << (second ? "#e0872b" : "#3b6ea5")
            << "\" fill-opacity=\"0.5\" stroke=\"#102a43\" stroke-width=\"0.3\" points=\"";
        for (int c = 0; c < 3; ++c) {
            const float* uv = WarningVertices[WarningTriangles[t][c]].uvw;
            svg << uv[0] * scale << "," << uv[1] * scale << " ";
        }
        svg << "\"/>\n";
    }
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace

int main(int argc, char** argv)
{
    bool texture = false;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--texture") {
            texture = true;
        } else if (output.empty() && !arg.empty() && arg[0] != '-') {
            output = arg;
        } else {
            std::cerr << "usage: render_warning_mesh [--texture] [output.svg]\n";
            return 2;
        }
    }
    const std::string svg = texture ? TextureView() : FrontView();
    if (output.empty()) {
        std::cout << svg;
        return std::cout ? 0 : 1;
    }
    std::ofstream file(output, std::ios::binary);
    file << svg;
    file.close();
    if (!file) {
        std::cerr << "render_warning_mesh: cannot write " << output << "\n";
        return 1;
    }
    return 0;
}
