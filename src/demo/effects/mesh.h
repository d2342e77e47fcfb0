// Indexed triangle meshes drawn from client-side vertex arrays: Mesh draws all of its
// triangles with its material, PartialMesh only the first drawCount (for producers whose
// output size changes every frame). Smooth normals are area-weighted face-normal sums.
#pragma once

#include "engine/renderersys.h"
#include "engine/rendernode.h"
#include "engine/vertexarray.h"

namespace Tramble {

class Mesh : public RenderNode {
public:
    // Allocates vertexCount zeroed vertices (with normals and texture coordinates) and
    // triangleCount triangles for the owner to fill.
    Mesh(int vertexCount, int triangleCount);
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Applies the material unless useMaterial is off, then draws every triangle.
    void draw(Renderer& renderer) override;
    // Smooth vertex normals: each vertex gets the normalised sum of the unnormalised face
    // normals of its triangles, in triangle order, so larger faces weigh more. A vertex
    // that touches no triangle of non-zero area gets the zero vector rather than NaNs.
    void computeNormals();

    VertexArray vertexArray;
    TriangleList triangleList;
    Material material;
    bool useMaterial = true;

protected:
    // n times 1 / its length; a zero vector stays zero.
    static Vector3 unitLength(const Vector3& n) {
        const float length = n.length();
        return n * (length > 0.0f ? 1.0f / length : 0.0f);
    }
};

// A mesh of fixed capacity of which only a prefix is in use this frame.
class PartialMesh : public Mesh {
public:
    explicit PartialMesh(int vertexCapacity = 0, int triangleCapacity = 0);

    // Always applies the material, then draws the first drawCount triangles.
    void draw(Renderer& renderer) override;

    // Triangles in use, from the start of triangleList.
    int drawCount = 0;
    // Vertices the producer has written, from the start of vertexArray.
    int vertexCount = 0;
};

}  // namespace Tramble
