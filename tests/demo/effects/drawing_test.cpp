// The drawables against a real OpenGL context: the state each leaves behind, and the
// particles' billboards where their particles are, in their colour, fading with their life.
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "demo/effects/particles.h"
#include "demo/effects/screenquad.h"
#include "engine/bitmapfont.h"
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
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(p[c], e[2 + c], 2) << "channel " << c << " at " << e[0] << "," << e[1];
            }
        }
        while (glGetError() != GL_NO_ERROR) {
        }
    }

    Renderer renderer;
};

TEST_F(EffectDrawingTest, ParticlesAreCameraFacingQuadsInTheirColourFadingWithTheirLife) {
    // One particle at rest at (0.5, 0.5) of the unit box; its quad spans 0.4 to 0.6.
    ParticleSystem system(1, 10.0f, 1.0f, 360, Vector3(), Vector3(0.5f, 0.5f, 0.0f), 0.0f, Vector3(), 0.1f);
    system.setColour(1.0f, 0.5f, 0.25f, 1.0f);
    system.update(1000);
    system.draw(renderer);
    expectPixels({{600, 450, 255, 128, 64}, {565, 425, 255, 128, 64}, {540, 450, 0, 0, 0}, {400, 300, 0, 0, 0}});

    // Added up, each quad weighted by its own fade (half its life left, half as bright);
    // a dead slot draws nothing, wherever it lies in the pool.
    Material additive;
    additive.blend = blendAdditive;
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

// What a draw leaves of a switch: as it found it, or on whatever it was.
enum class Leaves { AsFound, On };

struct Drawable {
    const char* name;
    std::function<void(Renderer&)> draw;
    Leaves lighting;
    Leaves depthTest;
};

// Every switch the draws could touch, from all on and from all off: lighting (in the
// renderer's state, which the renderer test shows reaching the picture) and the depth test
// end as the table says, the depth mask as found. One particle system has a live particle (respawn mode parks it out of
// sight), the other none (steady mode, not yet updated), which must not skip its switches.
TEST_F(EffectDrawingTest, EachDrawableLeavesLightingAndDepthAsItsContractSays) {
    ParticleSystem particles(1, 1.0f, 0.0f, 360, Vector3(), Vector3(), 0.0f, Vector3(), 0.1f);
    ParticleSystem noParticles(1, 1.0f, 1.0f, 360, Vector3(), Vector3(), 0.0f, Vector3(), 0.1f);
    ScreenQuad backdrop;
    ScreenFade fade(3000.0f, true);
    BitmapFont font;
    const float glyph[2] = {40.0f, 40.0f};
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    font.build(0, glyph, 0.0f, white);
    const Drawable drawables[] = {
        {"particles", [&](Renderer& r) { particles.draw(r); }, Leaves::On, Leaves::AsFound},
        {"no particles", [&](Renderer& r) { noParticles.draw(r); }, Leaves::On, Leaves::AsFound},
        {"screen quad", [&](Renderer& r) { backdrop.draw(r); }, Leaves::AsFound, Leaves::AsFound},
        {"screen fade", [&](Renderer& r) { fade.draw(r); }, Leaves::AsFound, Leaves::AsFound},
        {"font", [&](Renderer& r) { font.print("Tramble", white, r); }, Leaves::On, Leaves::On},
    };
    for (const Drawable& drawable : drawables) {
        for (const bool before : {false, true}) {
            SCOPED_TRACE(std::string(drawable.name) + (before ? " from all on" : " from all off"));
            RenderState state;
            state.lighting = before;
            state.depthTest = before;
            state.depthWrite = before;
            renderer.setState(state);
            drawable.draw(renderer);
            EXPECT_EQ(renderer.state().lighting, drawable.lighting == Leaves::On || before);
            EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST) == GL_TRUE, drawable.depthTest == Leaves::On || before);
            EXPECT_EQ(renderer.state().depthTest, glIsEnabled(GL_DEPTH_TEST) == GL_TRUE);
            GLboolean depthMask = GL_FALSE;
            glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
            EXPECT_EQ(depthMask == GL_TRUE, before);
            EXPECT_FALSE(renderer.state().flatShading);
        }
    }
    font.release();
}

}  // namespace
}  // namespace Tramble
