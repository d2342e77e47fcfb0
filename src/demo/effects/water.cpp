// The water layers' updates. Vertices never move in x or z, so the horizontal distances to
// the neighbours are measured once at construction; each update then sums eight slopes per
// vertex from a zero-padded copy of the heights, with no bounds tests in the loop.
#include "demo/effects/water.h"

#include <algorithm>
#include <cmath>

namespace Tramble {

namespace {

// The eight neighbours in the order their slopes are summed (the order fixes the rounding).
const int neighbourCount = 8;
const int neighbourColumn[neighbourCount] = {1, -1, -1, 1, 0, -1, 0, 1};
const int neighbourRow[neighbourCount] = {1, 1, -1, -1, 1, 0, -1, 0};

std::unique_ptr<Vector3[]> zeroedVectors(int n) {
    return std::unique_ptr<Vector3[]>(new Vector3[static_cast<size_t>(n)]());
}

// One trapezoid step of h = dt / 2 seconds: value moves by the mean of this and the
// previous rate, and the rate becomes the previous one.
void trapezoidStep(Vector3* __restrict values, const Vector3* __restrict rates, Vector3* __restrict previousRates,
                   int count, float h) {
    // Component by component: whole-struct copies keep the compiler from vectorising.
    for (int i = 0; i < count; ++i) {
        values[i].x += (rates[i].x + previousRates[i].x) * h;
        values[i].y += (rates[i].y + previousRates[i].y) * h;
        values[i].z += (rates[i].z + previousRates[i].z) * h;
        previousRates[i].x = rates[i].x;
        previousRates[i].y = rates[i].y;
        previousRates[i].z = rates[i].z;
    }
}

// Sums of the eight slopes for a row of `count` vertices, from heights padded with a zero
// border (`here` points at the row's first vertex, `above` and `below` at the same column
// of the next and previous rows) and distances stored per neighbour, `stride` apart. The
// terms are added in the neighbour order above.
void slopeSumsRow(const float* __restrict here, const float* __restrict above, const float* __restrict below,
                  const float* __restrict d, int stride, float* __restrict sums, int count) {
    for (int c = 0; c < count; ++c) {
        const float s = here[c];
        float sum = (above[c + 1] - s) / d[c];
        sum += (above[c - 1] - s) / d[stride + c];
        sum += (below[c - 1] - s) / d[2 * stride + c];
        sum += (below[c + 1] - s) / d[3 * stride + c];
        sum += (above[c] - s) / d[4 * stride + c];
        sum += (here[c - 1] - s) / d[5 * stride + c];
        sum += (below[c] - s) / d[6 * stride + c];
        sum += (here[c + 1] - s) / d[7 * stride + c];
        sums[c] = sum;
    }
}

}  // namespace

MovingMesh::MovingMesh(int vertexCount, int triangleCount)
    : Mesh(vertexCount, triangleCount),
      velocities(zeroedVectors(vertexArray.count)),
      previousVelocities(zeroedVectors(vertexArray.count)) {}

void MovingMesh::update(unsigned int ms) {
    trapezoidStep(vertexArray.vertices.get(), velocities.get(), previousVelocities.get(), vertexArray.count,
                  static_cast<float>(ms) * 0.0005f);
    computeNormals();
}

AcceleratedMesh::AcceleratedMesh(int vertexCount, int triangleCount)
    : Mesh(vertexCount, triangleCount),
      MovingMesh(vertexCount, triangleCount),
      accelerations(zeroedVectors(vertexArray.count)),
      previousAccelerations(zeroedVectors(vertexArray.count)) {}

void AcceleratedMesh::update(unsigned int ms) {
    trapezoidStep(velocities.get(), accelerations.get(), previousAccelerations.get(), vertexArray.count,
                  static_cast<float>(ms) * 0.0005f);
    MovingMesh::update(ms);
}

WaterSurface::WaterSurface(int columns, int rows, float width, float depth, float damping, float stiffness)
    : Mesh(columns * rows, GridMesh::triangleCountFor(columns, rows)),
      GridMesh(columns, rows, width, depth),
      AcceleratedMesh(columns * rows, GridMesh::triangleCountFor(columns, rows)),
      damping(damping),
      stiffness(stiffness),
      paddedHeights(new float[static_cast<size_t>((columns + 2) * (rows + 2))]()),
      rowSlopes(new float[static_cast<size_t>(columns)]),
      neighbourDistances(new float[static_cast<size_t>(neighbourCount * columns * rows)]) {
    const Vector3* positions = vertexArray.vertices.get();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int i = r * columns + c;
            for (int k = 0; k < neighbourCount; ++k) {
                const int nc = c + neighbourColumn[k];
                const int nr = r + neighbourRow[k];
                float distance = 1.0f;
                if (nc >= 0 && nc < columns && nr >= 0 && nr < rows) {
                    const Vector3& n = positions[nr * columns + nc];
                    const float dx = n.x - positions[i].x;
                    const float dz = n.z - positions[i].z;
                    distance = std::sqrt(dx * dx + dz * dz);
                }
                neighbourDistances[k * columns * rows + i] = distance;
            }
        }
    }
}

void WaterSurface::update(unsigned int ms) {
    AcceleratedMesh::update(ms);

    const int n = columns * rows;
    const float dt = static_cast<float>(ms) * 0.001f;
    const float factor = std::max(0.0f, 1.0f - dt * damping);
    Vector3* v = velocities.get();
    for (int i = 0; i < n; ++i) {
        v[i] *= factor;
    }

    const int stride = columns + 2;
    float* heights = paddedHeights.get();
    const Vector3* positions = vertexArray.vertices.get();
    for (int r = 0; r < rows; ++r) {
        float* row = heights + (r + 1) * stride + 1;
        for (int c = 0; c < columns; ++c) {
            row[c] = positions[r * columns + c].y;
        }
    }

    Vector3* a = accelerations.get();
    float* sums = rowSlopes.get();
    for (int r = 0; r < rows; ++r) {
        const float* here = heights + (r + 1) * stride + 1;
        slopeSumsRow(here, here + stride, here - stride, neighbourDistances.get() + r * columns, n, sums, columns);
        for (int c = 0; c < columns; ++c) {
            a[r * columns + c].y = stiffness * sums[c];
        }
    }
}

void WaterSurface::disturb(float x, float z, float strength, float radius) {
    const float radiusSquared = radius * radius;
    const Vector3* positions = vertexArray.vertices.get();
    Vector3* v = velocities.get();
    for (int i = 0; i < vertexArray.count; ++i) {
        const float dx = x - positions[i].x;
        const float dz = z - positions[i].z;
        const float distanceSquared = dx * dx + dz * dz;
        if (distanceSquared < radiusSquared) {
            v[i].y -= strength * (1.0f - distanceSquared / radiusSquared);
        }
    }
}

}  // namespace Tramble
