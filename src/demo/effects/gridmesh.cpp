// Grid construction and the height query. Texture coordinates divide by the vertex counts,
// not by the cell counts, so the last column and row stop short of 1: the golden frames hold
// the water's sphere map sampled that way.
#include "demo/effects/gridmesh.h"

#include <algorithm>

namespace Tramble {

GridMesh::GridMesh(int columns, int rows, float width, float depth)
    : Mesh(columns * rows, triangleCountFor(columns, rows)),
      columns(columns),
      rows(rows),
      halfWidth(width * 0.5f),
      halfDepth(depth * 0.5f) {
    Vector3* positions = vertexArray.vertices.get();
    TexCoord* texCoords = vertexArray.texCoords.get();
    Triangle* triangles = triangleList.triangles.get();
    int t = 0;
    for (int i = 0; i < columns * rows; ++i) {
        const int c = i % columns;
        const int r = i / columns;
        texCoords[i].s = static_cast<float>(c) / static_cast<float>(columns);
        texCoords[i].t = static_cast<float>(r) / static_cast<float>(rows);
        positions[i] =
            Vector3(static_cast<float>(c) * (2.0f * halfWidth) / static_cast<float>(columns - 1) - halfWidth, 0.0f,
                    static_cast<float>(r) * (2.0f * halfDepth) / static_cast<float>(rows - 1) - halfDepth);
        if (c + 1 < columns && r + 1 < rows) {
            const unsigned int here = static_cast<unsigned int>(r * columns + c);
            const unsigned int below = here + static_cast<unsigned int>(columns);
            triangles[t++] = Triangle{{here, below, here + 1}};
            triangles[t++] = Triangle{{here + 1, below, below + 1}};
        }
    }
}

// Rounding can carry a point a hair inside the far edge onto index `columns` (or `rows`);
// the clamp keeps such a point on the last vertex instead of reading past the row.
float GridMesh::heightAt(float x, float z) const {
    const float u = (x + halfWidth) / halfWidth * 0.5f;
    const float v = (z + halfDepth) / halfDepth * 0.5f;
    const int column = std::clamp(static_cast<int>(u * static_cast<float>(columns)), 0, columns - 1);
    const int row = std::clamp(static_cast<int>(v * static_cast<float>(rows)), 0, rows - 1);
    return vertexArray.vertices[row * columns + column].y;
}

}  // namespace Tramble
