// Allocation and scaling of the vertex and triangle containers.
#include "engine/vertexarray.h"

namespace Tramble {

void VertexArray::allocate(int n) {
    release();
    if (n <= 0) {
        return;
    }
    count = n;
    vertices.reset(new Vector3[n]());
    if (hasNormals) {
        normals.reset(new Vector3[n]());
    }
    if (hasTexCoords) {
        texCoords.reset(new TexCoord[n]());
    }
    if (hasColours) {
        colours.reset(new VertexColour[n]());
    }
}

void VertexArray::release() {
    vertices.reset();
    normals.reset();
    texCoords.reset();
    colours.reset();
    count = 0;
}

void VertexArray::scale(const Vector3& s) {
    for (int i = 0; i < count; ++i) {
        vertices[i].x *= s.x;
        vertices[i].y *= s.y;
        vertices[i].z *= s.z;
    }
}

Vector3 Triangle::normal(const Vector3* positions) const {
    const Vector3& p0 = positions[v[0]];
    return (positions[v[1]] - p0).cross(positions[v[2]] - p0);
}

void TriangleList::resize(int n, const Triangle* source) {
    release();
    if (n <= 0) {
        return;
    }
    count = n;
    triangles.reset(new Triangle[n]());
    if (source != nullptr) {
        for (int i = 0; i < n; ++i) {
            triangles[i] = source[i];
        }
    }
}

void TriangleList::release() {
    triangles.reset();
    count = 0;
}

}  // namespace Tramble
