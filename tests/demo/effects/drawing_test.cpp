// The effects' draw calls against a real OpenGL context: what the full-screen quad and the
// fade put on screen, billboards where their particles are, and meshes that draw without
// GL errors and leave the matrices as they found them.
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "demo/effects/gridmesh.h"
#include "demo/effects/mesh.h"
#include "demo/effects/particles.h"
#include "demo/effects/screenquad.h"
#include "engine/renderersys.h"
#include "support/glcontext.h"

namespace Tramble {
namespace {

struct Pixel {
    int r, g, b;
};

class EffectDrawingTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glViewport(0, 0, testWindowWidth, testWindowHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        clear(0.0f);
    }

    static void clear(float grey) {
        glClearColor(grey, grey, grey, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // x, y in window pixels from the bottom left. Where the visual has no back buffer,
    // readFrame's glReadBuffer(GL_BACK) records GL_INVALID_OPERATION (it still reads the
    // frame); that error is the reader's, so it is cleared here and draws are judged alone.
    static Pixel pixelAt(int x, int y) {
        const std::vector<unsigned char> rgb = readFrame(x, y, 1, 1);
        while (glGetError() != GL_NO_ERROR) {
        }
        return Pixel{rgb[0], rgb[1], rgb[2]};
    }

    static void expectPixel(int x, int y, int r, int g, int b) {
        const Pixel p = pixelAt(x, y);
        EXPECT_TRUE(std::abs(p.r - r) <= 2 && std::abs(p.g - g) <= 2 && std::abs(p.b - b) <= 2)
            << "at " << x << "," << y << ": " << p.r << "," << p.g << "," << p.b;
    }

    static std::vector<float> matrix(GLenum which) {
        std::vector<float> m(16);
        glGetFloatv(which, m.data());
        return m;
    }

    Renderer renderer;
};

TEST_F(EffectDrawingTest, ScreenQuadFillsTheViewportWithTheImageFirstRowOnTop) {
    // Row 0 of the image: red, green; row 1: blue, white.
    const unsigned char image[2][2][3] = {{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Matrices the quad must ignore and restore.
    glMatrixMode(GL_PROJECTION);
    glOrtho(-5.0, 5.0, -5.0, 5.0, -5.0, 5.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3.0f, 0.0f, 0.0f);
    const std::vector<float> projection = matrix(GL_PROJECTION_MATRIX);
    const std::vector<float> modelview = matrix(GL_MODELVIEW_MATRIX);

    ScreenQuad quad;
    Material material;
    material.texture = texture;
    quad.setMaterial(material);
    quad.draw(renderer);

    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectPixel(200, 450, 255, 0, 0);
    expectPixel(600, 450, 0, 255, 0);
    expectPixel(200, 150, 0, 0, 255);
    expectPixel(600, 150, 255, 255, 255);
    expectPixel(1, 598, 255, 0, 0);
    expectPixel(798, 1, 255, 255, 255);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), modelview);
    glDeleteTextures(1, &texture);
}

TEST_F(EffectDrawingTest, FallingFadeBrightensTheFrameByTwoThirdsOneThirdThenNothing) {
    ScreenFade fade(3000.0f, false);
    const int expected[5] = {170, 85, 0, 0, 0};
    for (int level : expected) {
        fade.update(1000);
        clear(0.0f);
        fade.draw(renderer);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        expectPixel(400, 300, level, level, level);
    }
    // Additive: the flash adds to what is already there.
    ScreenFade flash(3000.0f, true);
    flash.update(1000);
    clear(0.25f);
    flash.draw(renderer);
    expectPixel(10, 10, 64 + 85, 64 + 85, 64 + 85);
}

TEST_F(EffectDrawingTest, ParticlesAppearAsCameraFacingQuadsWhereTheyAre) {
    // One particle at rest at (0.5, 0.5) of the unit box; its quad spans 0.4 to 0.6.
    ParticleSystem system(ParticleSettings{
        1, 10.0f, 1.0f, 360, Vector3(), Vector3(0.5f, 0.5f, 0.0f), 0.0f, Vector3(), 0.1f, {1.0f, 1.0f, 1.0f, 1.0f}});
    system.colour[1] = 0.5f;
    system.colour[2] = 0.25f;
    system.update(1000);
    ASSERT_TRUE(system.particles[0].alive);

    system.draw(renderer);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectPixel(600, 450, 255, 128, 64);
    expectPixel(565, 425, 255, 128, 64);
    expectPixel(540, 450, 0, 0, 0);
    expectPixel(400, 300, 0, 0, 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));

    // Seen from the side (turned 90 degrees about y), the quad still faces the viewer.
    clear(0.0f);
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    system.particles[0].position = Vector3(0.0f, 0.5f, 0.5f);
    glDisable(GL_LIGHTING);
    system.draw(renderer);
    expectPixel(600, 450, 255, 128, 64);
    expectPixel(400, 300, 0, 0, 0);

    // Added up, each quad weighted by its own fade (half its life left, half as bright);
    // a dead slot draws nothing, wherever it lies in the pool.
    glLoadIdentity();
    Material additive;
    additive.blend = Blend::Additive;
    system.setMaterial(additive);
    system.particles[0].position = Vector3(0.5f, 0.5f, 0.0f);
    system.particles[0].life = 10.0f;
    system.particles[2].start(5.0f);
    system.particles[2].position = Vector3(-0.5f, -0.5f, 0.0f);
    const int liveFirst[] = {255, 128, 64};
    const int liveNone[] = {0, 0, 0};
    for (const int* first : {liveFirst, liveNone}) {
        clear(0.0f);
        system.draw(renderer);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        expectPixel(600, 450, first[0], first[1], first[2]);
        expectPixel(200, 150, 128, 64, 32);
        expectPixel(400, 300, 0, 0, 0);
        system.particles[0].kill();
    }
}

TEST_F(EffectDrawingTest, MeshesDrawWithoutErrorsAndPartialMeshesDrawOnlyTheirPrefix) {
    GridMesh grid(2, 2, 2.0f, 2.0f);
    grid.computeNormals();
    grid.material.colour[1] = 0.0f;
    grid.material.colour[2] = 0.0f;
    // Lay the grid in the screen plane: its +y normal towards the viewer.
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    grid.draw(renderer);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectPixel(400, 300, 255, 0, 0);
    expectPixel(20, 20, 255, 0, 0);

    // Without its material the mesh takes the current colour.
    clear(0.0f);
    grid.useMaterial = false;
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    grid.draw(renderer);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectPixel(400, 300, 0, 255, 0);

    PartialMesh partial(4, 2);
    for (int i = 0; i < 4; ++i) {
        partial.vertexArray.vertices[i] = grid.vertexArray.vertices[i];
    }
    partial.triangleList.triangles[0] = grid.triangleList.triangles[0];
    partial.triangleList.triangles[1] = grid.triangleList.triangles[1];
    clear(0.0f);
    partial.draw(renderer);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectPixel(400, 300, 0, 0, 0);
    // The first triangle covers the corner of vertex 0, (-1, -1) in the grid, which the
    // rotation puts at the top left of the screen.
    partial.drawCount = 1;
    partial.draw(renderer);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    expectPixel(20, 580, 255, 255, 255);
    expectPixel(780, 20, 0, 0, 0);
}

}  // namespace
}  // namespace Tramble
