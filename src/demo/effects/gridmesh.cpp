// Grid construction, its row-wise smooth normals and the height query. Texture coordinates
// divide by the vertex counts, not by the cell counts, so the last column and row stop
// short of 1: the golden frames hold the water's sphere map sampled that way.
#include "demo/effects/gridmesh.h"

#include <algorithm>

namespace Tramble {

namespace {

// Face normals (p1 - p0) x (p2 - p0), as Triangle::normal computes them, of the `count`
// cells between a row of vertices and the row below it (one more z), by component.
void faceNormalsRow(const float* __restrict x, const float* __restrict y, const float* __restrict z,
                    const float* __restrict belowX, const float* __restrict belowY, const float* __restrict belowZ,
                    float* __restrict firstX, float* __restrict firstY, float* __restrict firstZ,
                    float* __restrict secondX, float* __restrict secondY, float* __restrict secondZ, int count) {
    for (int c = 0; c < count; ++c) {
        // First triangle: here, below, right.
        const float ax = belowX[c] - x[c], ay = belowY[c] - y[c], az = belowZ[c] - z[c];
        const float bx = x[c + 1] - x[c], by = y[c + 1] - y[c], bz = z[c + 1] - z[c];
        firstX[c] = ay * bz - az * by;
        firstY[c] = az * bx - ax * bz;
        firstZ[c] = ax * by - ay * bx;
        // Second triangle: right, below, below right.
        const float cx = belowX[c] - x[c + 1], cy = belowY[c] - y[c + 1], cz = belowZ[c] - z[c + 1];
        const float dx = belowX[c + 1] - x[c + 1], dy = belowY[c + 1] - y[c + 1], dz = belowZ[c + 1] - z[c + 1];
        secondX[c] = cy * dz - cz * dy;
        secondY[c] = cz * dx - cx * dz;
        secondZ[c] = cx * dy - cy * dx;
    }
}

// One component of the face sums of vertex row r (`count` vertices), from cell rows r - 1
// (previous) and r (current). Vertex c touches the second face of previous cell c - 1, both
// faces of previous cell c, both of current cell c - 1 and the first of current cell c,
// added in that order, which is the triangle list's. The cell rows start one cell to the
// left of the vertex row (a zero border cell for vertex 0).
void sumFacesRow(const float* __restrict previousFirst, const float* __restrict previousSecond,
                 const float* __restrict currentFirst, const float* __restrict currentSecond, float* __restrict sums,
                 int count) {
    for (int c = 0; c < count; ++c) {
        sums[c] = previousSecond[c] + previousFirst[c + 1] + previousSecond[c + 1] + currentFirst[c] +
                  currentSecond[c] + currentFirst[c + 1];
    }
}

}  // namespace

GridMesh::GridMesh(int columns, int rows, float width, float depth)
    : Mesh(columns * rows, triangleCountFor(columns, rows)),
      columns(columns),
      rows(rows),
      halfWidth(width * 0.5f),
      halfDepth(depth * 0.5f),
      scratch(new float[static_cast<size_t>(3 * columns * rows + 6 * (columns + 1) * (rows + 1))]()) {
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

void GridMesh::computeNormals() {
    const int n = columns * rows;
    const int cellStride = columns + 1;
    const int cellCount = cellStride * (rows + 1);
    float* x = scratch.get();
    float* y = x + n;
    float* z = y + n;
    // Face normals of the cells' first (here, below, right) and second (right, below,
    // below right) triangles; cell (c, r) sits at (r + 1) * cellStride + c + 1.
    float* first[3] = {z + n, z + n + cellCount, z + n + 2 * cellCount};
    float* second[3] = {z + n + 3 * cellCount, z + n + 4 * cellCount, z + n + 5 * cellCount};

    const Vector3* positions = vertexArray.vertices.get();
    for (int i = 0; i < n; ++i) {
        x[i] = positions[i].x;
        y[i] = positions[i].y;
        z[i] = positions[i].z;
    }
    for (int r = 0; r + 1 < rows; ++r) {
        const int row = r * columns;
        const int cells = (r + 1) * cellStride + 1;
        faceNormalsRow(x + row, y + row, z + row, x + row + columns, y + row + columns, z + row + columns,
                       first[0] + cells, first[1] + cells, first[2] + cells, second[0] + cells, second[1] + cells,
                       second[2] + cells, columns - 1);
    }
    Vector3* normals = vertexArray.normals.get();
    for (int r = 0; r < rows; ++r) {
        const int previous = r * cellStride;
        const int current = previous + cellStride;
        // The sums go into the position scratch: every face is computed by now.
        for (int axis = 0; axis < 3; ++axis) {
            sumFacesRow(first[axis] + previous, second[axis] + previous, first[axis] + current, second[axis] + current,
                        x + axis * n + r * columns, columns);
        }
        for (int c = 0; c < columns; ++c) {
            const int i = r * columns + c;
            normals[i] = unitLength(Vector3(x[i], y[i], z[i]));
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
