// The particle scene under a real context: its picture through the scene after its opening
// flash, blue trails of which two fly, its title, frames of 0 ms and of several seconds,
// and a frame that owes nothing to the one before.
#include "demo/scenes/scene4.h"

#include <gtest/gtest.h>

#include <cmath>

#include "demo/scenes/sceneparts.h"
#include "demo/scenes/scenetesting.h"
#include "demo/timeline.h"

namespace Tramble {
namespace {

class Scene4Test : public SceneTest {};

TEST_F(Scene4Test, DrawsBlueTrailsOfWhichTheOuterTwoFly) {
    Scene4 scene;
    attach(scene, timeline[3].length);
    const Vector3 trails = playThrough(scene, {3100, 15000}, true).colour;
    EXPECT_GT(trails.z, trails.x + 30.0f);
    EXPECT_NEAR(trails.x, trails.y, 2.0f);
    EXPECT_GT(scene.trails[0].position.length(), 1.0f);
    EXPECT_EQ(scene.trails[1].position.length(), 0.0f);
    EXPECT_GT(scene.trails[2].position.length(), 1.0f);
    EXPECT_EQ(textures.resources["particle.jpg"].refCount, 3u);
    for (const ParticleSystem& trail : scene.trails) {
        EXPECT_TRUE(trail.material.texture != 0u && trail.material.blend == Blend::Additive);
        EXPECT_GT(trail.size, 0.1f) << "every trail is seen";
    }
    // Empty and long frames keep every particle finite.
    playFrames(scene, 2, 0);
    playFrames(scene, 1, 6000);
    playThrough(scene, {39900}, false);
    for (const ParticleSystem& trail : scene.trails) {
        for (int i = 0; i < trail.count; ++i) {
            const Vector3& p = trail.particles[i].position;
            ASSERT_TRUE(std::isfinite(p.x + p.y + p.z));
        }
    }
    expectIndependenceOfThePreviousFrame(scene, true);
    // The title, alone, in the lower right corner of the band, in its blue.
    renderer.beginFrame();
    printTitle(font, renderer);
    const Vector3 title = measure(readFrame(400, 100, 400, 60)).colour;
    EXPECT_GT(title.z, title.y + 20.0f);
    EXPECT_GT(title.y, title.x + 20.0f);
}

}  // namespace
}  // namespace Tramble
