// The metaball scene under a real context: its picture through the scene, the white flash
// it opens with, its stage log lines, and updates of 0 ms.
#include "demo/scenes/scene2.h"

#include <gtest/gtest.h>

#include "demo/scenes/scenetesting.h"
#include "support/logcapture.h"

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

TEST_F(Scene2Test, DrawsAPictureAtEveryStageOfTheScene) {
    for (unsigned int at : {0u, 2000u, 15000u, 39000u}) {
        runUntil(scene, at, 20);
        playFrames(scene, 3, 16);
    }
    EXPECT_GT(scene.metaballs.getSurface().drawCount, 0);
}

TEST_F(Scene2Test, OpensWithAWhiteFlashThatClearsInThreeSeconds) {
    playFrames(scene, 1, 16);
    const double flash = bandStats().brightness;
    runUntil(scene, 3100, 20);
    playFrames(scene, 1, 16);
    const double clear = bandStats().brightness;
    EXPECT_GT(flash, 220.0);
    EXPECT_LT(clear, flash - 50.0);
}

TEST_F(Scene2Test, LogsEveryStageItEnters) {
    LogCapture log;
    scene.setStage(SceneStage::Stopping, 0);
    scene.setStage(SceneStage::Stopped, 0);
    EXPECT_EQ(log.str(), "=== Running state 2 during length 0\n=== Running state 0 during length 0\n");
}

TEST_F(Scene2Test, AnEmptyUpdateMovesNothingButStillRebuildsTheSurface) {
    runUntil(scene, 1000, 20);
    const float angle = scene.angle;
    const Vector3 eye = camera.position;
    scene.metaballs.getSurface().drawCount = 0;
    playFrames(scene, 1, 0);
    EXPECT_EQ(scene.angle, angle);
    EXPECT_EQ(camera.position.x, eye.x);
    EXPECT_EQ(camera.position.y, eye.y);
    EXPECT_GT(scene.metaballs.getSurface().drawCount, 0);
}

}  // namespace
}  // namespace Tramble
