// The renderer's GL state against a real context: projection and letterbox after
// initialisation, the orthographic box, matrix stack discipline, material transitions,
// fog, refused modes and arrays, and the render group's walk.
#include "engine/renderersys.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/rendernode.h"
#include "engine/videosys.h"
#include "support/glcontext.h"
#include "support/logcapture.h"

namespace Tramble {
namespace {

class RendererTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        renderer.initialize();
    }

    static std::vector<float> matrix(GLenum which) {
        std::vector<float> m(16);
        glGetFloatv(which, m.data());
        return m;
    }
    static GLint integer(GLenum which) {
        GLint value = 0;
        glGetIntegerv(which, &value);
        return value;
    }

    Renderer renderer;
};

TEST_F(RendererTest, InitializeSetsLetterboxAndPerspective) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 100);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 400);

    const std::vector<float> p = matrix(GL_PROJECTION_MATRIX);
    const double f = 1.0 / std::tan(50.0 * M_PI / 180.0);  // half of the 100 degree field
    const double zNear = 0.1, zFar = 5000.0;
    EXPECT_NEAR(p[0], f / 2.0, 1e-5);  // aspect 800 / 400
    EXPECT_NEAR(p[5], f, 1e-5);
    EXPECT_NEAR(p[10], (zFar + zNear) / (zNear - zFar), 1e-5);
    EXPECT_NEAR(p[14], 2.0 * zFar * zNear / (zNear - zFar), 1e-5);
    EXPECT_EQ(p[11], -1.0f);

    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(RendererTest, ZeroFieldOfViewGivesTheUnitBoxEvenNegativeZero) {
    const std::vector<float> identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    renderer.setProjection(0.0f);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), identity);
    renderer.setProjection(100.0f);
    renderer.setProjection(-0.0f);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), identity);
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
}

TEST_F(RendererTest, ProjectionPushPopLeavesModelviewCurrent) {
    const std::vector<float> before = matrix(GL_PROJECTION_MATRIX);
    renderer.pushMatrix(MatrixMode::Projection);
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    renderer.setProjection(0.0f);
    renderer.popMatrix(MatrixMode::Projection);
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), before);

    Matrix4 shifted;
    shifted[12] = 3.0f;
    renderer.pushMatrix(MatrixMode::Modelview);
    renderer.loadMatrix(shifted, MatrixMode::Modelview);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX)[12], 3.0f);
    renderer.popMatrix(MatrixMode::Modelview);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RendererTest, MaterialTransitions) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    Material sphereMapped;
    sphereMapped.texture = texture;
    sphereMapped.texGen = TexGenSphereMap;
    sphereMapped.blend = BlendAdditive;
    renderer.applyMaterial(sphereMapped);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE);

    Material untextured;
    renderer.applyMaterial(untextured);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S)) << "an untextured material leaves generation alone";
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE) << "the blend function stays";

    Material plain;
    plain.texture = texture;
    plain.colour[0] = 0.25f;
    renderer.applyMaterial(plain);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    glDeleteTextures(1, &texture);
}

TEST_F(RendererTest, FogSettingsReadBackAndFogStaysOff) {
    FogSettings fog;
    fog.mode = FogMode::Exp2;
    fog.colour[2] = 1.0f;
    fog.density = 0.6f;
    fog.start = 0.1f;
    fog.end = 10.0f;
    renderer.setFog(false);
    renderer.setupFog(fog);
    EXPECT_EQ(integer(GL_FOG_MODE), GL_EXP2);
    GLfloat value = 0.0f;
    glGetFloatv(GL_FOG_DENSITY, &value);
    EXPECT_FLOAT_EQ(value, 0.6f);
    glGetFloatv(GL_FOG_END, &value);
    EXPECT_FLOAT_EQ(value, 10.0f);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    renderer.setFog(true);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
}

// Out-of-range enumerations and arrays without the data a draw needs are refused with one
// Error line, and nothing of them reaches OpenGL.
TEST_F(RendererTest, RefusesModesOutsideItsTablesAndArraysWithoutNormals) {
    FogSettings fog;
    fog.mode = FogMode::Linear;
    renderer.setupFog(fog);
    VertexArray positionsOnly;
    positionsOnly.allocate(3);
    TriangleList triangles;
    triangles.resize(1);
    struct Case {
        const char* name;
        std::function<void()> call;
    };
    const Case cases[] = {
        {"fog mode",
         [&] {
             fog.mode = static_cast<FogMode>(3);
             renderer.setupFog(fog);
         }},
        {"negative fog mode",
         [&] {
             fog.mode = static_cast<FogMode>(-1);
             renderer.setupFog(fog);
         }},
        {"primitive type", [&] { renderer.drawArrays(static_cast<PrimitiveType>(10), positionsOnly); }},
        {"indexed draw without normals", [&] { renderer.drawElements(positionsOnly, triangles); }},
    };
    for (const Case& c : cases) {
        LogCapture log;
        c.call();
        EXPECT_EQ(log.count("*** "), 1) << c.name;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << c.name;
        EXPECT_EQ(integer(GL_FOG_MODE), GL_LINEAR) << c.name;
    }
}

TEST_F(RendererTest, PolygonModeRoundTrip) {
    GLint modes[2];
    renderer.setPolygonMode(PolygonMode::Lines);
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_LINE);
    renderer.setPolygonMode(PolygonMode::Fill);
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
}

// Records its draws in a shared list and can ask to be removed after one.
class RecordingNode : public RenderNode {
public:
    RecordingNode(std::string name, std::vector<std::string>* drawn, bool leave = false)
        : name(std::move(name)), drawn(drawn), leave(leave) {}
    void draw(Renderer&) override {
        drawn->push_back(name);
        removeMe = leave;
    }
    std::string name;
    std::vector<std::string>* drawn;
    bool leave;
};

class HookedGroup : public RenderGroup {
public:
    explicit HookedGroup(std::vector<std::string>* drawn) : drawn(drawn) {}
    void preDraw(Renderer&) override { drawn->push_back("pre"); }
    void postDraw(Renderer&) override { drawn->push_back("post"); }
    std::vector<std::string>* drawn;
};

using Drawn = std::vector<std::string>;

TEST(RenderGroup, RemovedNodeDrawsThatFrameAndSiblingsStillDraw) {
    Renderer renderer;
    for (int leaving = 0; leaving < 3; ++leaving) {
        Drawn drawn;
        RecordingNode a("a", &drawn, leaving == 0), b("b", &drawn, leaving == 1), c("c", &drawn, leaving == 2);
        RenderGroup group;
        group.addNode(&a);
        group.addNode(&b);
        group.addNode(&c);
        group.draw(renderer);
        EXPECT_EQ(drawn, (Drawn{"a", "b", "c"}));
        drawn.clear();
        a.leave = b.leave = c.leave = false;
        group.draw(renderer);
        Drawn rest{"a", "b", "c"};
        rest.erase(rest.begin() + leaving);
        EXPECT_EQ(drawn, rest);
    }
}

TEST(RenderGroup, HooksRunInOrderWithNoChildren) {
    Renderer renderer;
    Drawn drawn;
    HookedGroup group(&drawn);
    group.draw(renderer);
    EXPECT_EQ(drawn, (Drawn{"pre", "post"}));
}

TEST(VideoSetup, TextFormAndDefaults) {
    std::ostringstream text;
    text << VideoSetup(640, 480, 16, false) << " / " << VideoSetup(800, 600, 32, true);
    EXPECT_EQ(text.str(), "nonfullscreen (640x480x16) / fullscreen (800x600x32)");
    const VideoSetup defaults;
    EXPECT_EQ(defaults.width, 800);
    EXPECT_EQ(defaults.bpp, 16);
    EXPECT_FALSE(defaults.fullscreen);
    EXPECT_FALSE(defaults.active);
}

}  // namespace
}  // namespace Tramble
