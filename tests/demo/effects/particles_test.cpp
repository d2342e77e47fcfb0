// Particle pools without a window: one integration step and the life boundary, both
// emission modes, where new particles start and which way they head.
#include "demo/effects/particles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace Tramble {
namespace {

const Vector3 zero;

ParticleSystem steady(int amount, float lifespan, int spread, const Vector3& position = zero) {
    return ParticleSystem(
        ParticleSettings{amount, lifespan, 1.0f, spread, zero, position, 1.0f, zero, 0.5f, {1.0f, 1.0f, 1.0f, 1.0f}});
}

int aliveCount(const ParticleSystem& system) {
    return static_cast<int>(std::count_if(system.particles.get(), system.particles.get() + system.count,
                                          [](const Particle& p) { return p.alive; }));
}

TEST(ParticleTest, OneStepFeedsJerkDownToPositionAndALifeOfExactlyZeroLivesOnce) {
    Particle particle;
    particle.start(0.516f);
    particle.jerk = Vector3(0.0f, -2.0f, 0.0f);
    particle.acceleration = Vector3(1.0f, 0.0f, 0.0f);
    particle.update(500);
    EXPECT_FLOAT_EQ(particle.acceleration.y, -1.0f);
    EXPECT_FLOAT_EQ(particle.velocity.y, -0.5f);
    EXPECT_FLOAT_EQ(particle.position.x, 0.25f);
    EXPECT_FLOAT_EQ(particle.position.y, -0.25f);
    particle.life = 16.0f * 0.001f;
    particle.update(16);
    EXPECT_TRUE(particle.isAlive());
    particle.update(16);
    EXPECT_FALSE(particle.isAlive());
    EXPECT_EQ(particle.position.lengthSquared() + particle.velocity.lengthSquared(), 0.0f);
}

TEST(ParticleSystemTest, RespawnModeParksItsFirstGenerationThenRespawnsAlongTheEmittersMove) {
    const Vector3 from(-1.0f, 0.0f, 2.0f);
    const Vector3 to(3.0f, 2.0f, 2.0f);
    ParticleSystem rain(
        ParticleSettings{200, 10.0f, 0.0f, 180, zero, from, 0.0f, zero, 0.3f, {1.0f, 1.0f, 1.0f, 1.0f}});
    rain.update(16);
    int parked = 0;
    for (int i = 0; i < rain.count; ++i) {
        parked += rain.particles[i].alive && rain.particles[i].position.x > 1e6f ? 1 : 0;
    }
    // Only lives shorter than the frame end; nothing is spawned before the next update.
    EXPECT_GT(parked, 190);
    EXPECT_EQ(parked, aliveCount(rain));
    for (int i = 0; i < rain.count; ++i) {
        rain.particles[i].kill();
    }
    rain.setPosition(to);
    rain.update(0);
    ASSERT_EQ(aliveCount(rain), 200);
    const Vector3 path = to - from;
    float lowest = 1.0f, highest = 0.0f;
    for (int i = 0; i < rain.count; ++i) {
        const Particle& p = rain.particles[i];
        const float t = (p.position - from).dot(path) / path.lengthSquared();
        EXPECT_NEAR((p.position - from - path * t).length(), 0.0f, 1e-5f) << i;
        EXPECT_GE(p.life, 0.5f * 10.0f) << i;
        EXPECT_LT(p.life, 1.5f * 10.0f) << i;
        lowest = std::min(lowest, t);
        highest = std::max(highest, t);
    }
    EXPECT_GE(lowest, -1e-6f);
    EXPECT_LT(lowest, 0.05f);
    EXPECT_GT(highest, 0.95f);
    EXPECT_LE(highest, 1.0f);
}

TEST(ParticleSystemTest, SteadyModeEmitsAHundredPerSecondIntoFreeSlotsOnly) {
    ParticleSystem system = steady(100, 2.0f, 360);
    ASSERT_EQ(system.count, 200);
    int total = 0;
    for (int frame = 0; frame < 125; ++frame) {
        const int before = aliveCount(system);
        system.update(16);
        const int emitted = aliveCount(system) - before;
        EXPECT_GE(emitted, 1) << frame;
        EXPECT_LE(emitted, 2) << frame;
        total += emitted;
    }
    EXPECT_GE(total, 199);
    // 100 owed, none free: dropped, not carried over to when slots free up.
    for (int i = 0; i < system.count; ++i) {
        system.particles[i].start(100.0f);
    }
    for (int i = 150; i < 200; ++i) {
        system.particles[i].kill();
    }
    system.update(1000);
    EXPECT_EQ(aliveCount(system), 200);
    for (int i = 0; i < 200; i += 50) {
        EXPECT_FLOAT_EQ(system.particles[i].life, i < 150 ? 99.0f : 1.0f) << i;
    }
    system.particles[0].kill();
    system.update(16);
    EXPECT_EQ(aliveCount(system), 200);
}

// A spread of 180 degrees throws only upwards, 360 all around, at the system's speed.
TEST(ParticleSystemTest, SpreadBoundsTheDirectionsNewParticlesHeadIn) {
    for (int spread : {180, 360}) {
        ParticleSystem system = steady(1000, 1.0f, spread);
        system.update(999);
        ASSERT_GT(aliveCount(system), 900);
        float lowest = 1.0f;
        for (int i = 0; i < system.count; ++i) {
            if (system.particles[i].alive) {
                EXPECT_NEAR(system.particles[i].acceleration.length(), 1.0f, 1e-5f);
                lowest = std::min(lowest, system.particles[i].acceleration.y);
            }
        }
        EXPECT_EQ(lowest >= 0.0f, spread == 180) << spread;
        EXPECT_LT(lowest, spread == 180 ? 0.05f : -0.9f) << spread;
    }
}

}  // namespace
}  // namespace Tramble
