// The renderer: the one owner of the OpenGL state our drawing code changes (viewport and
// projection, matrix stacks and boxes, lighting, depth, fog, shading, polygon mode, stencil,
// lights, materials) and the vertex-array draws. Scenes and drawables change GL state only
// through it. Every operation leaves the modelview matrix current, so callers may rely on it.
#pragma once

#include <memory>

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

// What a drawable applies before drawing: blending, colour, texture and its coordinate
// generation. texGen: texGenOff, texGenSphereMap, or any other value to leave generation as
// it is. blend: blendAdditive (source alpha, one), any other value blending off. Untextured
// materials leave generation as it is too: a later textured material with generation off is
// what turns it off.
struct Material {
    unsigned int texture = 0;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    int texGen = 0;
    int blend = 0;
};

// Material::texGen values.
const int texGenOff = 0;
const int texGenSphereMap = 2;
// Material::blend values.
const int blendOff = 0;
const int blendAdditive = 1;

// Off: no stencil test. Mark: every pixel drawn adds one to its mark, whatever the mark.
// Equal: a pixel is drawn only where its mark equals stencilValue; marks stay.
enum class Stencil { Off, Mark, Equal };

// The fixed-function state our draws change, all of it, in one value: setState applies the
// fields that differ from the state set last, Quake-style, and each single-field operation
// (setLighting, setDepthTest, setDepthMask, setFog, setPolygonMode, setFlatShading) goes
// through the same cache, so `state()` is always what the context holds. The defaults are
// the lit 3D state initialize sets up.
struct RenderState {
    bool lighting = true;
    bool depthTest = true;
    bool depthWrite = true;
    bool fog = false;
    // Flat: each primitive takes its last vertex's colour as is, without interpolation.
    bool flatShading = false;
    // Points, Lines or Fill; any other value goes to glPolygonMode as it is.
    PolygonMode polygonMode = PolygonMode::Fill;
    Stencil stencil = Stencil::Off;
    int stencilValue = 0;
};

// Who sets what around each kind of draw. A scene states its whole state with setState at
// the start of its draw, then sets around each drawable what that drawable needs of it (the
// scenes' helpers in sceneparts do it for sprites, backdrops and fades). The drawables
// themselves change only what their own contract says, and leave it as the column says:
//
//   draw            lighting         depth test       depth mask  box              also
//   Mesh            as found         as found         as found    as found         -
//   ParticleSystem  off, left ON     as found         as found    as found         flat shading, put back
//   ScreenQuad      as found         as found         as found    unit box         -
//   ScreenFade      as found         as found         as found    unit box         -
//   BitmapFont      off, left ON     off, left ON     as found    800 x 600 text   -
//
// "Left ON" means on after the draw whatever it was before, so a scene that wants lighting
// off for its next draw (a fade after the sparks) sets it off again. Each draw also applies
// its own Material (blend, colour, texture, generation), which the next draw's replaces.

// An orthographic box the picture is drawn in, from left to right and bottom to top; depth
// runs from -1 to 1.
struct ScreenBox {
    double left;
    double right;
    double bottom;
    double top;
};
// The viewport as the square from -1 to 1 on both axes.
const ScreenBox unitBox = {-1.0, 1.0, -1.0, 1.0};

// The two specular point lights of the shiny surfaces and the surfaces' own highlight:
// positions are in the coordinates of the modelview matrix current when they are set.
struct SpecularLights {
    float surfaceSpecular[4];
    float shininess;
    float lightSpecular[4];
    float positions[2][4];
};

// The perspective's clip planes: near is the float 0.1 widened to double; the golden frames
// are drawn with exactly this depth range.
const double nearPlane = static_cast<double>(0.1f);
const double farPlane = 5000.0;

// One interface, two back ends chosen when building (TRAMBLE_RENDERER): `fixed` draws with
// OpenGL 1.1's fixed-function pipeline (renderer_fixed.cpp), `shaders` with OpenGL ES 2.0 /
// WebGL 1 alone (renderer_shaders.cpp), to the same pictures. This file and renderersys.cpp
// hold what both share: the operations' contracts, the state cache and the checks of what
// callers pass; each back end defines the rest and says which GL state it touches.
class Renderer {
public:
    Renderer();
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Letterbox viewport of an 800 x 600 window, 100 degree perspective, lighting with
    // light 0, depth test.
    void initialize();
    // The letterbox viewport of a window that size in pixels: its whole width, the middle
    // two thirds of its height.
    void setWindowSize(int windowWidth, int windowHeight);
    // Clears colour and depth over the whole window and resets the modelview matrix.
    void beginFrame();

    void setViewport(const int position[2], const int size[2]);
    // 0 (or -0) gives the unit orthographic box; anything else a perspective of that
    // vertical angle in degrees with the viewport's aspect.
    void setProjection(float fieldOfView);
    void pushMatrix(MatrixMode mode);
    void popMatrix(MatrixMode mode);
    void loadMatrix(const Matrix4& matrix, MatrixMode mode);

    // Each sets one field of the state, with a GL call only when the field changes.
    void setLighting(bool on);
    void setDepthTest(bool on);
    void setDepthMask(bool on);
    void setFog(bool on);
    void setPolygonMode(PolygonMode mode);
    void setFlatShading(bool on);
    // Applies the fields of state that differ from the last state set; the first call after
    // initialize or on a new renderer applies every field.
    void setState(const RenderState& state);
    const RenderState& state() const { return current; }
    // Saves both matrices and draws in box with an identity modelview until popBox.
    void pushBox(const ScreenBox& box);
    void popBox();
    // Sets every mark of the stencil buffer to 0.
    void clearStencil();
    // Switches light 0 off and the two specular lights on, for the rest of the run.
    void setSpecularLights(const SpecularLights& lights);
    // The current modelview matrix, as a drawable that faces the camera needs it.
    Matrix4 modelview() const;
    // The current projection matrix.
    Matrix4 projection() const;

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
    void deleteTexture(unsigned int texture);

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

private:
    // Whether a field's GL call is due: always until a whole state has been applied.
    template <class T>
    bool changes(const T& field, const T& value) const {
        return !stateKnown || field != value;
    }

    // The GL side of the operations above that the shared code checks or caches first; the
    // apply functions are called only when their field changes. The depth and stencil ones
    // are shared (both APIs set those alike), the rest each back end defines.
    void applyDepthTest(bool on);
    void applyDepthMask(bool on);
    void applyStencil(Stencil stencil, int value);
    void initializeBackend();
    void applyViewport(const int position[2], const int size[2]);
    void applyLighting(bool on);
    void applyFog(bool on);
    void applyPolygonMode(PolygonMode mode);
    void applyFlatShading(bool on);
    void applyFogSettings(const FogSettings& fog);
    // The material's colour, texture and texture generation; the shared part sets blending.
    void applyColourAndTexture(const Material& material);
    // Both formats valid; 0 on failure, logged.
    unsigned int uploadTexture(const Image& image, bool alpha);
    // Counts clamped to what the arrays hold, and at least 1.
    void drawTriangles(const VertexArray& vertices, const TriangleList& triangles, unsigned int count);
    void drawPrimitives(PrimitiveType type, const VertexArray& vertices, unsigned int count);

    RenderState current;
    // False until a state has been applied in full: until then the context's state is not
    // the one `current` describes.
    bool stateKnown = false;
    // The back end's own state and GL objects.
    struct Backend;
    std::unique_ptr<Backend> backend;
};

// Sets a draw's state for as long as it lives and puts the state before it back when it
// goes: the one place where what a draw changed is undone.
class ScopedState {
public:
    ScopedState(Renderer& renderer, const RenderState& state) : renderer(renderer), saved(renderer.state()) {
        renderer.setState(state);
    }
    ~ScopedState() { renderer.setState(saved); }
    ScopedState(const ScopedState&) = delete;
    ScopedState& operator=(const ScopedState&) = delete;

private:
    Renderer& renderer;
    RenderState saved;
};

// Draws in an orthographic box for as long as it lives; both matrices come back after.
class ScopedBox {
public:
    ScopedBox(Renderer& renderer, const ScreenBox& box) : renderer(renderer) { renderer.pushBox(box); }
    ~ScopedBox() { renderer.popBox(); }
    ScopedBox(const ScopedBox&) = delete;
    ScopedBox& operator=(const ScopedBox&) = delete;

private:
    Renderer& renderer;
};

}  // namespace Tramble
