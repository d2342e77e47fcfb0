// Sampling and marching. Squared distances separate by axis, so sampling is a sum of table
// entries and one division per ball and point, vectorised along z. Inside flags are packed
// into one bit mask per grid row, which finds the crossed cubes and edges without visiting
// empty or full ones. The grid is marched in slabs of constant x; each slab's crossings
// are interpolated and shaded once, in batches, before its cubes emit triangles.
#include "demo/effects/metaballs.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "demo/effects/marchingcubes.h"

namespace Tramble {

namespace {

const int gridSize = Metaballs::gridSize;
const int planeSize = gridSize * gridSize;
// Distance between neighbouring grid points in grid space (1/30 as a float).
const float gridStep = 0.033333335f;
// Grid-space coordinate of grid index 0 on every axis.
const float gridOrigin = -0.5f;
// Sampling rows padded to whole SSE vectors, so the vectorised loop has no scalar tail.
const int paddedRow = 32;
// Smallest squared distance a ball is taken to have from a grid point or a vertex: a ball
// sitting exactly on one gives a huge but finite sample, and a ball of strength 0 there
// gives 0 instead of NaN.
const float minimumDistanceSquared = 1e-20f;
// Cubes per axis and the mask of their lower-z bits within a row.
const int cubesPerAxis = gridSize - 1;
const std::uint32_t cubeBits = (1u << cubesPerAxis) - 1u;

// Slot blocks of the edge cache. A slab's edges along x are traversed both ways by the
// tables, its edges along z backwards in the near plane and forwards in the far one, and
// its vertical edges always downwards; the last two blocks hold the near and far
// vertical edges, in either order.
enum EdgeBlock { XForward, XBackward, ZNearBackward, ZFarForward, NearVertical, FarVertical, EdgeBlockCount };
const int maxStaged = EdgeBlockCount * planeSize;

// For cube edge e (the tables' numbering): its slot block and its offset in y and z from
// the cube's lower corner, in the slab's y * gridSize + z indexing.
const int edgeBlock[12] = {XForward,  ZFarForward,   XBackward,    ZNearBackward, XForward,    ZFarForward,
                           XBackward, ZNearBackward, NearVertical, FarVertical,   FarVertical, NearVertical};
const int edgeOffset[12] = {gridSize, gridSize, gridSize + 1, gridSize, 0, 0, 1, 0, 0, 0, 1, 1};

// Bit z of a row's inside mask, zero for the padding.
const std::uint32_t rowBits[paddedRow] = {
    1u << 0,  1u << 1,  1u << 2,  1u << 3,  1u << 4,  1u << 5,  1u << 6,  1u << 7,  1u << 8,  1u << 9,  1u << 10,
    1u << 11, 1u << 12, 1u << 13, 1u << 14, 1u << 15, 1u << 16, 1u << 17, 1u << 18, 1u << 19, 1u << 20, 1u << 21,
    1u << 22, 1u << 23, 1u << 24, 1u << 25, 1u << 26, 1u << 27, 1u << 28, 1u << 29, 0u,       0u};

float coordinate(int index) {
    return static_cast<float>(index) * gridStep + gridOrigin;
}

int gridIndex(int x, int y, int z) {
    return (x * gridSize + y) * gridSize + z;
}

}  // namespace

Metaballs::Metaballs()
    : edgePoints(new EdgePoint[maxStaged]),
      stagedSlots(new int[maxStaged]),
      stagedCoordinates(new float[6 * maxStaged]) {}

void Metaballs::setBallCount(int n) {
    balls.reset(new Metaball[static_cast<size_t>(n)]());
    ballCount = n;
    axisDistances.reset(new float[static_cast<size_t>(n * 3 * paddedRow)]());
}

void Metaballs::setCapacity(int triangles, int vertices) {
    surface.triangleList.resize(triangles);
    surface.vertexArray.allocate(vertices);
    surface.drawCount = 0;
    surface.vertexCount = 0;
}

// Each slab is marched right after its far plane is sampled, while the samples of both its
// planes are still in the cache. Once the surface is full the rest of the grid is only
// sampled.
void Metaballs::polygonise() {
    measureBalls();
    surface.drawCount = 0;
    surface.vertexCount = 0;
    samplePlane(0);
    bool room = true;
    for (int x = 0; x < cubesPerAxis; ++x) {
        samplePlane(x + 1);
        if (room) {
            room = marchSlab(x);
        }
    }
}

void Metaballs::measureBalls() {
    float* distances = axisDistances.get();
    for (int b = 0; b < ballCount; ++b) {
        const Vector3& centre = balls[b].position;
        float* ball = distances + b * 3 * paddedRow;
        for (int i = 0; i < gridSize; ++i) {
            const float dx = coordinate(i) - centre.x;
            const float dy = coordinate(i) - centre.y;
            const float dz = coordinate(i) - centre.z;
            ball[i] = dx * dx;
            ball[paddedRow + i] = dy * dy;
            ball[2 * paddedRow + i] = dz * dz;
        }
    }
}

// Each ball's terms are added to the whole plane before the next ball's, which keeps the
// per-point sum in ball order while letting the compiler vectorise along z.
void Metaballs::samplePlane(int x) {
    const float* distances = axisDistances.get();
    float plane[gridSize][paddedRow] = {};
    for (int b = 0; b < ballCount; ++b) {
        const float* ball = distances + b * 3 * paddedRow;
        const float* dz2 = ball + 2 * paddedRow;
        const float strength = balls[b].strength;
        for (int y = 0; y < gridSize; ++y) {
            const float dxy = ball[x] + ball[paddedRow + y];
            float* row = plane[y];
            for (int z = 0; z < paddedRow; ++z) {
                row[z] += strength / std::max(dxy + dz2[z], minimumDistanceSquared);
            }
        }
    }
    const float iso = isoLevel;
    for (int y = 0; y < gridSize; ++y) {
        const float* row = plane[y];
        // Branch-free and vectorised: the padding's bits are 0.
        std::uint32_t mask = 0;
        for (int z = 0; z < paddedRow; ++z) {
            mask |= row[z] > iso ? rowBits[z] : 0u;
        }
        insideRows[x * gridSize + y] = mask;
        FieldSample* samples = grid + gridIndex(x, y, 0);
        for (int z = 0; z < gridSize; ++z) {
            samples[z] = FieldSample{row[z], row[z] > iso};
        }
    }
}

bool Metaballs::marchSlab(int x) {
    prepareSlab(x);
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
                                           ((a >> (z + 1)) & 1u) << 3 | ((c >> z) & 1u) << 4 | ((d >> z) & 1u) << 5 |
                                           ((d >> (z + 1)) & 1u) << 6 | ((c >> (z + 1)) & 1u) << 7;
            if (!emitCube(y * gridSize + z, cubeIndex)) {
                return false;
            }
        }
    }
    return true;
}

void Metaballs::prepareSlab(int x) {
    stagedCount = 0;
    if (x == 0) {
        nearVerticalBase = NearVertical * planeSize;
        farVerticalBase = FarVertical * planeSize;
    } else {
        std::swap(nearVerticalBase, farVerticalBase);
    }
    const int blockBase[EdgeBlockCount] = {XForward * planeSize,    XBackward * planeSize, ZNearBackward * planeSize,
                                           ZFarForward * planeSize, nearVerticalBase,      farVerticalBase};
    for (int e = 0; e < 12; ++e) {
        edgeSlots[e] = blockBase[edgeBlock[e]] + edgeOffset[e];
    }
    const std::uint32_t* near = insideRows + x * gridSize;
    const std::uint32_t* far = near + gridSize;
    for (int y = 0; y < gridSize; ++y) {
        const int row = y * gridSize;
        if (y < cubesPerAxis) {
            // The near plane's vertical edges were the previous slab's far ones.
            for (std::uint32_t bits = x == 0 ? near[y] ^ near[y + 1] : 0u; bits != 0; bits &= bits - 1) {
                const int z = __builtin_ctz(bits);
                stageEdge(nearVerticalBase + row + z, x, y + 1, z, x, y, z);
            }
            for (std::uint32_t bits = far[y] ^ far[y + 1]; bits != 0; bits &= bits - 1) {
                const int z = __builtin_ctz(bits);
                stageEdge(farVerticalBase + row + z, x + 1, y + 1, z, x + 1, y, z);
            }
        }
        for (std::uint32_t bits = (near[y] ^ near[y] >> 1) & cubeBits; bits != 0; bits &= bits - 1) {
            const int z = __builtin_ctz(bits);
            stageEdge(ZNearBackward * planeSize + row + z, x, y, z + 1, x, y, z);
        }
        for (std::uint32_t bits = (far[y] ^ far[y] >> 1) & cubeBits; bits != 0; bits &= bits - 1) {
            const int z = __builtin_ctz(bits);
            stageEdge(ZFarForward * planeSize + row + z, x + 1, y, z, x + 1, y, z + 1);
        }
        for (std::uint32_t bits = near[y] ^ far[y]; bits != 0; bits &= bits - 1) {
            const int z = __builtin_ctz(bits);
            stageEdge(XForward * planeSize + row + z, x, y, z, x + 1, y, z);
            stageEdge(XBackward * planeSize + row + z, x + 1, y, z, x, y, z);
        }
    }
    shadeStaged();
}

// One corner is above the iso level and the other not, so vb != va.
void Metaballs::stageEdge(int slot, int ax, int ay, int az, int bx, int by, int bz) {
    const float va = grid[gridIndex(ax, ay, az)].value;
    const float vb = grid[gridIndex(bx, by, bz)].value;
    const Vector3 pa(coordinate(ax), coordinate(ay), coordinate(az));
    const Vector3 pb(coordinate(bx), coordinate(by), coordinate(bz));
    const Vector3 position = pa + (pb - pa) * ((isoLevel - va) / (vb - va));
    edgePoints[slot].position = position;
    stagedSlots[stagedCount] = slot;
    float* xs = stagedCoordinates.get();
    xs[stagedCount] = position.x;
    xs[maxStaged + stagedCount] = position.y;
    xs[2 * maxStaged + stagedCount] = position.z;
    ++stagedCount;
}

// The normal at v is sum((v - position) / |v - position|^2) over the balls, multiplied by
// 1 / its length (zero if the sum vanishes). Strengths do not enter it.
void Metaballs::shadeStaged() {
    const int n = stagedCount;
    const float* xs = stagedCoordinates.get();
    const float* ys = xs + maxStaged;
    const float* zs = ys + maxStaged;
    float* nx = stagedCoordinates.get() + 3 * maxStaged;
    float* ny = nx + maxStaged;
    float* nz = ny + maxStaged;
    std::fill(nx, nx + n, 0.0f);
    std::fill(ny, ny + n, 0.0f);
    std::fill(nz, nz + n, 0.0f);
    for (int b = 0; b < ballCount; ++b) {
        const Vector3 centre = balls[b].position;
        for (int i = 0; i < n; ++i) {
            const float ox = xs[i] - centre.x;
            const float oy = ys[i] - centre.y;
            const float oz = zs[i] - centre.z;
            const float distanceSquared = std::max(ox * ox + oy * oy + oz * oz, minimumDistanceSquared);
            nx[i] += ox / distanceSquared;
            ny[i] += oy / distanceSquared;
            nz[i] += oz / distanceSquared;
        }
    }
    for (int i = 0; i < n; ++i) {
        const float length = std::sqrt(nx[i] * nx[i] + ny[i] * ny[i] + nz[i] * nz[i]);
        const float scale = length > 0.0f ? 1.0f / length : 0.0f;
        edgePoints[stagedSlots[i]].normal = Vector3(nx[i] * scale, ny[i] * scale, nz[i] * scale);
    }
}

bool Metaballs::emitCube(int cell, unsigned int cubeIndex) {
    const int triangleCapacity = surface.triangleList.count;
    const int vertexCapacity = surface.vertexArray.count;
    int drawCount = surface.drawCount;
    int vertexCount = surface.vertexCount;
    Vector3* positions = surface.vertexArray.vertices.get();
    Vector3* normals = surface.vertexArray.normals.get();
    Triangle* triangles = surface.triangleList.triangles.get();
    const EdgePoint* points = edgePoints.get() + cell;
    const signed char* row = marchingCubesTriangles[cubeIndex];
    bool room = true;
    for (int t = 0; row[t] != -1; t += 3) {
        if (drawCount == triangleCapacity || vertexCount + 3 > vertexCapacity) {
            room = false;
            break;
        }
        // Written e2, e1, e0, so the triangle's indices run downwards.
        for (int k = 0; k < 3; ++k) {
            const EdgePoint& point = points[edgeSlots[row[t + 2 - k]]];
            positions[vertexCount + k] = point.position;
            normals[vertexCount + k] = point.normal;
        }
        const unsigned int first = static_cast<unsigned int>(vertexCount);
        triangles[drawCount] = Triangle{{first + 2, first + 1, first}};
        drawCount += 1;
        vertexCount += 3;
    }
    surface.drawCount = drawCount;
    surface.vertexCount = vertexCount;
    return room;
}

}  // namespace Tramble
