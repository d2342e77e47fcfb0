// The renderer against a real context, in either back end: its operations on the picture and
// the state cache, the letterbox, boxes and matrix stacks.
#include "engine/renderersys.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "engine/camera.h"
#include "engine/image.h"
#include "support/glcontext.h"

namespace Tramble {
namespace {

GLint integer(GLenum which) {
    GLint value[2] = {0, 0};
    glGetIntegerv(which, value);
    return value[0];
}

std::vector<float> values(const Matrix4& m) {
    return std::vector<float>(m.m, m.m + 16);
}

// A 2 x 2 texture: red, green, blue and white texels, lower left first.
const unsigned char fourTexels[12] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
// Grey, which lighting with light 0 head on lifts by the scene's ambient fifth: 128 to 153.
const Material grey = {0, {0.5f, 0.5f, 0.5f, 1.0f}, texGenOff, blendOff};

// The observations both back ends can make: what reaches the context as GL state (depth,
// stencil, blending), and what a draw puts on screen (lighting, fog, polygon mode, texture
// generation), through the renderer's own matrices and operations.
class RendererTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        renderer.initialize();
        Image image;
        image.setData(fourTexels, 2, 2, 3);
        texture = renderer.loadTexture(image);
        // A wall two units in front of the eye, wider than the view, looking at the first
        // texel's centre; without normals it faces light 0.
        wall.hasTexCoords = true;
        wall.allocate(4);
        const float corners[4][2] = {{-10.0f, -10.0f}, {10.0f, -10.0f}, {10.0f, 10.0f}, {-10.0f, 10.0f}};
        for (int i = 0; i < 4; ++i) {
            wall.vertices[i] = Vector3(corners[i][0], corners[i][1], -2.0f);
            wall.texCoords[i] = TexCoord{0.25f, 0.25f};
        }
        FogSettings fog;
        fog.density = 0.5f;
        renderer.setupFog(fog);
    }
    void TearDown() override {
        renderer.deleteTexture(texture);
        GLTest::TearDown();
    }

    Renderer renderer;
    unsigned int texture = 0;
    VertexArray wall;
};

// The wall drawn with the state and material of the moment: the middle pixel of the view.
std::vector<unsigned char> wallPixel(Renderer& renderer, const VertexArray& wall) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer.drawArrays(PrimitiveType::Quads, wall);
    return readFrame(400, 300, 1, 1);
}

// gluPerspective with a 100 degree field of view: y is scaled by 1 / tan(50 degrees), x by
// that over the aspect, first of the 800 x 400 letterbox, then of the viewport set.
TEST_F(RendererTest, LetterboxPerspectiveAndAViewportThatRebuildsIt) {
    const double f = 1.0 / std::tan(50.0 * M_PI / 180.0);
    const int position[2] = {0, 0};
    const int size[2] = {800, 600};
    for (const double aspect : {2.0, 800.0 / 600.0}) {
        const Matrix4 p = renderer.projection();
        EXPECT_NEAR(p[5], f, 1e-5) << aspect;
        EXPECT_NEAR(p[0], f / aspect, 1e-5) << aspect;
        renderer.setViewport(position, size);
    }
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
}

// Another window keeps the letterbox's shares: bars of a sixth of its height.
TEST_F(RendererTest, WindowSizeScalesTheLetterbox) {
    renderer.setWindowSize(1600, 1200);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 200, 1600, 800}));
}

// A textured material with the given generation and blending.
Material textured(unsigned int texture, int texGen, int blend = blendOff) {
    Material material;
    material.texture = texture;
    material.texGen = texGen;
    material.blend = blend;
    return material;
}

bool isRed(const std::vector<unsigned char>& p) {
    return p[0] > 250 && p[1] < 5 && p[2] < 5;
}

// One row per operation: what it does to the lit 3D state with a grey material, and whether
// the context or the wall shows it done. Rows marked `cached` change a field of the state
// cache, which the defaults must then undo.
struct Operation {
    const char* name;
    bool cached;
    std::function<void(Renderer&, unsigned int texture)> apply;
    std::function<bool(Renderer&, const VertexArray& wall)> shows;
};

const Operation operations[] = {
    {"setLighting", true, [](Renderer& r, unsigned int) { r.setLighting(false); },
     [](Renderer& r, const VertexArray& w) { return wallPixel(r, w)[0] == 128; }},
    {"setDepthTest", true, [](Renderer& r, unsigned int) { r.setDepthTest(false); },
     [](Renderer&, const VertexArray&) { return !glIsEnabled(GL_DEPTH_TEST); }},
    {"setDepthMask", true, [](Renderer& r, unsigned int) { r.setDepthMask(false); },
     [](Renderer&, const VertexArray&) { return integer(GL_DEPTH_WRITEMASK) == GL_FALSE; }},
    {"setFog", true, [](Renderer& r, unsigned int) { r.setFog(true); },
     [](Renderer& r, const VertexArray& w) { return wallPixel(r, w)[0] < 100; }},
    {"setPolygonMode Lines", true, [](Renderer& r, unsigned int) { r.setPolygonMode(PolygonMode::Lines); },
     [](Renderer& r, const VertexArray& w) { return wallPixel(r, w)[0] == 0; }},
    {"setPolygonMode with a GL value", true,
     [](Renderer& r, unsigned int) { r.setPolygonMode(static_cast<PolygonMode>(GL_LINE)); },
     [](Renderer& r, const VertexArray& w) { return wallPixel(r, w)[0] == 0; }},
    {"stencil mark", true,
     [](Renderer& r, unsigned int) {
         RenderState state;
         state.stencil = Stencil::Mark;
         r.setState(state);
     },
     [](Renderer&, const VertexArray&) {
         return glIsEnabled(GL_STENCIL_TEST) && integer(GL_STENCIL_FUNC) == GL_ALWAYS &&
                integer(GL_STENCIL_PASS_DEPTH_PASS) == GL_INCR;
     }},
    {"stencil equal", true,
     [](Renderer& r, unsigned int) {
         RenderState state;
         state.stencil = Stencil::Equal;
         state.stencilValue = 1;
         r.setState(state);
     },
     [](Renderer&, const VertexArray&) {
         return glIsEnabled(GL_STENCIL_TEST) && integer(GL_STENCIL_FUNC) == GL_EQUAL && integer(GL_STENCIL_REF) == 1;
     }},
    {"texGen 2 sphere-maps", false, [](Renderer& r, unsigned int t) { r.applyMaterial(textured(t, texGenSphereMap)); },
     [](Renderer& r, const VertexArray& w) { return !isRed(wallPixel(r, w)); }},
    {"texGen 0 turns it off", false,
     [](Renderer& r, unsigned int t) {
         r.applyMaterial(textured(t, texGenSphereMap));
         r.applyMaterial(textured(t, texGenOff));
     },
     [](Renderer& r, const VertexArray& w) { return isRed(wallPixel(r, w)); }},
    {"texGen 5 leaves it on, through an untextured material", false,
     [](Renderer& r, unsigned int t) {
         r.applyMaterial(textured(t, texGenSphereMap));
         r.applyMaterial(textured(0, texGenOff));
         r.applyMaterial(textured(t, 5));
     },
     [](Renderer& r, const VertexArray& w) { return !isRed(wallPixel(r, w)); }},
    {"texGen 5 leaves it off", false,
     [](Renderer& r, unsigned int t) {
         r.applyMaterial(textured(t, texGenOff));
         r.applyMaterial(textured(t, 5));
     },
     [](Renderer& r, const VertexArray& w) { return isRed(wallPixel(r, w)); }},
    {"blend 1 adds", false, [](Renderer& r, unsigned int t) { r.applyMaterial(textured(t, texGenOff, blendAdditive)); },
     [](Renderer&, const VertexArray&) {
         return glIsEnabled(GL_BLEND) && integer(GL_BLEND_SRC) == GL_SRC_ALPHA && integer(GL_BLEND_DST) == GL_ONE;
     }},
    {"blend 3 is off", false,
     [](Renderer& r, unsigned int t) {
         r.applyMaterial(textured(t, texGenOff, blendAdditive));
         r.applyMaterial(textured(t, texGenOff, 3));
     },
     [](Renderer&, const VertexArray&) { return !glIsEnabled(GL_BLEND); }},
};

// Each operation reaches the picture and keeps the cache true: the defaults set afterwards
// must find the changed field and undo it.
TEST_F(RendererTest, EachOperationReachesThePictureAndKeepsTheStateCacheTrue) {
    for (const Operation& operation : operations) {
        SCOPED_TRACE(operation.name);
        renderer.applyMaterial(grey);
        operation.apply(renderer, texture);
        EXPECT_TRUE(operation.shows(renderer, wall));
        if (operation.cached) {
            renderer.setState(RenderState());
            EXPECT_FALSE(operation.shows(renderer, wall));
        }
    }
}

// A renderer's first state reaches OpenGL in full, even where it equals its own defaults.
TEST_F(RendererTest, AFreshRenderersFirstStateReachesTheContextInFull) {
    RenderState changed;
    changed.depthTest = false;
    changed.depthWrite = false;
    changed.stencil = Stencil::Mark;
    renderer.setState(changed);
    Renderer fresh;
    fresh.setState(RenderState());
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
}

TEST_F(RendererTest, BoxesStacksAndLoadsKeepToTheirMatrixWithTheModelviewCurrent) {
    const std::vector<float> projection = values(renderer.projection());
    renderer.translate(Vector3(3.0f, 0.0f, 0.0f));
    const std::vector<float> modelview = values(renderer.modelview());
    {
        const ScopedBox box(renderer, ScreenBox{0.0, 800.0, 0.0, 600.0});
        const Matrix4 text = renderer.projection();
        EXPECT_FLOAT_EQ(text[0] * 800.0f + text[12], 1.0f) << "x 800 is the right edge";
        EXPECT_FLOAT_EQ(text[13], -1.0f) << "y 0 is the bottom edge";
        EXPECT_EQ(renderer.modelview()[12], 0.0f);
    }
    renderer.pushMatrix(MatrixMode::Projection);
    renderer.setProjection(-0.0f);
    EXPECT_EQ(renderer.projection()[10], -1.0f) << "the unit box, even for -0";
    renderer.popMatrix(MatrixMode::Projection);
    EXPECT_EQ(values(renderer.projection()), projection);
    EXPECT_EQ(values(renderer.modelview()), modelview);
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    renderer.loadMatrix(Matrix4(), MatrixMode::Modelview);
    EXPECT_EQ(renderer.modelview()[12], 0.0f);
    // The camera looks through the renderer: five units back, the world moves five away.
    Camera camera;
    camera.setPosition(Vector3(0.0f, 0.0f, 5.0f));
    camera.setTarget(Vector3(0.0f, 0.0f, 0.0f));
    camera.draw(renderer);
    EXPECT_EQ(renderer.modelview()[14], -5.0f);
}

}  // namespace
}  // namespace Tramble
