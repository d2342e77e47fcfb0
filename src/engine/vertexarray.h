// Client-side geometry containers: a vertex array (positions, optional normals, texture
// coordinates and colours, each tightly packed for the OpenGL pointer calls) and an indexed
// triangle list. Owners allocate once at capacity and rewrite in place every frame.
#pragma once

#include <memory>

#include "engine/vecmath.h"

namespace Tramble {

struct TexCoord {
    float s = 0.0f;
    float t = 0.0f;
};

static_assert(sizeof(TexCoord) == 2 * sizeof(float), "TexCoord must stay two packed floats");

// Red, green, blue, alpha, each 0 to 1.
struct VertexColour {
    float rgba[4] = {1.0f, 1.0f, 1.0f, 1.0f};
};

static_assert(sizeof(VertexColour) == 4 * sizeof(float), "VertexColour must stay four packed floats");

class VertexArray {
public:
    VertexArray() = default;
    VertexArray(const VertexArray&) = delete;
    VertexArray& operator=(const VertexArray&) = delete;

    // Drops the old arrays; for n > 0 makes n zeroed vertices, plus normals, texture
    // coordinates and (white) colours where the flags ask for them. Set the flags first.
    void allocate(int n);
    void release();
    // Multiplies every position component-wise by s.
    void scale(const Vector3& s);

    std::unique_ptr<Vector3[]> vertices;
    std::unique_ptr<Vector3[]> normals;
    std::unique_ptr<TexCoord[]> texCoords;
    std::unique_ptr<VertexColour[]> colours;
    bool hasNormals = false;
    bool hasTexCoords = false;
    bool hasColours = false;
    int count = 0;
};

// Three vertex indices, laid out as GL_UNSIGNED_INT triples.
struct Triangle {
    unsigned int v[3] = {0, 0, 0};

    // (p1 - p0) x (p2 - p0), not normalised: larger faces weigh more in smooth normals.
    Vector3 normal(const Vector3* positions) const;
};

static_assert(sizeof(Triangle) == 3 * sizeof(unsigned int), "Triangle must stay three packed indices");

class TriangleList {
public:
    TriangleList() = default;
    TriangleList(const TriangleList&) = delete;
    TriangleList& operator=(const TriangleList&) = delete;

    // Drops the old triangles; for n > 0 makes n triangles, copied from source if given.
    void resize(int n, const Triangle* source = nullptr);
    void release();

    std::unique_ptr<Triangle[]> triangles;
    int count = 0;
};

// What drawArrays draws; the order is ours, not OpenGL's numbering.
enum class PrimitiveType {
    Points,
    LineStrip,
    LineLoop,
    Lines,
    TriangleStrip,
    TriangleFan,
    Triangles,
    QuadStrip,
    Quads,
    Polygon
};

}  // namespace Tramble
