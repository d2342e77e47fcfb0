// The particle scene under a real context: its picture through the scene, the flash it
// opens with, its textures, and frames of 0 ms and of several seconds.
#include "demo/scenes/scene4.h"

#include <gtest/gtest.h>

#include <cmath>

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

TEST_F(Scene4Test, DrawsAPictureAtEveryStageOfTheScene) {
    for (unsigned int at : {0u, 3000u, 15000u, 39000u}) {
        runUntil(scene, at, 20);
        playFrames(scene, 3, 16);
    }
}

TEST_F(Scene4Test, EveryTrailTakesItsOwnReferenceToTheSprite) {
    EXPECT_EQ(textures.resources["particle.jpg"].refCount, 3u);
    for (const ParticleSystem& trail : scene.trails) {
        EXPECT_NE(trail.material.texture, 0u);
        EXPECT_EQ(trail.material.blend, Blend::Additive);
    }
}

TEST_F(Scene4Test, OpensWithAWhiteFlashAndNeverWhitesOut) {
    playFrames(scene, 1, 16);
    EXPECT_GT(bandStats().brightness, 220.0);
    runUntil(scene, 39900, 20);
    playFrames(scene, 1, 100);
    EXPECT_LT(bandStats().brightness, 220.0);
}

TEST_F(Scene4Test, EmptyAndLongFramesKeepEveryParticleFinite) {
    runUntil(scene, 5000, 20);
    playFrames(scene, 2, 0);
    playFrames(scene, 1, 6000);
    playFrames(scene, 3, 16);
    for (const ParticleSystem& trail : scene.trails) {
        for (int i = 0; i < trail.count; ++i) {
            const Vector3& p = trail.particles[i].position;
            ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        }
    }
}

}  // namespace
}  // namespace Tramble
