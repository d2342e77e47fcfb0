// The effects' draw calls against a real OpenGL context: what the full-screen quad and the
// fade put on screen, billboards where their particles are, and meshes that draw their
// material or the current colour, whole or a prefix.
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <algorithm>
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

    // The draw before left no GL error, and each {x, y, r, g, b} (window pixels from the
    // bottom left) holds its colour. Where the visual has no back buffer, readFrame records
    // GL_INVALID_OPERATION of its own, so errors are judged before reading.
    static void expectPixels(const std::vector<std::vector<int>>& expected) {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        for (const std::vector<int>& e : expected) {
            const std::vector<unsigned char> p = readFrame(e[0], e[1], 1, 1);
            EXPECT_TRUE(std::abs(p[0] - e[2]) <= 2 && std::abs(p[1] - e[3]) <= 2 && std::abs(p[2] - e[4]) <= 2)
                << "at " << e[0] << "," << e[1] << ": " << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
        }
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    static std::vector<float> matrices() {
        std::vector<float> m(32);
        glGetFloatv(GL_PROJECTION_MATRIX, m.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, m.data() + 16);
        return m;
    }

    Renderer renderer;
};

TEST_F(EffectDrawingTest, ScreenQuadFillsTheViewportWithTheImageFirstRowOnTop) {
    // Row 0 of the image: red, green; row 1: blue, white.
    const unsigned char image[2][2][3] = {{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}};
    Material material;
    glGenTextures(1, &material.texture);
    glBindTexture(GL_TEXTURE_2D, material.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // Matrices the quad must ignore and restore.
    glMatrixMode(GL_PROJECTION);
    glOrtho(-5.0, 5.0, -5.0, 5.0, -5.0, 5.0);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3.0f, 0.0f, 0.0f);
    const std::vector<float> before = matrices();
    ScreenQuad quad;
    quad.setMaterial(material);
    quad.draw(renderer);
    expectPixels({{200, 450, 255, 0, 0}, {600, 450, 0, 255, 0}, {200, 150, 0, 0, 255}, {798, 1, 255, 255, 255}});
    EXPECT_EQ(matrices(), before);
    glDeleteTextures(1, &material.texture);
}

TEST_F(EffectDrawingTest, FadesDimByTwoThirdsOneThirdThenNothingAndTheFlashAdds) {
    ScreenFade fade(3000.0f, false);
    for (int level : {170, 85, 0, 0}) {
        fade.update(1000);
        clear(0.0f);
        fade.draw(renderer);
        expectPixels({{400, 300, level, level, level}});
    }
    ScreenFade flash(3000.0f, true);
    flash.update(1000);
    clear(0.25f);
    flash.draw(renderer);
    expectPixels({{10, 10, 64 + 85, 64 + 85, 64 + 85}});
}

TEST_F(EffectDrawingTest, ParticlesAreCameraFacingQuadsInTheirColourFadingWithTheirLife) {
    // One particle at rest at (0.5, 0.5) of the unit box; its quad spans 0.4 to 0.6.
    ParticleSystem system(ParticleSettings{
        1, 10.0f, 1.0f, 360, Vector3(), Vector3(0.5f, 0.5f, 0.0f), 0.0f, Vector3(), 0.1f, {1.0f, 0.5f, 0.25f, 1.0f}});
    system.update(1000);
    ASSERT_TRUE(system.particles[0].alive);
    system.draw(renderer);
    expectPixels({{600, 450, 255, 128, 64}, {565, 425, 255, 128, 64}, {540, 450, 0, 0, 0}, {400, 300, 0, 0, 0}});
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << "the scene's state is put back";

    // Seen from the side (turned 90 degrees about y), the quad still faces the viewer.
    clear(0.0f);
    glDisable(GL_LIGHTING);
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    system.particles[0].position = Vector3(0.0f, 0.5f, 0.5f);
    system.draw(renderer);
    expectPixels({{600, 450, 255, 128, 64}, {400, 300, 0, 0, 0}});

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
    for (int first : {255, 0}) {
        clear(0.0f);
        system.draw(renderer);
        expectPixels({{600, 450, first, first / 2, first / 4}, {200, 150, 128, 64, 32}, {400, 300, 0, 0, 0}});
        system.particles[0].kill();
    }
}

TEST_F(EffectDrawingTest, MeshesDrawTheirMaterialOrTheCurrentColourWholeOrAPrefix) {
    GridMesh grid(2, 2, 2.0f, 2.0f);
    grid.computeNormals();
    grid.material.colour[1] = 0.0f;
    grid.material.colour[2] = 0.0f;
    // Lay the grid in the screen plane: its +y normal towards the viewer.
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    grid.draw(renderer);
    expectPixels({{400, 300, 255, 0, 0}, {20, 20, 255, 0, 0}});
    clear(0.0f);
    grid.useMaterial = false;
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    grid.draw(renderer);
    expectPixels({{400, 300, 0, 255, 0}});

    PartialMesh partial(4, 2);
    std::copy(grid.vertexArray.vertices.get(), grid.vertexArray.vertices.get() + 4, partial.vertexArray.vertices.get());
    std::copy(grid.triangleList.triangles.get(), grid.triangleList.triangles.get() + 2,
              partial.triangleList.triangles.get());
    clear(0.0f);
    partial.draw(renderer);
    expectPixels({{400, 300, 0, 0, 0}});
    // The first triangle covers the corner of vertex 0, (-1, -1) in the grid, which the
    // rotation puts at the top left of the screen.
    partial.drawCount = 1;
    partial.draw(renderer);
    expectPixels({{20, 580, 255, 255, 255}, {780, 20, 0, 0, 0}});
}

}  // namespace
}  // namespace Tramble
