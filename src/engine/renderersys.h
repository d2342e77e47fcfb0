// The renderer: the OpenGL state the drawing code shares (viewport and projection, matrix
// stacks, lighting, depth, fog, polygon mode, materials) and the vertex-array draws.
// Every operation leaves the modelview matrix current, so callers may rely on it.
#pragma once

#include "engine/vecmath.h"
#include "engine/vertexarray.h"

namespace Tramble {

class Image;

// Which matrix a stack operation acts on; Projection switches there and back.
enum class MatrixMode { Modelview, Projection };
enum class PolygonMode { Points, Lines, Fill };
enum class FogMode { Exp, Exp2, Linear };

struct FogSettings {
    FogMode mode = FogMode::Exp;
    float colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float density = 1.0f;
    float start = 0.0f;
    float end = 1.0f;
};

// The render state a drawable applies before drawing. texGen: 0 off, 2 sphere mapping,
// anything else leaves generation as it is. blend: 1 additive, anything else off.
struct Material {
    unsigned int texture = 0;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    int texGen = 0;
    int blend = 0;
};

// Material::texGen values.
const int TexGenOff = 0;
const int TexGenSphereMap = 2;
// Material::blend value for additive blending.
const int BlendAdditive = 1;

class Renderer {
public:
    // Letterbox viewport, 100 degree perspective, lighting with light 0, depth test.
    void initialize();
    // Clears colour and depth over the whole window and resets the modelview matrix.
    void beginFrame();

    void setViewport(const int position[2], const int size[2]);
    // 0 (or -0) gives the unit orthographic box; anything else a perspective of that
    // vertical angle in degrees with the viewport's aspect.
    void setProjection(float fieldOfView);
    void pushMatrix(MatrixMode mode);
    void popMatrix(MatrixMode mode);
    void loadMatrix(const Matrix4& matrix, MatrixMode mode);

    void setLighting(bool on);
    void setDepthTest(bool on);
    void setDepthMask(bool on);
    void setFog(bool on);
    void setPolygonMode(PolygonMode mode);
    // Flat: each primitive takes its last vertex's colour as is, without interpolation.
    void setFlatShading(bool on);
    // Sets the fog parameters without enabling fog; setFog(true) does that. A mode outside
    // FogMode is refused (logged) and changes nothing.
    void setupFog(const FogSettings& fog);
    // Sets blending, colour, texturing and texture generation: a drawable that applies its
    // material needs no clean-up of those afterwards.
    void applyMaterial(const Material& material);

    void translate(const Vector3& offset);
    // Multiplies the current matrix by a look-at with the up vector (0, 1, 0).
    void lookAt(const Vector3& eye, const Vector3& centre);

    // Uploads an RGB or RGBA image as a mipmapped, linearly filtered texture; 0 on failure.
    unsigned int loadTexture(const Image& image);

    // Indexed triangles; count ~0u draws them all. The array must carry normals and
    // texture coordinates: all three client arrays are used, and an array without them is
    // refused (logged) and draws nothing.
    void drawElements(const VertexArray& vertices, const TriangleList& triangles, unsigned int count = ~0u);
    // Non-indexed primitives; count ~0u draws every vertex. Normals, texture coordinates
    // and colours are used where the array has them; colours replace the material's. A type
    // outside PrimitiveType is refused (logged).
    void drawArrays(PrimitiveType type, const VertexArray& vertices, unsigned int count = ~0u);

    int width = 0;
    int height = 0;
    // Re-applied by setViewport; initialize replaces that projection at once anyway.
    float fieldOfView = 100.0f;
};

}  // namespace Tramble
