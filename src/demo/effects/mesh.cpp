// Mesh drawing and smooth normals. The normal pass is linear in the triangle count and
// allocates nothing, so per-frame producers (the water surface) can call it every frame.
#include "demo/effects/mesh.h"

namespace Tramble {

Mesh::Mesh(int vertexCount, int triangleCount) {
    vertexArray.hasNormals = true;
    vertexArray.hasTexCoords = true;
    vertexArray.allocate(vertexCount);
    triangleList.resize(triangleCount);
}

void Mesh::draw(Renderer& renderer) {
    if (useMaterial) {
        renderer.applyMaterial(material);
    }
    renderer.drawElements(vertexArray, triangleList);
}

// The face normal is Triangle::normal written out here so that it inlines: the water
// recomputes its normals every frame.
void Mesh::computeNormals() {
    const int vertexCount = vertexArray.count;
    const Vector3* positions = vertexArray.vertices.get();
    Vector3* normals = vertexArray.normals.get();
    for (int i = 0; i < vertexCount; ++i) {
        normals[i] = Vector3();
    }
    const Triangle* triangles = triangleList.triangles.get();
    for (int t = 0; t < triangleList.count; ++t) {
        const Triangle& triangle = triangles[t];
        const Vector3 p0 = positions[triangle.v[0]];
        const Vector3 n = (positions[triangle.v[1]] - p0).cross(positions[triangle.v[2]] - p0);
        normals[triangle.v[0]] += n;
        normals[triangle.v[1]] += n;
        normals[triangle.v[2]] += n;
    }
    for (int i = 0; i < vertexCount; ++i) {
        normals[i] = unitLength(normals[i]);
    }
}

PartialMesh::PartialMesh(int vertexCapacity, int triangleCapacity) : Mesh(vertexCapacity, triangleCapacity) {}

void PartialMesh::draw(Renderer& renderer) {
    renderer.applyMaterial(material);
    renderer.drawElements(vertexArray, triangleList, static_cast<unsigned int>(drawCount));
}

}  // namespace Tramble
