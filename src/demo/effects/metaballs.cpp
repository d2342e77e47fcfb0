// Sampling and marching. Squared distances separate by axis, so sampling is a sum of table
// entries and one division per ball and point, vectorised along z. Inside flags are packed
// into one bit mask per grid row, which finds the cubes the surface crosses without
// visiting the empty or full ones.
#include "demo/effects/metaballs.h"

#include <algorithm>

#include "demo/effects/marchingcubes.h"

namespace Tramble {

namespace {

const int gridSize = Metaballs::GridSize;
// Distance between neighbouring grid points in grid space (1/30 as a float).
const float gridStep = 0.033333335f;
// Grid-space coordinate of grid index 0 on every axis.
const float gridOrigin = -0.5f;
// Smallest squared distance a ball is taken to have from a grid point or a vertex: a ball
// sitting exactly on one gives a huge but finite sample, and a ball of strength 0 there
// gives 0 instead of NaN.
const float minimumDistanceSquared = 1e-20f;
// Cubes per axis and the mask of their lower-z bits within a row.
const int cubesPerAxis = gridSize - 1;
const std::uint32_t cubeBits = (1u << cubesPerAxis) - 1u;

// Offsets of the eight cube corners from the lower corner, in the tables' numbering.
const int cornerX[8] = {0, 1, 1, 0, 0, 1, 1, 0};
const int cornerY[8] = {1, 1, 1, 1, 0, 0, 0, 0};
const int cornerZ[8] = {0, 0, 1, 1, 0, 0, 1, 1};
// The two corners of each edge, interpolated from the first to the second.
const int edgeStart[12] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3};
const int edgeEnd[12] = {1, 2, 3, 0, 5, 6, 7, 4, 4, 5, 6, 7};

float coordinate(int index) { return static_cast<float>(index) * gridStep + gridOrigin; }

int gridIndex(int x, int y, int z) { return (x * gridSize + y) * gridSize + z; }

}  // namespace

void Metaballs::setBallCount(int n) {
    balls.reset(new Metaball[static_cast<size_t>(n)]());
    ballCount = n;
    axisDistances.reset(new float[static_cast<size_t>(n * 3 * gridSize)]);
}

void Metaballs::setCapacity(int triangles, int vertices) {
    surface.triangleList.resize(triangles);
    surface.vertexArray.allocate(vertices);
    surface.drawCount = 0;
    surface.vertexCount = 0;
}

void Metaballs::polygonise() {
    sample();
    surface.drawCount = 0;
    surface.vertexCount = 0;
    march();
}

// Each ball's terms are added to the whole row before the next ball's, which keeps the
// per-point sum in ball order while letting the compiler vectorise along z.
void Metaballs::sample() {
    float* distances = axisDistances.get();
    for (int b = 0; b < ballCount; ++b) {
        const Vector3& centre = balls[b].position;
        float* ball = distances + b * 3 * gridSize;
        for (int i = 0; i < gridSize; ++i) {
            const float dx = coordinate(i) - centre.x;
            const float dy = coordinate(i) - centre.y;
            const float dz = coordinate(i) - centre.z;
            ball[i] = dx * dx;
            ball[gridSize + i] = dy * dy;
            ball[2 * gridSize + i] = dz * dz;
        }
    }
    float row[gridSize];
    for (int x = 0; x < gridSize; ++x) {
        for (int y = 0; y < gridSize; ++y) {
            std::fill(row, row + gridSize, 0.0f);
            for (int b = 0; b < ballCount; ++b) {
                const float* ball = distances + b * 3 * gridSize;
                const float* dz2 = ball + 2 * gridSize;
                const float dxy = ball[x] + ball[gridSize + y];
                const float strength = balls[b].strength;
                for (int z = 0; z < gridSize; ++z) {
                    row[z] += strength / std::max(dxy + dz2[z], minimumDistanceSquared);
                }
            }
            FieldSample* samples = grid + gridIndex(x, y, 0);
            std::uint32_t mask = 0;
            for (int z = 0; z < gridSize; ++z) {
                const bool inside = row[z] > isoLevel;
                samples[z].value = row[z];
                samples[z].inside = inside;
                mask |= static_cast<std::uint32_t>(inside) << z;
            }
            insideRows[x * gridSize + y] = mask;
        }
    }
}

void Metaballs::march() {
    for (int x = 0; x < cubesPerAxis; ++x) {
        for (int y = 0; y < cubesPerAxis; ++y) {
            // Rows of the cube's corners: a = (x, y+1), b = (x+1, y+1), c = (x, y), d = (x+1, y).
            const std::uint32_t a = insideRows[x * gridSize + y + 1];
            const std::uint32_t b = insideRows[(x + 1) * gridSize + y + 1];
            const std::uint32_t c = insideRows[x * gridSize + y];
            const std::uint32_t d = insideRows[(x + 1) * gridSize + y];
            const std::uint32_t any = a | b | c | d;
            const std::uint32_t all = a & b & c & d;
            // Cube z is crossed when some but not all of its corners (bits z, z+1) are inside.
            std::uint32_t crossed = (any | any >> 1) & ~(all & all >> 1) & cubeBits;
            while (crossed != 0) {
                const int z = __builtin_ctz(crossed);
                crossed &= crossed - 1;
                const unsigned int cubeIndex = ((a >> z) & 1u) | ((b >> z) & 1u) << 1 | ((b >> (z + 1)) & 1u) << 2 |
                                               ((a >> (z + 1)) & 1u) << 3 | ((c >> z) & 1u) << 4 |
                                               ((d >> z) & 1u) << 5 | ((d >> (z + 1)) & 1u) << 6 |
                                               ((c >> (z + 1)) & 1u) << 7;
                if (!marchCube(x, y, z, cubeIndex)) {
                    return;
                }
            }
        }
    }
}

bool Metaballs::marchCube(int x, int y, int z, unsigned int cubeIndex) {
    // Only the slots of crossed edges are written; the triangle table reads no others.
    Vector3 edgeVertices[12];
    Vector3 edgeNormals[12];
    const unsigned int edges = MarchingCubesEdges[cubeIndex];
    for (int e = 0; e < 12; ++e) {
        if ((edges & (1u << e)) == 0) {
            continue;
        }
        const int from = edgeStart[e];
        const int to = edgeEnd[e];
        const int ax = x + cornerX[from], ay = y + cornerY[from], az = z + cornerZ[from];
        const int bx = x + cornerX[to], by = y + cornerY[to], bz = z + cornerZ[to];
        const float va = grid[gridIndex(ax, ay, az)].value;
        const float vb = grid[gridIndex(bx, by, bz)].value;
        const Vector3 pa(coordinate(ax), coordinate(ay), coordinate(az));
        const Vector3 pb(coordinate(bx), coordinate(by), coordinate(bz));
        // One corner is above the iso level and the other not, so vb != va here.
        edgeVertices[e] = pa + (pb - pa) * ((isoLevel - va) / (vb - va));
        edgeNormals[e] = normalAt(edgeVertices[e]);
    }

    const int triangleCapacity = surface.triangleList.count;
    const int vertexCapacity = surface.vertexArray.count;
    Vector3* positions = surface.vertexArray.vertices.get();
    Vector3* normals = surface.vertexArray.normals.get();
    Triangle* triangles = surface.triangleList.triangles.get();
    const signed char* row = MarchingCubesTriangles[cubeIndex];
    for (int t = 0; row[t] != -1; t += 3) {
        if (surface.drawCount == triangleCapacity || surface.vertexCount + 3 > vertexCapacity) {
            return false;
        }
        const unsigned int first = static_cast<unsigned int>(surface.vertexCount);
        // Written e2, e1, e0, so the triangle's indices run downwards.
        for (int k = 0; k < 3; ++k) {
            const int e = row[t + 2 - k];
            positions[first + k] = edgeVertices[e];
            normals[first + k] = edgeNormals[e];
        }
        triangles[surface.drawCount] = Triangle{{first + 2, first + 1, first}};
        surface.drawCount += 1;
        surface.vertexCount += 3;
    }
    return true;
}

Vector3 Metaballs::normalAt(const Vector3& v) const {
    Vector3 sum;
    for (int b = 0; b < ballCount; ++b) {
        const Vector3 offset = v - balls[b].position;
        const float distanceSquared = std::max(offset.lengthSquared(), minimumDistanceSquared);
        sum += Vector3(offset.x / distanceSquared, offset.y / distanceSquared, offset.z / distanceSquared);
    }
    return sum.normalised();
}

}  // namespace Tramble
