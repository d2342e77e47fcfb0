// The particles' draw call against a real OpenGL context: billboards where their particles
// are, in their colour, fading with their life.
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "demo/effects/particles.h"
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
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    // No GL error from the draw, and each {x, y, r, g, b} (window pixels from the bottom left)
    // holds its colour; errors first, as readFrame records its own without a back buffer.
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

    Renderer renderer;
};

TEST_F(EffectDrawingTest, ParticlesAreCameraFacingQuadsInTheirColourFadingWithTheirLife) {
    // One particle at rest at (0.5, 0.5) of the unit box; its quad spans 0.4 to 0.6.
    ParticleSystem system(ParticleSettings{
        1, 10.0f, 1.0f, 360, Vector3(), Vector3(0.5f, 0.5f, 0.0f), 0.0f, Vector3(), 0.1f, {1.0f, 0.5f, 0.25f, 1.0f}});
    system.update(1000);
    system.draw(renderer);
    expectPixels({{600, 450, 255, 128, 64}, {565, 425, 255, 128, 64}, {540, 450, 0, 0, 0}, {400, 300, 0, 0, 0}});
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << "the scene's state is put back";

    // Added up, each quad weighted by its own fade (half its life left, half as bright);
    // a dead slot draws nothing, wherever it lies in the pool.
    Material additive;
    additive.blend = Blend::Additive;
    system.setMaterial(additive);
    system.particles[0].life = 10.0f;
    system.particles[2].start(5.0f);
    system.particles[2].position = Vector3(-0.5f, -0.5f, 0.0f);
    for (int first : {255, 0}) {
        glClear(GL_COLOR_BUFFER_BIT);
        system.draw(renderer);
        expectPixels({{600, 450, first, first / 2, first / 4}, {200, 150, 128, 64, 32}, {400, 300, 0, 0, 0}});
        system.particles[0].kill();
    }
}

}  // namespace
}  // namespace Tramble
