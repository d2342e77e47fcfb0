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

std::unique_ptr<Vector3[]> zeroedVectors(int n) { return std::unique_ptr<Vector3[]>(new Vector3[static_cast<size_t>(n)]()); }

}  // namespace

MovingMesh::MovingMesh(int vertexCount, int triangleCount)
    : Mesh(vertexCount, triangleCount),
      velocities(zeroedVectors(vertexArray.count)),
      previousVelocities(zeroedVectors(vertexArray.count)) {}

void MovingMesh::update(unsigned int ms) {
    const float h = static_cast<float>(ms) * 0.0005f;
    Vector3* positions = vertexArray.vertices.get();
    Vector3* v = velocities.get();
    Vector3* previous = previousVelocities.get();
    for (int i = 0; i < vertexArray.count; ++i) {
        positions[i] += (v[i] + previous[i]) * h;
        previous[i] = v[i];
    }
    computeNormals();
}

AcceleratedMesh::AcceleratedMesh(int vertexCount, int triangleCount)
    : Mesh(vertexCount, triangleCount),
      MovingMesh(vertexCount, triangleCount),
      accelerations(zeroedVectors(vertexArray.count)),
      previousAccelerations(zeroedVectors(vertexArray.count)) {}

void AcceleratedMesh::update(unsigned int ms) {
    const float h = static_cast<float>(ms) * 0.0005f;
    Vector3* v = velocities.get();
    Vector3* a = accelerations.get();
    Vector3* previous = previousAccelerations.get();
    for (int i = 0; i < vertexArray.count; ++i) {
        v[i] += (a[i] + previous[i]) * h;
        previous[i] = a[i];
    }
    MovingMesh::update(ms);
}

WaterSurface::WaterSurface(int columns, int rows, float width, float depth, float damping, float stiffness)
    : Mesh(columns * rows, GridMesh::triangleCountFor(columns, rows)),
      GridMesh(columns, rows, width, depth),
      AcceleratedMesh(columns * rows, GridMesh::triangleCountFor(columns, rows)),
      damping(damping),
      stiffness(stiffness),
      paddedHeights(new float[static_cast<size_t>((columns + 2) * (rows + 2))]()),
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
    const float* distances = neighbourDistances.get();
    for (int r = 0; r < rows; ++r) {
        const float* here = heights + (r + 1) * stride + 1;
        const float* above = here + stride;
        const float* below = here - stride;
        const int first = r * columns;
        const float* d = distances + first;
        for (int c = 0; c < columns; ++c) {
            const float s = here[c];
            float sum = (above[c + 1] - s) / d[c];
            sum += (above[c - 1] - s) / d[n + c];
            sum += (below[c - 1] - s) / d[2 * n + c];
            sum += (below[c + 1] - s) / d[3 * n + c];
            sum += (above[c] - s) / d[4 * n + c];
            sum += (here[c - 1] - s) / d[5 * n + c];
            sum += (below[c] - s) / d[6 * n + c];
            sum += (here[c + 1] - s) / d[7 * n + c];
            a[first + c].y = stiffness * sum;
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
