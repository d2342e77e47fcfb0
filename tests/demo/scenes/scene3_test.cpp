// The knot scene under a real context: its picture through the scene, the window cut out
// in the stencil buffer (wireframe inside, solid outside, white outline), and the marking
// pass that must stay invisible whatever blending the frame starts with.
#include "demo/scenes/scene3.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <vector>

#include "demo/scenes/scenetesting.h"

namespace Tramble {
namespace {

class Scene3Test : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        attach(scene, 40000);
    }

    // The window's corners in window pixels (the unit box maps onto the 800 x 400 band).
    void windowPixels(int pixels[4][2]) const {
        float corners[4][2];
        Scene3::windowCorners(scene.angle, corners);
        for (int k = 0; k < 4; ++k) {
            pixels[k][0] = static_cast<int>((corners[k][0] + 1.0f) * 0.5f * 800.0f);
            pixels[k][1] = 100 + static_cast<int>((corners[k][1] + 1.0f) * 0.5f * 400.0f);
        }
    }

    GLubyte stencilAt(int x, int y) const {
        GLubyte value = 0;
        glReadPixels(x, y, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &value);
        return value;
    }

    Scene3 scene;
};

TEST_F(Scene3Test, DrawsAPictureAtEveryStageOfTheScene) {
    for (unsigned int at : {0u, 2000u, 15000u, 39000u}) {
        runUntil(scene, at, 20);
        playFrames(scene, 3, 16);
    }
}

TEST_F(Scene3Test, TheWindowIsMarkedOnceInTheStencilBufferAndNowhereElse) {
    GLint stencilBits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    ASSERT_GE(stencilBits, 8);
    runUntil(scene, 5000, 20);
    playFrames(scene, 1, 16);
    int corners[4][2];
    windowPixels(corners);
    // At this angle the quadrilateral is convex: its centroid lies inside, once.
    const int cx = (corners[0][0] + corners[1][0] + corners[2][0] + corners[3][0]) / 4;
    const int cy = (corners[0][1] + corners[1][1] + corners[2][1] + corners[3][1]) / 4;
    EXPECT_EQ(stencilAt(cx, cy), 1);
    EXPECT_EQ(stencilAt(5, 105), 0) << "the band's corner is far outside the window";
}

TEST_F(Scene3Test, TheMarkingQuadPaintsNothingWhateverTheBlendingBefore) {
    runUntil(scene, 5000, 20);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    drawFrame(scene);
    const std::vector<unsigned char> asLeftByTheDemo = bandPixels();
    // The same frame again, in a context whose blending nobody has set: a first frame.
    glBlendFunc(GL_ONE, GL_ZERO);
    drawFrame(scene);
    EXPECT_TRUE(bandPixels() == asLeftByTheDemo);
}

TEST_F(Scene3Test, OpensWithAWhiteFlashThatClears) {
    playFrames(scene, 1, 16);
    const double flash = bandStats().brightness;
    runUntil(scene, 3100, 20);
    playFrames(scene, 1, 16);
    EXPECT_GT(flash, 220.0);
    EXPECT_LT(bandStats().brightness, flash - 50.0);
}

}  // namespace
}  // namespace Tramble
