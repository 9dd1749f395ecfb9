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
    std::vector<std::array<float, 3>> normals;    // the nrm field; empty when OBJ_VERT has none
    std::vector<std::uint32_t> indices;           // three per triangle
};

// Reads the OBJ_VERT array and the index array of a generated header, and
// the normals when the header's OBJ_VERT declares the field nrm. The
// declared sizes must match the rows, and every index must name a vertex.
// On failure returns false and sets *error to "line N: what is wrong".
bool ParseHeaderMesh(std::string_view text, HeaderMesh* mesh, std::string* error);

// How a triangle's shade is found: from the normal of its corners'
// positions, as a flat shaded picture of the shape, or from the header's
// normals, as a renderer that lights the vertex buffer shows it.
enum class Shading { kFaces, kNormals };

struct SvgOptions {
    double width = 640;  // of the picture, in pixels; the height follows the model
    double margin = 16;
    Shading shading = Shading::kFaces;
};

// The front view (x to the right, y up, looking down -z), drawn far to near
// by the mean z of each triangle's corners, every triangle filled in one
// shade against a light from the upper left front. By faces, a triangle's
// shade comes from its normal turned towards the viewer; by normals, from the
// mean of its corners' normals as they are (Lambert's law at its middle, so
// a normal turned away from the light leaves it dark), and a header without
// normals is drawn unlit. Triangles seen edge on are left out.
std::string RenderFrontView(const HeaderMesh& mesh, const SvgOptions& options);

}  // namespace torvane::tools
