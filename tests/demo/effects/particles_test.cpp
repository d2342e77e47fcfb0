// Particle pools without a window: one integration step and the life boundary, both
// emission modes, where new particles start and which way they head.
#include "demo/effects/particles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace Tramble {
namespace {

const Vector3 zero;

ParticleSystem steady(int amount, float lifespan, int spread) {
    return ParticleSystem(amount, lifespan, 1.0f, spread, zero, zero, 1.0f, zero, 0.5f);
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
    EXPECT_EQ(particle.acceleration.y, -1.0f);
    EXPECT_EQ(particle.velocity.y, -0.5f);
    EXPECT_EQ(particle.position.x, 0.25f);
    EXPECT_EQ(particle.position.y, -0.25f);
    particle.life = 16.0f * 0.001f;
    for (bool alive : {true, false}) {
        particle.update(16);
        EXPECT_EQ(particle.isAlive(), alive);
    }
    EXPECT_EQ(particle.position.lengthSquared() + particle.velocity.lengthSquared(), 0.0f);
}

TEST(ParticleSystemTest, RespawnModeParksItsFirstGenerationThenRespawnsAlongTheEmittersMove) {
    const Vector3 from(-1.0f, 0.0f, 2.0f);
    const Vector3 to(3.0f, 2.0f, 2.0f);
    ParticleSystem rain(200, 10.0f, 0.0f, 180, zero, from, 0.0f, zero, 0.3f);
    rain.update(16);
    // Only lives shorter than the frame end; nothing is spawned before the next update.
    int parked = 0;
    for (int i = 0; i < rain.count; ++i) {
        parked += rain.particles[i].position.x > 1e6f ? 1 : 0;
        rain.particles[i].kill();
    }
    EXPECT_GT(parked, 190);
    rain.setPosition(to);
    rain.update(0);
    const Vector3 path = to - from;
    float lowest = 1.0f, highest = 0.0f;
    for (int i = 0; i < rain.count; ++i) {
        const Particle& p = rain.particles[i];
        const float t = (p.position - from).dot(path) / path.lengthSquared();
        EXPECT_LT((p.position - from - path * t).length(), 1e-5f) << i;
        EXPECT_GE(p.life, 5.0f) << i;
        EXPECT_LT(p.life, 15.0f) << i;
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
    for (int frame = 0; frame < 125; ++frame) {
        const int before = aliveCount(system);
        system.update(16);
        const int born = aliveCount(system) - before;
        EXPECT_GE(born, 1) << frame;
        EXPECT_LE(born, 2) << frame;
    }
    EXPECT_GE(aliveCount(system), 199);
    // 100 owed, 50 free: 50 dropped, not carried over to when slots free up.
    for (int i = 0; i < system.count; ++i) {
        system.particles[i].start(i < 150 ? 100.0f : 0.0f);
        system.particles[i].alive = i < 150;
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
        if (spread == 180) {
            EXPECT_GE(lowest, 0.0f);
            EXPECT_LT(lowest, 0.05f);
        } else {
            EXPECT_LT(lowest, -0.9f);
        }
    }
}

}  // namespace
}  // namespace Tramble
