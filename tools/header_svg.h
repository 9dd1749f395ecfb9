#pragma once

// Reads back a header that torvane wrote and draws it as an SVG picture, for
// the README and for looking at a conversion without a renderer.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane::tools {

struct HeaderMesh {
    std::vector<std::array<float, 3>> positions;  // the pos field of each OBJ_VERT row
    std::vector<std::uint32_t> indices;           // three per triangle
};

// Reads the OBJ_VERT array and the index array of a generated header. The
// declared sizes must match the rows, and every index must name a vertex.
// On failure returns false and sets *error to "line N: what is wrong".
bool ParseHeaderMesh(std::string_view text, HeaderMesh* mesh, std::string* error);

struct SvgOptions {
    double width = 640;  // of the picture, in pixels; the height follows the model
    double margin = 16;
};

// The front view (x to the right, y up, looking down -z), every triangle
// filled flat in a shade of its normal against a light from the upper left
// front, drawn far to near by the mean z of its corners. Triangles seen edge
// on are left out.
std::string RenderFrontView(const HeaderMesh& mesh, const SvgOptions& options);

}  // namespace torvane::tools
