// Metaballs: point charges whose field sum(strength / distance^2) is sampled on a fixed
// 30^3 grid and polygonised with marching cubes into a mesh of fixed capacity, with normals
// from the balls' positions. The grid spans -0.5 to 0.4667 on each axis; nothing outside it
// is drawn, and a frame that would need more triangles than the capacity is cut short.
#pragma once

#include <cstdint>
#include <memory>

#include "demo/effects/mesh.h"
#include "engine/vecmath.h"

namespace Tramble {

struct Metaball {
    Vector3 position;
    float strength = 0.0f;
};

struct FieldSample {
    float value = 0.0f;
    // value strictly above the iso level.
    bool inside = false;
};

class Metaballs {
public:
    // Grid points per axis.
    static const int gridSize = 30;

    Metaballs();
    Metaballs(const Metaballs&) = delete;
    Metaballs& operator=(const Metaballs&) = delete;

    // Allocates n zeroed balls; call once, before any other ball operation.
    void setBallCount(int n);
    void setBallPosition(int index, const Vector3& position) { balls[index].position = position; }
    void setBallStrength(int index, float strength) { balls[index].strength = strength; }
    float getStrength(int index) const { return balls[index].strength; }
    void setIsoLevel(float level) { isoLevel = level; }
    // Room for the surface: every triangle needs three vertices of its own.
    void setCapacity(int triangles, int vertices);
    PartialMesh& getSurface() { return surface; }

    // Rebuilds the surface from the current balls. Triangles are emitted in cube order
    // (x slowest, z fastest) until the capacity is reached; the rest of that frame's
    // surface is dropped, so the mesh is never written past its end.
    void polygonise();

    std::unique_ptr<Metaball[]> balls;
    int ballCount = 0;
    // Point (x, y, z) is element (x * gridSize + y) * gridSize + z.
    FieldSample grid[gridSize * gridSize * gridSize];
    float isoLevel = 0.0f;
    PartialMesh surface;

private:
    // The per-axis squared distances of every ball to the grid coordinates.
    void measureBalls();
    // Samples, classifies and stores the grid points of plane x.
    void samplePlane(int x);
    // Marches the cubes with lower corner x; false once the surface is full.
    bool marchSlab(int x);
    // Interpolates and shades every crossed edge the cubes of slab x (lower corner x)
    // use, into the edge cache; the far plane's vertical edges carry over to the next slab.
    void prepareSlab(int x);
    // Queues the crossing on the edge from grid point a to grid point b, in that direction,
    // for cache slot `slot`.
    void stageEdge(int slot, int ax, int ay, int az, int bx, int by, int bz);
    // Normals of the queued crossings, stored into the cache.
    void shadeStaged();
    // Writes the triangles of the cube whose lower corner is cell y * gridSize + z of the
    // slab; false once the surface is full.
    bool emitCube(int cell, unsigned int cubeIndex);

    // Squared distance of each ball to every grid coordinate, per axis, [ball][axis][i]
    // with rows padded to a whole number of vectors: a grid point's squared distance is
    // the sum of three entries.
    std::unique_ptr<float[]> axisDistances;
    // Bit z of entry x * gridSize + y: point (x, y, z) is inside.
    std::uint32_t insideRows[gridSize * gridSize] = {};

    // A crossed edge's surface vertex.
    struct EdgePoint {
        Vector3 position;
        Vector3 normal;
    };
    // Every crossing is computed once per direction the cube tables traverse its edge in
    // (so results equal a cube-by-cube evaluation exactly) and shared by the up to four
    // cubes around the edge. Slots: blocks of gridSize^2 per kind of edge, indexed
    // y * gridSize + z within the current slab.
    std::unique_ptr<EdgePoint[]> edgePoints;
    // Which blocks hold the vertical edges of the slab's near and far planes; they swap as
    // the far plane becomes the next slab's near one.
    int nearVerticalBase = 0;
    int farVerticalBase = 0;
    // Slot of cube edge e (the tables' numbering) for the cube at y = z = 0 of the slab;
    // add y * gridSize + z for the others.
    int edgeSlots[12] = {};
    // Crossings waiting for their normals: their slots, and their positions and normal sums
    // one component per array, so the normal sums vectorise.
    int stagedCount = 0;
    std::unique_ptr<int[]> stagedSlots;
    std::unique_ptr<float[]> stagedCoordinates;
};

}  // namespace Tramble
