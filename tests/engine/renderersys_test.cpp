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

// One row per field: how to change it from the defaults, and whether OpenGL shows it changed.
struct Field {
    const char* name;
    std::function<void(RenderState&)> change;
    std::function<bool()> changed;
};

const Field fields[] = {
    {"lighting", [](RenderState& s) { s.lighting = false; }, [] { return !glIsEnabled(GL_LIGHTING); }},
    {"depth test", [](RenderState& s) { s.depthTest = false; }, [] { return !glIsEnabled(GL_DEPTH_TEST); }},
    {"depth write", [](RenderState& s) { s.depthWrite = false; },
     [] { return integer(GL_DEPTH_WRITEMASK) == GL_FALSE; }},
    {"fog", [](RenderState& s) { s.fog = true; }, [] { return glIsEnabled(GL_FOG) == GL_TRUE; }},
    {"flat shading", [](RenderState& s) { s.flatShading = true; }, [] { return integer(GL_SHADE_MODEL) == GL_FLAT; }},
    {"polygon mode", [](RenderState& s) { s.polygonMode = PolygonMode::Lines; },
     [] { return integer(GL_POLYGON_MODE) == GL_LINE; }},
    {"stencil mark", [](RenderState& s) { s.stencil = Stencil::Mark; },
     [] {
         return glIsEnabled(GL_STENCIL_TEST) && integer(GL_STENCIL_FUNC) == GL_ALWAYS &&
                integer(GL_STENCIL_PASS_DEPTH_PASS) == GL_INCR;
     }},
    {"stencil equal",
     [](RenderState& s) {
         s.stencil = Stencil::Equal;
         s.stencilValue = 1;
     },
     [] {
         return glIsEnabled(GL_STENCIL_TEST) && integer(GL_STENCIL_FUNC) == GL_EQUAL && integer(GL_STENCIL_REF) == 1;
     }},
};

// A renderer's first state reaches OpenGL in full, even where it equals its own defaults.
TEST_F(RendererTest, EveryFieldReachesOpenGLTheFirstTimeAndComesBackWhenItsScopeEnds) {
    for (const Field& field : fields) {
        SCOPED_TRACE(field.name);
        RenderState changed;
        field.change(changed);
        Renderer().setState(changed);
        Renderer fresh;
        fresh.setState(RenderState());
        EXPECT_FALSE(field.changed());
        {
            const ScopedState scope(fresh, changed);
            EXPECT_TRUE(field.changed());
        }
        EXPECT_FALSE(field.changed());
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
