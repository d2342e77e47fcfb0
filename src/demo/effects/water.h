// A sheet of water on a grid mesh: each vertex moves vertically only, is pulled towards its
// eight neighbours' heights, loses energy over time and can be pushed down locally. Built
// in layers sharing one Mesh and one task base: velocities, then accelerations, then the
// water's own forces. The rim behaves as if held at height 0 one unit beyond the edge.
#pragma once

#include <memory>

#include "demo/effects/gridmesh.h"
#include "demo/effects/mesh.h"
#include "engine/basictask.h"
#include "engine/vecmath.h"

namespace Tramble {

// Per-vertex velocities integrated into the mesh's positions with the trapezoid rule.
class MovingMesh : public virtual Mesh, public virtual ITimeTask {
public:
    // The mesh counts matter only when MovingMesh is the most derived class; otherwise the
    // most derived class builds the shared Mesh and these are ignored.
    MovingMesh(int vertexCount, int triangleCount);

    // Positions move by the mean of this and the previous velocity, then normals follow.
    void update(unsigned int ms) override;

    // Units per second, one per vertex.
    std::unique_ptr<Vector3[]> velocities;
    std::unique_ptr<Vector3[]> previousVelocities;
};

// Per-vertex accelerations integrated into the velocities, ahead of the moving layer.
class AcceleratedMesh : public MovingMesh {
public:
    AcceleratedMesh(int vertexCount, int triangleCount);

    void update(unsigned int ms) override;

    // Units per second squared, one per vertex.
    std::unique_ptr<Vector3[]> accelerations;
    std::unique_ptr<Vector3[]> previousAccelerations;
};

class WaterSurface : public AcceleratedMesh, public virtual GridMesh {
public:
    // damping in 1/s (velocities lose dt * damping of themselves per update); stiffness
    // scales the pull of the neighbours' slopes.
    WaterSurface(int columns, int rows, float width, float depth, float damping, float stiffness);

    // Integrates (accelerations, velocities, positions, normals), then damps the
    // velocities and derives the next accelerations from the new shape.
    void update(unsigned int ms) override;
    // Pushes the vertices strictly within radius of (x, z) down by strength, falling off
    // quadratically to nothing at the radius. Shows from the next update on.
    void disturb(float x, float z, float strength, float radius);

    float damping;
    float stiffness;

private:
    // Heights with a ring of zeros around the grid, (columns + 2) x (rows + 2), so that
    // every vertex reads eight neighbours without a bounds test.
    std::unique_ptr<float[]> paddedHeights;
    // One row's slope sums, so the slope loop stores contiguously and vectorises.
    std::unique_ptr<float[]> rowSlopes;
    // Horizontal distance to each of the eight neighbours, per vertex (8 floats each, in
    // the order the slopes are summed); 1 for neighbours beyond the rim, whose height is 0.
    std::unique_ptr<float[]> neighbourDistances;
};

}  // namespace Tramble
