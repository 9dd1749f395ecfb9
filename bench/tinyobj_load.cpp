// Loads OBJ files with tinyobjloader, one after another in one process, and
// does nothing else: the yardstick that bench/run_benchmarks.sh holds the
// whole torvane conversion against.

#include <tiny_obj_loader.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: tinyobj_load FILE.obj...\n");
        return 2;
    }
    std::size_t vertices = 0;
    std::size_t corners = 0;
    for (int i = 1; i < argc; ++i) {
        tinyobj::ObjReader reader;
        tinyobj::ObjReaderConfig config;
        config.triangulate = true;
        if (!reader.ParseFromFile(argv[i], config)) {
            std::fprintf(stderr, "tinyobj_load: %s: %s\n", argv[i], reader.Error().c_str());
            return 1;
        }
        vertices += reader.GetAttrib().vertices.size() / 3;
        for (const tinyobj::shape_t& shape : reader.GetShapes())
            corners += shape.mesh.indices.size();
    }
    std::printf("%zu vertices, %zu corners\n", vertices, corners);
    return 0;
}
