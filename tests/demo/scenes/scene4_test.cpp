// The particle scene under a real context: its picture through the scene and its opening
// flash, blue trails of which two fly, its textures, frames of 0 ms and of several seconds,
// and a frame that owes nothing to the one before.
#include "demo/scenes/scene4.h"

#include <gtest/gtest.h>

#include <cmath>

#include "demo/scenes/sceneparts.h"
#include "demo/scenes/scenetesting.h"

namespace Tramble {
namespace {

class Scene4Test : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        attach(scene, 40000);
    }

    Scene4 scene;
};

TEST_F(Scene4Test, OpensWithAWhiteFlashAndDrawsBlueTrailsAtEveryStage) {
    playFrames(scene, 1, 16);
    const double flash = bandStats().brightness;
    EXPECT_GT(flash, 220.0);
    for (unsigned int at : {3100u, 15000u, 39900u}) {
        runUntil(scene, at, 20);
        playFrames(scene, 2, 16);
        EXPECT_LT(bandStats().brightness, flash - 50.0) << at;
        const Colour trails = litColour(bandPixels());
        EXPECT_GT(trails.b, trails.r + 30.0) << at;
        EXPECT_NEAR(trails.r, trails.g, 2.0) << at;
    }
    expectIndependenceOfThePreviousFrame(scene, true);
    // The title, alone, in the lower right corner of the band, in its blue.
    renderer.beginFrame();
    printTitle(font, renderer);
    const Colour title = litColour(readFrame(400, 100, 400, 60));
    EXPECT_GT(title.b, title.g + 20.0);
    EXPECT_GT(title.g, title.r + 20.0);
}

TEST_F(Scene4Test, TheOuterTrailsFlyWhileTheMiddleOneStays) {
    runUntil(scene, 2000, 20);
    EXPECT_GT(scene.trails[0].position.length(), 1.0f);
    EXPECT_EQ(scene.trails[1].position.length(), 0.0f);
    EXPECT_GT(scene.trails[2].position.length(), 1.0f);
    EXPECT_EQ(textures.resources["particle.jpg"].refCount, 3u);
    for (const ParticleSystem& trail : scene.trails) {
        EXPECT_NE(trail.material.texture, 0u);
        EXPECT_EQ(trail.material.blend, Blend::Additive);
        EXPECT_GT(trail.size, 0.1f) << "every trail is seen";
    }
}

TEST_F(Scene4Test, EmptyAndLongFramesKeepEveryParticleFinite) {
    runUntil(scene, 5000, 20);
    playFrames(scene, 2, 0);
    playFrames(scene, 1, 6000);
    playFrames(scene, 3, 16);
    for (const ParticleSystem& trail : scene.trails) {
        for (int i = 0; i < trail.count; ++i) {
            const Vector3& p = trail.particles[i].position;
            ASSERT_TRUE(std::isfinite(p.x + p.y + p.z));
        }
    }
}

}  // namespace
}  // namespace Tramble
