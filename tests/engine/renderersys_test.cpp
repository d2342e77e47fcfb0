// The renderer against a real context: the state model, the letterbox, boxes and matrix
// stacks.
#include "engine/renderersys.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "support/glcontext.h"

namespace Tramble {
namespace {

std::vector<float> matrix(GLenum which) {
    std::vector<float> m(16);
    glGetFloatv(which, m.data());
    return m;
}

GLint integer(GLenum which) {
    GLint value[2] = {0, 0};
    glGetIntegerv(which, value);
    return value[0];
}

class RendererTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        renderer.initialize();
    }

    Renderer renderer;
};

// gluPerspective with a 100 degree field of view: y is scaled by 1 / tan(50 degrees), x by
// that over the aspect, first of the 800 x 400 letterbox, then of the viewport set.
TEST_F(RendererTest, LetterboxPerspectiveAndAViewportThatRebuildsIt) {
    const double f = 1.0 / std::tan(50.0 * M_PI / 180.0);
    const int position[2] = {0, 0};
    const int size[2] = {800, 600};
    for (const double aspect : {2.0, 800.0 / 600.0}) {
        const std::vector<float> p = matrix(GL_PROJECTION_MATRIX);
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
Material textured(int texGen, int blend = blendOff) {
    Material material;
    material.texture = 1;
    material.texGen = texGen;
    material.blend = blend;
    return material;
}

bool sphereMapping() {
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    return glIsEnabled(GL_TEXTURE_GEN_S) && glIsEnabled(GL_TEXTURE_GEN_T) && mode == GL_SPHERE_MAP;
}

// One row per operation: what it does to the lit 3D state, and whether OpenGL shows it done.
// Rows marked `cached` change a field of the state cache, which the defaults must then undo.
struct Operation {
    const char* name;
    bool cached;
    std::function<void(Renderer&)> apply;
    std::function<bool()> shows;
};

const Operation operations[] = {
    {"setLighting", true, [](Renderer& r) { r.setLighting(false); }, [] { return !glIsEnabled(GL_LIGHTING); }},
    {"setDepthTest", true, [](Renderer& r) { r.setDepthTest(false); }, [] { return !glIsEnabled(GL_DEPTH_TEST); }},
    {"setDepthMask", true, [](Renderer& r) { r.setDepthMask(false); },
     [] { return integer(GL_DEPTH_WRITEMASK) == GL_FALSE; }},
    {"setFog", true, [](Renderer& r) { r.setFog(true); }, [] { return glIsEnabled(GL_FOG) == GL_TRUE; }},
    {"setPolygonMode Lines", true, [](Renderer& r) { r.setPolygonMode(PolygonMode::Lines); },
     [] { return integer(GL_POLYGON_MODE) == GL_LINE; }},
    {"setPolygonMode with a GL value", true, [](Renderer& r) { r.setPolygonMode(static_cast<PolygonMode>(GL_POINT)); },
     [] { return integer(GL_POLYGON_MODE) == GL_POINT; }},
    {"setFlatShading", true, [](Renderer& r) { r.setFlatShading(true); },
     [] { return integer(GL_SHADE_MODEL) == GL_FLAT; }},
    {"stencil mark", true,
     [](Renderer& r) {
         RenderState state;
         state.stencil = Stencil::Mark;
         r.setState(state);
     },
     [] {
         return glIsEnabled(GL_STENCIL_TEST) && integer(GL_STENCIL_FUNC) == GL_ALWAYS &&
                integer(GL_STENCIL_PASS_DEPTH_PASS) == GL_INCR;
     }},
    {"stencil equal", true,
     [](Renderer& r) {
         RenderState state;
         state.stencil = Stencil::Equal;
         state.stencilValue = 1;
         r.setState(state);
     },
     [] {
         return glIsEnabled(GL_STENCIL_TEST) && integer(GL_STENCIL_FUNC) == GL_EQUAL && integer(GL_STENCIL_REF) == 1;
     }},
    {"texGen 2 sphere-maps", false, [](Renderer& r) { r.applyMaterial(textured(texGenSphereMap)); }, sphereMapping},
    {"texGen 0 turns it off", false,
     [](Renderer& r) {
         r.applyMaterial(textured(texGenSphereMap));
         r.applyMaterial(textured(texGenOff));
     },
     [] { return !glIsEnabled(GL_TEXTURE_GEN_S) && !glIsEnabled(GL_TEXTURE_GEN_T); }},
    {"texGen 5 leaves it on", false,
     [](Renderer& r) {
         r.applyMaterial(textured(texGenSphereMap));
         r.applyMaterial(textured(5));
     },
     sphereMapping},
    {"texGen 5 leaves it off", false,
     [](Renderer& r) {
         r.applyMaterial(textured(texGenOff));
         r.applyMaterial(textured(5));
     },
     [] { return !glIsEnabled(GL_TEXTURE_GEN_S); }},
    {"texture 0 leaves generation on", false,
     [](Renderer& r) {
         r.applyMaterial(textured(texGenSphereMap));
         r.applyMaterial(Material());
     },
     [] { return sphereMapping() && !glIsEnabled(GL_TEXTURE_2D); }},
    {"blend 1 adds", false, [](Renderer& r) { r.applyMaterial(textured(texGenOff, blendAdditive)); },
     [] { return glIsEnabled(GL_BLEND) && integer(GL_BLEND_SRC) == GL_SRC_ALPHA && integer(GL_BLEND_DST) == GL_ONE; }},
    {"blend 3 is off", false,
     [](Renderer& r) {
         r.applyMaterial(textured(texGenOff, blendAdditive));
         r.applyMaterial(textured(texGenOff, 3));
     },
     [] { return !glIsEnabled(GL_BLEND); }},
};

// Each operation reaches OpenGL and keeps the cache true: the defaults set afterwards must
// find the changed field and undo it. A renderer's first state reaches OpenGL in full, even
// where it equals the renderer's own defaults.
TEST_F(RendererTest, EachOperationReachesOpenGLAndKeepsTheStateCacheTrue) {
    for (const Operation& operation : operations) {
        SCOPED_TRACE(operation.name);
        operation.apply(renderer);
        EXPECT_TRUE(operation.shows());
        if (operation.cached) {
            renderer.setState(RenderState());
            EXPECT_FALSE(operation.shows());
            operation.apply(renderer);
            Renderer fresh;
            fresh.setState(RenderState());
            EXPECT_FALSE(operation.shows());
            renderer.setState(RenderState());
        }
    }
}

TEST_F(RendererTest, BoxesStacksAndLoadsKeepToTheirMatrixWithTheModelviewCurrent) {
    const std::vector<float> projection = matrix(GL_PROJECTION_MATRIX);
    renderer.translate(Vector3(3.0f, 0.0f, 0.0f));
    const std::vector<float> modelview = matrix(GL_MODELVIEW_MATRIX);
    {
        const ScopedBox box(renderer, ScreenBox{0.0, 800.0, 0.0, 600.0});
        const std::vector<float> text = matrix(GL_PROJECTION_MATRIX);
        EXPECT_FLOAT_EQ(text[0] * 800.0f + text[12], 1.0f) << "x 800 is the right edge";
        EXPECT_FLOAT_EQ(text[13], -1.0f) << "y 0 is the bottom edge";
        EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX)[12], 0.0f);
    }
    renderer.pushMatrix(MatrixMode::Projection);
    renderer.setProjection(-0.0f);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX)[10], -1.0f) << "the unit box, even for -0";
    renderer.popMatrix(MatrixMode::Projection);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    renderer.loadMatrix(Matrix4(), MatrixMode::Modelview);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX)[12], 0.0f);
}

}  // namespace
}  // namespace Tramble
