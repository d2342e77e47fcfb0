// The opening scene under a real context: its picture through the whole scene, the intro
// text's schedule, the drops landing in the water, the late white-out, long frames, and
// giving its resources back.
#include "demo/scenes/scene1.h"

#include <gtest/gtest.h>

#include <cmath>

#include "demo/scenes/scenetesting.h"

namespace Tramble {
namespace {

class Scene1Test : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        attach(scene, 45000);
    }

    // Every live drop gone, so that a test can place its own.
    void clearRain() {
        for (int i = 0; i < scene.rain.count; ++i) {
            scene.rain.particles[i].alive = false;
        }
    }
    Particle& placeDrop(int index, const Vector3& position, float fallSpeed) {
        Particle& drop = scene.rain.particles[index];
        drop.alive = true;
        drop.life = 1.0f;
        drop.position = position;
        drop.velocity = Vector3(0.0f, -fallSpeed, 0.0f);
        return drop;
    }
    float lowestWaterVelocity() const {
        float lowest = 0.0f;
        for (int i = 0; i < scene.water.vertexArray.count; ++i) {
            lowest = std::min(lowest, scene.water.velocities[i].y);
        }
        return lowest;
    }

    Scene1 scene;
};

TEST_F(Scene1Test, DrawsAPictureAtEveryStageOfTheSceneWithBlueRain) {
    for (unsigned int at : {0u, 6000u, 20000u, 37000u, 41000u, 44000u}) {
        runUntil(scene, at, 20);
        playFrames(scene, 2, 16);
    }
    expectIndependenceOfThePreviousFrame(scene, true);
    renderer.beginFrame();
    camera.draw(renderer);
    scene.rain.draw(renderer);
    const Colour rain = litColour(bandPixels());
    EXPECT_GT(rain.b, rain.g + 30.0);
    EXPECT_GT(rain.g, rain.r + 20.0);
}

TEST_F(Scene1Test, TheIntroLinesFollowTheScenesClockAndFinishAt40Seconds) {
    ASSERT_TRUE(scene.intro);
    // The text moves on as it is drawn: draw it after every update, as every frame does.
    auto showUntil = [this](unsigned int until) {
        while (scene.elapsed < until) {
            scene.elapsed += 20;
            scene.updateTask(20);
            scene.effects.draw(renderer);
        }
    };
    showUntil(100);
    EXPECT_EQ(scene.intro->lines.front(), " ");
    showUntil(4100);
    EXPECT_EQ(scene.intro->lines.front(), "Everything that has a beginning...");
    showUntil(36100);
    EXPECT_EQ(scene.intro->lines.front(), "- T R A M B L E D -");
    EXPECT_EQ(scene.effects.effects.size(), 1);
    showUntil(40100);
    EXPECT_TRUE(scene.effects.effects.empty()) << "the finished intro is dropped";
    EXPECT_TRUE(scene.intro) << "but not freed before unload";
}

TEST_F(Scene1Test, DropsBelowTheSurfacePushItDownAndDisappear) {
    clearRain();
    Particle& onSurface = placeDrop(0, Vector3(0.0f, 0.0f, 0.0f), 2.0f);
    Particle& onRim = placeDrop(1, Vector3(5.0f, -1.0f, 0.0f), 2.0f);
    Particle& outside = placeDrop(2, Vector3(0.0f, -1.0f, 6.0f), 2.0f);
    scene.landDrops();
    EXPECT_TRUE(onSurface.alive) << "a drop level with the water has not landed";
    EXPECT_TRUE(onRim.alive) << "the rim is outside the water";
    EXPECT_TRUE(outside.alive);
    EXPECT_EQ(lowestWaterVelocity(), 0.0f);

    Particle& below = placeDrop(3, Vector3(1.0f, -0.01f, 1.0f), 2.0f);
    scene.landDrops();
    EXPECT_FALSE(below.alive);
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
    const double before = drawFrame(scene).brightness;
    runUntil(scene, 44900, 20);
    EXPECT_GT(scene.whiteOut.alpha, 0.0f);
    const FrameStats white = drawFrame(scene);
    EXPECT_LT(before, 200.0);
    EXPECT_GT(white.brightness, 220.0) << "the scene ends turning white";
}

// At a steady frame rate the rain keeps the waves within a few units; one explicit step of
// a slow frame would make them explode to hundreds.
TEST_F(Scene1Test, SlowLongAndEmptyFramesKeepTheWavesInBounds) {
    runUntil(scene, 10000, 100);
    playFrames(scene, 2, 0);
    playFrames(scene, 1, 5000);
    playFrames(scene, 1, 3000);
    playFrames(scene, 20, 16);
    for (int i = 0; i < scene.water.vertexArray.count; ++i) {
        const float y = scene.water.vertexArray.vertices[i].y;
        ASSERT_TRUE(std::isfinite(y)) << "vertex " << i;
        ASSERT_LT(std::fabs(y), 8.0f) << "vertex " << i;
    }
}

// One trapezoid step from rest moves a pushed vertex by its velocity times half the step;
// splitting the frame would move it further, as the first part's pull joins in.
class Scene1FrameStep : public Scene1Test, public ::testing::WithParamInterface<unsigned int> {};

TEST_P(Scene1FrameStep, IsOneWaterStep) {
    clearRain();
    const int centre = scene.water.rows / 2 * scene.water.columns + scene.water.columns / 2;
    const Vector3 c = scene.water.vertexArray.vertices[centre];
    scene.water.disturb(c.x, c.z, 1.0f, 0.1f);
    scene.updateTask(GetParam());
    EXPECT_FLOAT_EQ(scene.water.vertexArray.vertices[centre].y, -0.0005f * static_cast<float>(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(At50FpsOrFaster, Scene1FrameStep, ::testing::Values(1u, 17u, 20u));

TEST_F(Scene1Test, UnloadGivesTheTexturesBackAndFreesTheText) {
    ASSERT_EQ(textures.resources["back.jpg"].refCount, 1u);
    ASSERT_EQ(textures.resources["particle.jpg"].refCount, 1u);
    runUntil(scene, 1000, 20);
    scene.unload(textures);
    EXPECT_EQ(textures.resources["back.jpg"].refCount, 0u);
    EXPECT_EQ(textures.resources["particle.jpg"].refCount, 0u);
    EXPECT_FALSE(scene.intro);
    EXPECT_TRUE(scene.effects.effects.empty()) << "no pointer to the freed text is left behind";
    scene.unload(textures);
    EXPECT_EQ(textures.resources["back.jpg"].refCount, 0u) << "a second unload gives nothing back twice";
}

}  // namespace
}  // namespace Tramble
