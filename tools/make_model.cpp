// Writes a torus as Wavefront OBJ to standard output, deterministically, with
// numbers printed to six decimals as exporters do. Used for the example
// models and the benchmark inputs.
//
//   make_model [--rings N] [--sides N] [--form ptn-quads|pn-triangles|p-triangles]
//              [--bumps N] [--tilt DEGREES]
//
// ptn-quads: p/t/n quads, positions and normals shared across the seams,
// texture coordinates not (so each seam has its own vertices).
// pn-triangles: p//n triangles, no texture coordinates.
// p-triangles: positions alone, as most scanned models come, for normals
// that torvane generates.
// --bumps N raises N bumps around the ring and N / 2 around the tube, and
// --tilt turns the torus about the x axis, its far side up, for a picture
// from the front; both shape the positions alone (the normals written would
// not fit them), so only p-triangles takes them.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum class Form { kPtnQuads, kPnTriangles, kPTriangles };

struct Options {
    long rings = 64;
    long sides = 32;
    long bumps = 0;
    double tilt = 0;  // degrees
    Form form = Form::kPtnQuads;
};

bool ParseForm(const std::string& value, Form* form)
{
    if (value == "ptn-quads")
        *form = Form::kPtnQuads;
    else if (value == "pn-triangles")
        *form = Form::kPnTriangles;
    else if (value == "p-triangles")
        *form = Form::kPTriangles;
    else
        return false;
    return true;
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (i + 1 >= argc)
            return false;
        std::string value = argv[++i];
        if (argument == "--rings")
            options->rings = std::strtol(value.c_str(), nullptr, 10);
        else if (argument == "--sides")
            options->sides = std::strtol(value.c_str(), nullptr, 10);
        else if (argument == "--bumps")
            options->bumps = std::strtol(value.c_str(), nullptr, 10);
        else if (argument == "--tilt")
            options->tilt = std::strtod(value.c_str(), nullptr);
        else if (argument != "--form" || !ParseForm(value, &options->form))
            return false;
    }
    bool plain = options->bumps == 0 && options->tilt == 0;
    bool shapedFit = plain || (options->bumps >= 0 && options->form == Form::kPTriangles);
    return options->rings >= 3 && options->sides >= 3 && shapedFit;
}

// Index of ring i, side j with both wrapping round (positions and normals).
long Wrapped(const Options& o, long i, long j)
{
    return (i % o.rings) * o.sides + (j % o.sides) + 1;
}

// Index of ring i, side j without wrapping (texture coordinates).
long Unwrapped(const Options& o, long i, long j)
{
    return i * (o.sides + 1) + j + 1;
}

// A plain torus is printed as computed, so that its files stay as they were
// (a turn by 0 degrees could still make -0 of 0).
void WritePosition(const Options& o, double x, double y, double z)
{
    if (o.tilt != 0) {
        const double turn = o.tilt * 3.14159265358979323846 / 180;
        const double turnedY = y * std::cos(turn) - z * std::sin(turn);
        z = y * std::sin(turn) + z * std::cos(turn);
        y = turnedY;
    }
    std::printf("v %.6f %.6f %.6f\n", x, y, z);
}

void WriteVertices(const Options& o)
{
    const double pi = 3.14159265358979323846;
    const double major = 1.0;
    for (long i = 0; i < o.rings; ++i) {
        double u = 2 * pi * double(i) / double(o.rings);
        for (long j = 0; j < o.sides; ++j) {
            double v = 2 * pi * double(j) / double(o.sides);
            double bump = std::sin(double(o.bumps) * u) * std::sin(double(o.bumps / 2) * v);
            double minor = 0.35 * (1 + 0.25 * bump);
            double r = major + minor * std::cos(v);
            WritePosition(o, r * std::cos(u), minor * std::sin(v), r * std::sin(u));
        }
    }
    if (o.form == Form::kPTriangles)
        return;
    if (o.form == Form::kPtnQuads) {
        for (long i = 0; i <= o.rings; ++i)
            for (long j = 0; j <= o.sides; ++j)
                std::printf("vt %.6f %.6f\n", double(i) / double(o.rings), double(j) / double(o.sides));
    }
    for (long i = 0; i < o.rings; ++i) {
        double u = 2 * pi * double(i) / double(o.rings);
        for (long j = 0; j < o.sides; ++j) {
            double v = 2 * pi * double(j) / double(o.sides);
            std::printf("vn %.6f %.6f %.6f\n", std::cos(v) * std::cos(u), std::sin(v), std::cos(v) * std::sin(u));
        }
    }
}

void WriteFaces(const Options& o)
{
    for (long i = 0; i < o.rings; ++i) {
        for (long j = 0; j < o.sides; ++j) {
            // Counter-clockwise seen from outside the tube.
            long p[4] = {Wrapped(o, i, j), Wrapped(o, i, j + 1), Wrapped(o, i + 1, j + 1), Wrapped(o, i + 1, j)};
            long t[4] = {Unwrapped(o, i, j), Unwrapped(o, i, j + 1), Unwrapped(o, i + 1, j + 1),
                         Unwrapped(o, i + 1, j)};
            if (o.form == Form::kPtnQuads) {
                std::printf("f %ld/%ld/%ld %ld/%ld/%ld %ld/%ld/%ld %ld/%ld/%ld\n", p[0], t[0], p[0], p[1], t[1], p[1],
                            p[2], t[2], p[2], p[3], t[3], p[3]);
            } else if (o.form == Form::kPTriangles) {
                std::printf("f %ld %ld %ld\n", p[0], p[1], p[2]);
                std::printf("f %ld %ld %ld\n", p[0], p[2], p[3]);
            } else {
                std::printf("f %ld//%ld %ld//%ld %ld//%ld\n", p[0], p[0], p[1], p[1], p[2], p[2]);
                std::printf("f %ld//%ld %ld//%ld %ld//%ld\n", p[0], p[0], p[2], p[2], p[3], p[3]);
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr,
                     "usage: make_model [--rings N] [--sides N] [--form ptn-quads|pn-triangles|p-triangles]\n"
                     "                  [--bumps N] [--tilt DEGREES]\n"
                     "  (rings and sides at least 3; bumps and tilt only with p-triangles)\n");
        return 2;
    }
    std::printf("# torus: %ld rings of %ld sides, %ld triangles\n", options.rings, options.sides,
                2 * options.rings * options.sides);
    WriteVertices(options);
    WriteFaces(options);
    return 0;
}
