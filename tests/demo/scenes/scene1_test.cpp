// The opening scene under a real context: its picture through the whole scene, the intro
// text's schedule, the drops landing in the water, the late white-out, long frames, and
// giving its resources back.
#include "demo/scenes/scene1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "demo/scenes/scenetesting.h"
#include "demo/timeline.h"

namespace Tramble {
namespace {

class Scene1Test : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        attach(scene, timeline[0].length);
    }

    // Live drops at the given positions, falling at 2 units a second, and no others.
    void placeDrops(const std::vector<Vector3>& positions) {
        for (int i = 0; i < scene.rain.count; ++i) {
            Particle& drop = scene.rain.particles[i];
            drop.alive = i < static_cast<int>(positions.size());
            if (drop.alive) {
                drop.life = 1.0f;
                drop.position = positions[static_cast<size_t>(i)];
                drop.velocity = Vector3(0.0f, -2.0f, 0.0f);
            }
        }
    }
    float lowestWaterVelocity() const {
        const Vector3* v = scene.water.velocities.get();
        return std::min_element(v, v + scene.water.vertexArray.count, [](auto& a, auto& b) { return a.y < b.y; })->y;
    }

    Scene1 scene;
};

TEST_F(Scene1Test, DrawsAPictureAtEveryStageOfTheSceneWithBlueRain) {
    playThrough(scene, {6000, 20000, 37000, 41000, 44000}, false);
    expectIndependenceOfThePreviousFrame(scene, true);
    const Vector3 rain = colourOf(scene.rain);
    EXPECT_GT(rain.z, rain.y + 30.0f);
    EXPECT_GT(rain.y, rain.x + 20.0f);
}

TEST_F(Scene1Test, TheIntroLinesFollowTheScenesClockAndFinishAt40Seconds) {
    ASSERT_TRUE(scene.intro);
    const std::pair<unsigned int, const char*> shown[] = {
        {100, " "}, {4100, "Everything that has a beginning..."}, {36100, "- T R A M B L E D -"}};
    for (const auto& at : shown) {
        // The text moves on as it is drawn: draw it after every update, as every frame does.
        while (scene.elapsed < at.first) {
            scene.elapsed += 20;
            scene.updateTask(20);
            scene.effects.draw(renderer);
        }
        EXPECT_EQ(scene.intro->lines.front(), at.second);
        EXPECT_EQ(scene.effects.effects.size(), 1);
    }
    runUntil(scene, 40100, 20);
    scene.effects.draw(renderer);
    EXPECT_TRUE(scene.effects.effects.empty()) << "the finished intro is dropped";
    EXPECT_TRUE(scene.intro) << "but not freed before unload";
}

TEST_F(Scene1Test, DropsBelowTheSurfacePushItDownAndDisappear) {
    // Level with the water, on the rim, beyond the rim: none has landed.
    placeDrops({Vector3(0.0f, 0.0f, 0.0f), Vector3(5.0f, -1.0f, 0.0f), Vector3(0.0f, -1.0f, 6.0f)});
    scene.landDrops();
    EXPECT_EQ(scene.rain.particles[0].alive + scene.rain.particles[1].alive + scene.rain.particles[2].alive, 3);
    EXPECT_EQ(lowestWaterVelocity(), 0.0f);
    placeDrops({Vector3(1.0f, -0.01f, 1.0f)});
    scene.landDrops();
    EXPECT_FALSE(scene.rain.particles[0].alive);
    EXPECT_LT(lowestWaterVelocity(), -1.0f) << "the water is pushed down about as hard as the drop fell";
}

TEST_F(Scene1Test, TheWireframeFogAndWhiteOutComeInTheLastSeconds) {
    runUntil(scene, 36000, 20);
    EXPECT_EQ(scene.wireAlpha, 0.0f) << "nothing before 36 s";
    runUntil(scene, 36020, 20);
    EXPECT_FLOAT_EQ(scene.wireAlpha, 0.004f) << "the first update past 36 s counts whole";
    const float density = scene.fog.density;
    runUntil(scene, 42000, 20);
    EXPECT_GT(scene.fog.density, density);
    EXPECT_EQ(scene.whiteOut.alpha, 0.0f);
    EXPECT_LT(drawFrame(scene).brightness, 200.0);
    runUntil(scene, 44900, 20);
    EXPECT_GT(drawFrame(scene).brightness, 220.0) << "the scene ends turning white";
}

// At a steady frame rate the rain keeps the waves within a few units; one explicit step of
// a slow frame would make them explode to hundreds.
TEST_F(Scene1Test, SlowLongAndEmptyFramesKeepTheWavesInBounds) {
    runUntil(scene, 10000, 100);
    for (unsigned int ms : {0u, 0u, 5000u, 3000u}) {
        playFrames(scene, 1, ms);
    }
    playFrames(scene, 20, 16);
    for (int i = 0; i < scene.water.vertexArray.count; ++i) {
        ASSERT_LT(std::fabs(scene.water.vertexArray.vertices[i].y), 8.0f) << "vertex " << i;
    }
}

// One trapezoid step from rest moves a pushed vertex by its velocity times half the step;
// splitting a frame of up to 20 ms would move it further, as the first part's pull joins in.
TEST_F(Scene1Test, AFrameIsOneWaterStep) {
    for (unsigned int ms : {1u, 17u, 20u}) {
        Scene1 fresh;
        attach(fresh, timeline[0].length);
        for (int i = 0; i < fresh.rain.count; ++i) {
            fresh.rain.particles[i].alive = false;
        }
        const int centre = fresh.water.rows / 2 * fresh.water.columns + fresh.water.columns / 2;
        const Vector3 c = fresh.water.vertexArray.vertices[centre];
        fresh.water.disturb(c.x, c.z, 1.0f, 0.1f);
        fresh.updateTask(ms);
        EXPECT_FLOAT_EQ(fresh.water.vertexArray.vertices[centre].y, -0.0005f * static_cast<float>(ms)) << ms;
    }
}

TEST_F(Scene1Test, UnloadGivesTheTexturesBackOnceAndFreesTheText) {
    for (unsigned int given : {1u, 0u, 0u}) {
        EXPECT_EQ(textures.resources["back.jpg"].refCount, given);
        EXPECT_EQ(textures.resources["particle.jpg"].refCount, given);
        runUntil(scene, 1000, 20);
        scene.unload(textures);
    }
    EXPECT_FALSE(scene.intro);
    EXPECT_TRUE(scene.effects.effects.empty()) << "no pointer to the freed text is left behind";
}

}  // namespace
}  // namespace Tramble
