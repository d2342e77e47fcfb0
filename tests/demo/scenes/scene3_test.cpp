// The knot scene under a real context: its picture through the scene and its opening flash,
// the window cut out in the stencil buffer and outlined in white, and a frame that owes
// nothing to the one before.
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

TEST_F(Scene3Test, OpensWithAWhiteFlashAndDrawsAPictureAtEveryStage) {
    playFrames(scene, 1, 16);
    const double flash = bandStats().brightness;
    EXPECT_GT(flash, 220.0);
    for (unsigned int at : {3100u, 15000u, 39000u}) {
        runUntil(scene, at, 20);
        playFrames(scene, 2, 16);
        EXPECT_LT(bandStats().brightness, flash - 50.0) << at;
    }
    expectIndependenceOfThePreviousFrame(scene, true);
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

// Most of the outline lies over the backdrop, where nothing hides it.
TEST_F(Scene3Test, TheWindowHasAWhiteOutlineAlongItsFourEdges) {
    runUntil(scene, 5000, 20);
    playFrames(scene, 1, 16);
    int corners[4][2];
    windowPixels(corners);
    const std::vector<unsigned char> frame = readFrame();
    for (int edge = 0; edge < 4; ++edge) {
        const int* a = corners[edge];
        const int* b = corners[(edge + 1) % 4];
        int white = 0;
        for (int k = 1; k < 20; ++k) {
            const int x = a[0] + (b[0] - a[0]) * k / 20;
            const int y = a[1] + (b[1] - a[1]) * k / 20;
            bool found = false;
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    const size_t at = 3 * static_cast<size_t>((y + dy) * 800 + x + dx);
                    found = found || (frame[at] > 240 && frame[at + 1] > 240 && frame[at + 2] > 240);
                }
            }
            white += found ? 1 : 0;
        }
        EXPECT_GT(white, 12) << "edge " << edge;
    }
}

}  // namespace
}  // namespace Tramble
