// Loads an OBJ file with tinyobjloader and does nothing else: the yardstick
// that bench/run_benchmarks.sh holds the whole torvane conversion against.

#include <tiny_obj_loader.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tinyobj_load FILE.obj\n");
        return 2;
    }
    tinyobj::ObjReader reader;
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    if (!reader.ParseFromFile(argv[1], config)) {
        std::fprintf(stderr, "tinyobj_load: %s\n", reader.Error().c_str());
        return 1;
    }
    std::size_t indices = 0;
    for (const tinyobj::shape_t& shape : reader.GetShapes())
        indices += shape.mesh.indices.size();
    std::printf("%zu vertices, %zu corners\n", reader.GetAttrib().vertices.size() / 3, indices);
    return 0;
}
