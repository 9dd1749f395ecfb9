/* Prints what a renderer would upload of two models compiled in: the vertex
   and triangle counts and the bounds of the positions.

   Each header declares OBJ_VERT with the fields its model has, and only the
   first declaration of a translation unit counts. The crate has texture
   coordinates and the pyramid does not, so here the pyramid's normals land
   in uvw and its nrm stays zero. Only pos, the first field of every layout,
   is read below; a renderer that needs all fields of models with different
   layouts includes their headers in separate translation units. */

#include <float.h>
#include <stddef.h>
#include <stdio.h>

#include "crate.h"
#include "pyramid.h"

#define COUNT_OF(array) (sizeof(array) / sizeof((array)[0]))

/* Returns 0, or 1 when an index points past the vertices. */
static int Report(const char* name, const OBJ_VERT* vertices, size_t vertexCount,
                  const unsigned int* indices, size_t indexCount)
{
    float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    float high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    size_t i;
    int axis;
    for (i = 0; i < vertexCount; ++i) {
        for (axis = 0; axis < 3; ++axis) {
            float value = vertices[i].pos[axis];
            low[axis] = value < low[axis] ? value : low[axis];
            high[axis] = value > high[axis] ? value : high[axis];
        }
    }
    for (i = 0; i < indexCount; ++i) {
        if (indices[i] >= vertexCount) {
            fprintf(stderr, "%s: index %lu refers to vertex %u of %lu\n", name, (unsigned long)i,
                    indices[i], (unsigned long)vertexCount);
            return 1;
        }
    }
    printf("%s: %lu vertices, %lu triangles, min (%f, %f, %f), max (%f, %f, %f)\n", name,
           (unsigned long)vertexCount, (unsigned long)(indexCount / 3), low[0], low[1], low[2], high[0],
           high[1], high[2]);
    return 0;
}

int main(void)
{
    int failed = Report("crate", crate_data, COUNT_OF(crate_data), crate_indicies, COUNT_OF(crate_indicies));
    failed |= Report("pyramid", pyramid_data, COUNT_OF(pyramid_data), pyramid_indicies,
                     COUNT_OF(pyramid_indicies));
    return failed;
}
