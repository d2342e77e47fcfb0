// The metaball scene: its picture through the scene, the white flash it opens with, the
// blue sparks swinging round the blob, a frame that owes nothing to the one before, and a
// blob that fits its surface's capacity wherever the balls dance.
#include "demo/scenes/scene2.h"

#include <gtest/gtest.h>

#include <cmath>

#include "demo/scenes/scenetesting.h"

namespace Tramble {
namespace {

class Scene2Test : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        attach(scene, 40000);
    }

    Scene2 scene;
};

TEST_F(Scene2Test, OpensWithAWhiteFlashAndDrawsAPictureAtEveryStage) {
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

TEST_F(Scene2Test, TheSparksAreBlueAndFollowTheirSwingingEmitter) {
    runUntil(scene, 5000, 20);
    EXPECT_GT(scene.sparks.position.length(), 1.0f) << "the emitter swings out";
    renderer.beginFrame();
    camera.draw(renderer);
    scene.sparks.draw(renderer);
    const Colour sparks = litColour(bandPixels());
    EXPECT_GT(sparks.b, sparks.r + 30.0);
    EXPECT_NEAR(sparks.r, sparks.g, 2.0);
}

// The balls' paths repeat every 2 pi radians, which the scene's 40 s cover many times.
TEST(Scene2Capacity, TheBlobIsNeverCutShort) {
    Scene2 scene;
    const int capacity = scene.metaballs.getSurface().triangleList.count;
    scene.metaballs.setCapacity(5 * capacity, 15 * capacity);
    int largest = 0;
    for (int step = 0; step < 1000; ++step) {
        for (int i = 0; i < Scene2::ballCount; ++i) {
            scene.metaballs.setBallPosition(i, Scene2::ballPosition(i, 0.002f * 3.1415927f * static_cast<float>(step)));
        }
        scene.metaballs.polygonise();
        largest = std::max(largest, scene.metaballs.getSurface().drawCount);
    }
    EXPECT_LE(largest, capacity);
    EXPECT_GT(largest, capacity / 2) << "the capacity fits the blob closely";
}

}  // namespace
}  // namespace Tramble
