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
    static const int GridSize = 30;

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
    // Point (x, y, z) is element (x * GridSize + y) * GridSize + z.
    FieldSample grid[GridSize * GridSize * GridSize];
    float isoLevel = 0.0f;
    PartialMesh surface;

private:
    void sample();
    void march();
    // Marches one cube with lower corner (x, y, z); false once the surface is full.
    bool marchCube(int x, int y, int z, unsigned int cubeIndex);
    // sum((v - position) / |v - position|^2) over the balls, normalised; zero if it vanishes.
    Vector3 normalAt(const Vector3& v) const;

    // Squared distance of each ball to every grid coordinate, per axis, [ball][axis][i]:
    // a grid point's squared distance is the sum of three table entries.
    std::unique_ptr<float[]> axisDistances;
    // Bit z of entry x * GridSize + y: point (x, y, z) is inside.
    std::uint32_t insideRows[GridSize * GridSize] = {};
};

}  // namespace Tramble
