// A flat grid of columns x rows vertices in the y = 0 plane, centred on the origin, two
// triangles per cell facing +y. Mesh is a virtual base so that a class deriving from the
// grid and from another mesh-based layer (the water surface) holds a single mesh.
#pragma once

#include "demo/effects/mesh.h"

namespace Tramble {

class GridMesh : public virtual Mesh {
public:
    // columns vertices along x spanning width, rows vertices along z spanning depth; both
    // counts at least 2. Normals are left zero: call computeNormals when they are needed.
    GridMesh(int columns, int rows, float width, float depth);

    // The y of the vertex whose cell holds (x, z), without interpolation. The point must
    // lie strictly inside the grid's rectangle.
    float heightAt(float x, float z) const;

    // Number of triangles a grid of these dimensions needs.
    static int triangleCountFor(int columns, int rows) { return (2 * rows - 2) * (columns - 1); }

    int columns;
    int rows;
    float halfWidth;
    float halfDepth;
};

}  // namespace Tramble
