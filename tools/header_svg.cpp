#include "header_svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "vector3.h"

namespace torvane::tools {
namespace {

class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) { }

    // The next line without its line end; false at the end of the text.
    bool Next(std::string_view* line)
    {
        if (at_ >= text_.size())
            return false;
        std::size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos)
            end = text_.size();
        *line = text_.substr(at_, end - at_);
        if (!line->empty() && line->back() == '\r')
            line->remove_suffix(1);
        at_ = end + 1;
        ++number_;
        return true;
    }

    std::size_t number() const { return number_; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t number_ = 0;
};

// Reads one row of text from left to right; every step fails once one has.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) { }

    Scanner& Expect(char c)
    {
        SkipBlanks();
        ok_ = ok_ && at_ < text_.size() && text_[at_] == c;
        at_ += ok_ ? 1 : 0;
        return *this;
    }

    template <typename Number>
    Scanner& Read(Number* value)
    {
        SkipBlanks();
        if (!ok_)
            return *this;
        auto [end, error] = std::from_chars(text_.data() + at_, text_.data() + text_.size(), *value);
        ok_ = error == std::errc();
        at_ = static_cast<std::size_t>(end - text_.data());
        return *this;
    }

    bool AtEnd()
    {
        SkipBlanks();
        return ok_ && at_ == text_.size();
    }

    bool ok() const { return ok_; }

private:
    void SkipBlanks()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t'))
            ++at_;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

std::string Located(const Lines& lines, const std::string& message)
{
    return "line " + std::to_string(lines.number()) + ": " + message;
}

// Moves past the declaration "... <marker>...[<size>] =" and the "{" after
// it, and reads the declared size.
bool FindArray(Lines& lines, std::string_view marker, std::size_t* size, std::string* error)
{
    std::string_view line;
    while (lines.Next(&line)) {
        std::size_t at = line.find(marker);
        if (at == std::string_view::npos || line.rfind("const ", 0) != 0)
            continue;
        std::size_t open = line.find('[', at);
        if (open == std::string_view::npos ||
            !Scanner(line.substr(open + 1)).Read(size).Expect(']').Expect('=').AtEnd()) {
            *error = Located(lines, "cannot read the size of the array");
            return false;
        }
        if (!lines.Next(&line) || line != "{") {
            *error = Located(lines, "expected \"{\" after the array's declaration");
            return false;
        }
        return true;
    }
    *error = "no array declared with " + std::string(marker);
    return false;
}

// The fields that the header's OBJ_VERT declares after pos.
struct RecordFields {
    bool texcoord = false;
    bool normal = false;
};

RecordFields DeclaredFields(std::string_view text)
{
    RecordFields fields;
    std::size_t start = text.find("typedef struct _OBJ_VERT_");
    std::size_t end = text.find("}OBJ_VERT;", start);
    if (start == std::string_view::npos || end == std::string_view::npos)
        return fields;
    std::string_view declaration = text.substr(start, end - start);
    fields.texcoord = declaration.find("float uvw[3];") != std::string_view::npos;
    fields.normal = declaration.find("float nrm[3];") != std::string_view::npos;
    return fields;
}

// "{ x f, y f, z f }"
Scanner& ReadGroup(Scanner& row, std::array<float, 3>* v)
{
    row.Expect('{').Read(&(*v)[0]).Expect('f').Expect(',').Read(&(*v)[1]).Expect('f').Expect(',');
    return row.Read(&(*v)[2]).Expect('f').Expect('}');
}

bool ReadVertexRows(Lines& lines, std::size_t declared, const RecordFields& fields, HeaderMesh* mesh,
                    std::string* error)
{
    std::string_view line;
    while (lines.Next(&line) && line != "};") {
        // "\t{\t{ x f, y f, z f },\t{ u f, ... },\t{ nx f, ... }\t},"
        std::array<float, 3> p{}, unused{}, n{};
        Scanner row(line);
        if (!ReadGroup(row.Expect('{'), &p).ok()) {
            *error = Located(lines, "cannot read the position of this vertex row");
            return false;
        }
        if (fields.texcoord)
            ReadGroup(row.Expect(','), &unused);
        if (fields.normal && !ReadGroup(row.Expect(','), &n).ok()) {
            *error = Located(lines, "cannot read the normal of this vertex row");
            return false;
        }
        mesh->positions.push_back(p);
        if (fields.normal)
            mesh->normals.push_back(n);
    }
    if (mesh->positions.size() != declared) {
        *error = Located(lines,
                         "the array declares " + std::to_string(declared) + " vertices but has " +
                             std::to_string(mesh->positions.size()) + " rows");
        return false;
    }
    return true;
}

bool ReadIndexRows(Lines& lines, std::size_t declared, HeaderMesh* mesh, std::string* error)
{
    std::string_view line;
    while (lines.Next(&line) && line != "};") {
        std::uint32_t corner[3] = {};
        Scanner row(line);
        row.Read(&corner[0]).Expect(',').Read(&corner[1]).Expect(',').Read(&corner[2]).Expect(',');
        if (!row.AtEnd()) {
            *error = Located(lines, "expected three indices, each followed by a comma");
            return false;
        }
        for (std::uint32_t index : corner) {
            if (index >= mesh->positions.size()) {
                *error = Located(lines,
                                 "index " + std::to_string(index) + " is past the " +
                                     std::to_string(mesh->positions.size()) + " vertices");
                return false;
            }
            mesh->indices.push_back(index);
        }
    }
    if (mesh->indices.size() != declared) {
        *error = Located(lines,
                         "the array declares " + std::to_string(declared) + " indices but has " +
                             std::to_string(mesh->indices.size()));
        return false;
    }
    return true;
}

Vector Normalized(const Vector& v)
{
    double length = std::sqrt(Dot(v, v));
    return {v.x / length, v.y / length, v.z / length};
}

struct Face {
    std::size_t first;  // into HeaderMesh::indices
    double depth;       // mean z of the corners
    double brightness;  // 0 to 1
};

// The light that reaches a face turned away from the lamp.
constexpr double kAmbient = 0.3;

double Lit(const Vector& unitNormal)
{
    const Vector light = Normalized({-0.4, 0.6, 1.0});
    return kAmbient + 0.7 * std::max(0.0, Dot(unitNormal, light));
}

// Lambert's law for the mean of the corners' normals, which a renderer
// interpolating them meets in the triangle's middle. Without normals (or
// where they cancel) only the ambient light is left.
double LitByNormals(const HeaderMesh& mesh, std::size_t first)
{
    if (mesh.normals.empty())
        return kAmbient;
    Vector sum{0, 0, 0};
    for (std::size_t corner = first; corner < first + 3; ++corner) {
        const auto& n = mesh.normals[mesh.indices[corner]];
        sum = {sum.x + n[0], sum.y + n[1], sum.z + n[2]};
    }
    return Dot(sum, sum) > 0 ? Lit(Normalized(sum)) : kAmbient;
}

// Seen from the front, a triangle shows the side of it that faces +z: the
// shade by faces does not depend on the winding.
std::vector<Face> VisibleFaces(const HeaderMesh& mesh, Shading shading)
{
    std::vector<Face> faces;
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        const auto& a = mesh.positions[mesh.indices[i]];
        const auto& b = mesh.positions[mesh.indices[i + 1]];
        const auto& c = mesh.positions[mesh.indices[i + 2]];
        Vector normal = Cross(Minus(b, a), Minus(c, a));
        double length = std::sqrt(Dot(normal, normal));
        if (!(length > 0) || std::abs(normal.z) <= 1e-9 * length)
            continue;
        normal = Normalized(normal.z < 0 ? Vector{-normal.x, -normal.y, -normal.z} : normal);
        double brightness = shading == Shading::kFaces ? Lit(normal) : LitByNormals(mesh, i);
        faces.push_back({i, (double(a[2]) + b[2] + c[2]) / 3, brightness});
    }
    std::stable_sort(faces.begin(), faces.end(), [](const Face& p, const Face& q) { return p.depth < q.depth; });
    return faces;
}

std::string Format(const char* format, double a, double b)
{
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

std::string Shade(double brightness)
{
    // A steel blue, darkened by the angle to the light.
    auto channel = [brightness](int full) { return static_cast<int>(std::lround(full * brightness)); };
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", channel(86), channel(148), channel(214));
    return text;
}

}  // namespace

bool ParseHeaderMesh(std::string_view text, HeaderMesh* mesh, std::string* error)
{
    *mesh = HeaderMesh();
    Lines lines(text);
    std::size_t vertexCount = 0, indexCount = 0;
    const RecordFields fields = DeclaredFields(text);
    if (!FindArray(lines, "OBJ_VERT ", &vertexCount, error) || !ReadVertexRows(lines, vertexCount, fields, mesh, error))
        return false;
    if (!FindArray(lines, "unsigned int ", &indexCount, error) || !ReadIndexRows(lines, indexCount, mesh, error))
        return false;
    if (indexCount % 3 != 0) {
        *error = "the index array holds " + std::to_string(indexCount) + " indices, not three per triangle";
        return false;
    }
    return true;
}

std::string RenderFrontView(const HeaderMesh& mesh, const SvgOptions& options)
{
    double minX = std::numeric_limits<double>::max(), maxX = -minX, minY = minX, maxY = -minX;
    for (const auto& p : mesh.positions) {
        minX = std::min(minX, double(p[0]));
        maxX = std::max(maxX, double(p[0]));
        minY = std::min(minY, double(p[1]));
        maxY = std::max(maxY, double(p[1]));
    }
    // Fits the width; a tall, narrow model is drawn at most four times as
    // tall as the picture is wide.
    double fitted = std::max(maxX - minX, (maxY - minY) / 4);
    double scale = fitted > 0 ? (options.width - 2 * options.margin) / fitted : 1;
    double height = 2 * options.margin + (mesh.positions.empty() ? 0 : (maxY - minY) * scale);

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"";
    svg += Format(" width=\"%.0f\" height=\"%.0f\">\n", options.width, std::ceil(height));
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    // Each outline, in its fill's colour, closes the hairline seams that
    // anti-aliasing leaves between neighbouring triangles.
    svg += "<g stroke-width=\"0.6\" stroke-linejoin=\"round\">\n";
    for (const Face& face : VisibleFaces(mesh, options.shading)) {
        std::string colour = Shade(face.brightness);
        svg += "<polygon points=\"";
        for (std::size_t corner = 0; corner < 3; ++corner) {
            const auto& p = mesh.positions[mesh.indices[face.first + corner]];
            double x = options.margin + (p[0] - minX) * scale;
            double y = options.margin + (maxY - p[1]) * scale;
            svg += Format(corner == 0 ? "%.1f,%.1f" : " %.1f,%.1f", x, y);
        }
        svg += "\" fill=\"" + colour + "\" stroke=\"" + colour + "\"/>\n";
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

}  // namespace torvane::tools
