// The metaball scene: its picture through the scene after the white flash it opens with,
// the blue sparks swinging round the blob, a frame that owes nothing to the one before, and
// a blob that fits its surface's capacity wherever the balls dance.
#include "demo/scenes/scene2.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "demo/scenes/scenetesting.h"
#include "demo/timeline.h"

namespace Tramble {
namespace {

class Scene2Test : public SceneTest {};

TEST_F(Scene2Test, DrawsItsPictureWithBlueSparksSwingingRoundTheBlob) {
    Scene2 scene;
    attach(scene, timeline[1].length);
    playThrough(scene, {3100, 15000, 39000}, true);
    expectIndependenceOfThePreviousFrame(scene, true);
    EXPECT_GT(scene.sparks.position.length(), 1.0f) << "the emitter swings out";
    const Vector3 sparks = colourOf(scene.sparks);
    EXPECT_GT(sparks.z, sparks.x + 30.0f);
    EXPECT_NEAR(sparks.x, sparks.y, 2.0f);
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
