// The knot scene under a real context: its picture through the scene after its opening
// flash, the window cut out in the stencil buffer and outlined in white, and a frame that
// owes nothing to the one before.
#include "demo/scenes/scene3.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <vector>

#include "demo/scenes/scenetesting.h"
#include "demo/timeline.h"

namespace Tramble {
namespace {

class Scene3Test : public SceneTest {};

TEST_F(Scene3Test, DrawsItsPictureAfterTheFlash) {
    Scene3 scene;
    attach(scene, timeline[2].length);
    playThrough(scene, {3100, 15000, 39000}, true);
    expectIndependenceOfThePreviousFrame(scene, true);
}

// The window is marked once in the stencil buffer and nowhere else, and outlined in white
// along its four edges; most of the outline lies over the backdrop, where nothing hides it.
TEST_F(Scene3Test, TheWindowIsMarkedInTheStencilBufferAndOutlinedInWhite) {
    GLint stencilBits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    ASSERT_GE(stencilBits, 8);
    Scene3 scene;
    attach(scene, timeline[2].length);
    runUntil(scene, 5000, 20);
    playFrames(scene, 1, 16);
    // The window's corners in window pixels (the unit box maps onto the 800 x 400 band).
    float unit[4][2];
    Scene3::windowCorners(scene.angle, unit);
    int corners[4][2];
    for (int k = 0; k < 4; ++k) {
        corners[k][0] = static_cast<int>((unit[k][0] + 1.0f) * 400.0f);
        corners[k][1] = 100 + static_cast<int>((unit[k][1] + 1.0f) * 200.0f);
    }
    // At this angle the quadrilateral is convex: its centroid lies inside, once.
    GLubyte marks[2] = {0, 0};
    glReadPixels((corners[0][0] + corners[1][0] + corners[2][0] + corners[3][0]) / 4,
                 (corners[0][1] + corners[1][1] + corners[2][1] + corners[3][1]) / 4, 1, 1, GL_STENCIL_INDEX,
                 GL_UNSIGNED_BYTE, &marks[0]);
    glReadPixels(5, 105, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &marks[1]);
    EXPECT_EQ(marks[0], 1);
    EXPECT_EQ(marks[1], 0) << "the band's corner is far outside the window";

    const std::vector<unsigned char> frame = readFrame();
    for (int edge = 0; edge < 4; ++edge) {
        const int* a = corners[edge];
        const int* b = corners[(edge + 1) % 4];
        int white = 0;
        for (int k = 1; k < 20; ++k) {
            bool found = false;
            for (int d = 0; d < 25; ++d) {
                const int x = a[0] + (b[0] - a[0]) * k / 20 + d % 5 - 2;
                const int y = a[1] + (b[1] - a[1]) * k / 20 + d / 5 - 2;
                const unsigned char* p = &frame[3 * static_cast<size_t>(y * 800 + x)];
                found = found || (p[0] > 240 && p[1] > 240 && p[2] > 240);
            }
            white += found ? 1 : 0;
        }
        EXPECT_GT(white, 12) << "edge " << edge;
    }
}

}  // namespace
}  // namespace Tramble
