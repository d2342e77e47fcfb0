// Particle pools without a window: both emission modes, the exact rand() order of a spawn,
// the integration and the life boundary, and where new particles start and head.
#include "demo/effects/particles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

namespace Tramble {
namespace {

const Vector3 parked(9999999.0f, 9999999.0f, 999999.0f);
const Vector3 zero(0.0f, 0.0f, 0.0f);

// A frame of 16 ms in seconds, as the particles compute it.
const float frameSeconds = 16.0f * 0.001f;

ParticleSystem steady(int amount, float lifespan, int spread, float speed, const Vector3& position = zero) {
    return ParticleSystem(amount, lifespan, 1.0f, spread, zero, position, speed, zero, 0.5f);
}

int aliveCount(const ParticleSystem& system) {
    int alive = 0;
    for (int i = 0; i < system.count; ++i) {
        alive += system.particles[i].alive ? 1 : 0;
    }
    return alive;
}

TEST(ParticleTest, LifeOfExactlyZeroLivesOneMoreFrame) {
    Particle particle;
    particle.start(frameSeconds);
    particle.velocity = Vector3(1.0f, 0.0f, 0.0f);
    particle.update(16);
    EXPECT_EQ(particle.getLife(), 0.0f);
    EXPECT_TRUE(particle.isAlive());
    particle.update(16);
    EXPECT_FALSE(particle.isAlive());
    EXPECT_EQ(particle.position.x, 0.0f);
    EXPECT_EQ(particle.velocity.x, 0.0f);
    EXPECT_LT(particle.getLife(), 0.0f);
}

TEST(ParticleTest, JerkFeedsAccelerationFeedsVelocityFeedsPositionWithinOneStep) {
    Particle particle;
    particle.start(10.0f);
    particle.jerk = Vector3(0.0f, -2.0f, 0.0f);
    particle.acceleration = Vector3(1.0f, 0.0f, 0.0f);
    particle.update(500);
    EXPECT_FLOAT_EQ(particle.acceleration.y, -1.0f);
    EXPECT_FLOAT_EQ(particle.velocity.x, 0.5f);
    EXPECT_FLOAT_EQ(particle.velocity.y, -0.5f);
    EXPECT_FLOAT_EQ(particle.position.x, 0.25f);
    EXPECT_FLOAT_EQ(particle.position.y, -0.25f);
    EXPECT_FLOAT_EQ(particle.getLife(), 9.5f);
}

TEST(ParticleSystemTest, RespawnModeParksTheFirstGenerationAndItsFirstUpdateMovesNone) {
    std::srand(1);
    std::vector<float> lives;
    for (int i = 0; i < 200; ++i) {
        lives.push_back(static_cast<float>(std::rand() % 1000) * 0.001f * 10.0f);
    }
    std::srand(1);
    ParticleSystem rain(200, 10.0f, 0.0f, 180, Vector3(0.0f, -1.0f, 0.0f), Vector3(0.0f, 10.0f, 0.0f), 0.1f,
                        Vector3(0.0f, -0.5f, 0.0f), 0.3f);
    ASSERT_EQ(rain.count, 200);
    for (int i = 0; i < rain.count; ++i) {
        const Particle& p = rain.particles[i];
        EXPECT_TRUE(p.alive);
        EXPECT_EQ(p.life, lives[i]);
        EXPECT_EQ(p.position.x, parked.x);
        EXPECT_EQ(p.position.z, parked.z);
        EXPECT_EQ(p.velocity.lengthSquared(), 0.0f);
        EXPECT_EQ(p.acceleration.lengthSquared(), 0.0f);
    }
    rain.update(16);
    for (int i = 0; i < rain.count; ++i) {
        const Particle& p = rain.particles[i];
        // Only a life shorter than the frame ends; nothing is spawned before the next update.
        EXPECT_EQ(p.alive, lives[i] >= frameSeconds) << i;
        if (p.alive) {
            EXPECT_EQ(p.position.x, parked.x) << i;
            EXPECT_EQ(p.position.y, parked.y) << i;
            EXPECT_EQ(p.position.z, parked.z) << i;
        }
    }
}

TEST(ParticleSystemTest, SpawnDrawsLifeThenPositionThenYawThenPitch) {
    std::srand(1);
    std::vector<int> r;
    for (int i = 0; i < 8; ++i) {
        r.push_back(std::rand());
    }
    std::srand(1);
    const Vector3 a(1.0f, 2.0f, 3.0f);
    const Vector3 b(5.0f, -2.0f, 3.0f);
    ParticleSystem system(3, 4.0f, 0.0f, 360, Vector3(0.0f, 1.0f, 0.0f), a, 2.0f, zero, 0.5f);
    system.particles[1].kill();
    system.setPosition(b);
    system.update(0);
    const Particle& p = system.particles[1];
    EXPECT_TRUE(p.alive);
    EXPECT_FLOAT_EQ(p.life, (static_cast<float>(r[3] % 1000) * 0.001f + 0.5f) * 4.0f);
    const float t = static_cast<float>(r[4] % 100) * 0.01f;
    const Vector3 start = (1.0f - t) * a + t * b;
    EXPECT_FLOAT_EQ(p.position.x, start.x);
    EXPECT_FLOAT_EQ(p.position.y, start.y);
    const float yaw = static_cast<float>(r[5] % 360) * degreesToRadians;
    const float pitch = static_cast<float>(r[6] % 360) * degreesToRadians;
    EXPECT_NEAR(p.acceleration.x, -2.0f * std::sin(yaw) * std::cos(pitch), 1e-5f);
    EXPECT_NEAR(p.acceleration.y, 2.0f + 2.0f * std::sin(pitch), 1e-5f);
    EXPECT_NEAR(p.acceleration.z, -2.0f * std::cos(yaw) * std::cos(pitch), 1e-5f);
    // Exactly four draws for the one spawn, none for the live slots.
    EXPECT_EQ(std::rand(), r[7]);
}

TEST(ParticleSystemTest, KilledParticleRespawnsAtTheEmitterOnTheNextUpdate) {
    const Vector3 emitter(2.0f, 4.0f, -1.0f);
    ParticleSystem system(10, 5.0f, 0.0f, 360, zero, emitter, 0.0f, zero, 0.5f);
    system.particles[7].kill();
    EXPECT_FALSE(system.particles[7].isAlive());
    system.update(16);
    const Particle& p = system.particles[7];
    EXPECT_TRUE(p.alive);
    EXPECT_NEAR(p.position.x, emitter.x, 1e-5f);
    EXPECT_NEAR(p.position.y, emitter.y, 1e-5f);
    EXPECT_NEAR(p.position.z, emitter.z, 1e-5f);
    EXPECT_GE(p.life, 0.5f * 5.0f - frameSeconds);
    EXPECT_LE(p.life, 1.499f * 5.0f);
}

TEST(ParticleSystemTest, SteadyModeEmitsOneOrTwoPerFrameAtOneHundredPerSecond) {
    std::srand(1);
    ParticleSystem system = steady(100, 2.0f, 360, 1.0f);
    ASSERT_EQ(system.count, 200);
    const float newborn = 2.0f - frameSeconds;
    int total = 0;
    for (int frame = 0; frame < 125; ++frame) {
        system.update(16);
        int emitted = 0;
        for (int i = 0; i < system.count; ++i) {
            emitted += system.particles[i].alive && system.particles[i].life == newborn ? 1 : 0;
        }
        EXPECT_GE(emitted, 1) << frame;
        EXPECT_LE(emitted, 2) << frame;
        EXPECT_GE(system.emissionCarry, 0.0f);
        EXPECT_LT(system.emissionCarry, 1.0f);
        total += emitted;
    }
    // Two seconds at 1.6 per frame fill the pool; the first particles are just running out.
    EXPECT_GE(total, 199);
    EXPECT_LE(total, 200);
    EXPECT_GE(aliveCount(system), total - 2);
}

TEST(ParticleSystemTest, SteadyModeNeverEmitsMoreThanTheFreeSlots) {
    ParticleSystem system = steady(100, 2.0f, 360, 1.0f);
    for (int i = 0; i < 150; ++i) {
        system.particles[i].start(100.0f);
    }
    // 100 owed, 50 free: the other 50 are dropped, not carried over.
    system.update(1000);
    EXPECT_EQ(aliveCount(system), 200);
    for (int i = 0; i < 150; ++i) {
        EXPECT_FLOAT_EQ(system.particles[i].life, 99.0f) << i;
    }
    for (int i = 150; i < 200; ++i) {
        EXPECT_FLOAT_EQ(system.particles[i].life, 1.0f) << i;
    }
    EXPECT_NEAR(system.emissionCarry, 0.0f, 1e-4f);
    system.update(1000);
    EXPECT_EQ(aliveCount(system), 200);
}

TEST(ParticleSystemTest, SpreadOf180KeepsEmissionAboveTheHorizon) {
    ParticleSystem narrow = steady(1000, 1.0f, 180, 1.0f);
    ParticleSystem wide = steady(1000, 1.0f, 360, 1.0f);
    narrow.update(999);
    wide.update(999);
    ASSERT_GT(aliveCount(narrow), 900);
    float lowestNarrow = 1.0f;
    float lowestWide = 1.0f;
    for (int i = 0; i < narrow.count; ++i) {
        if (narrow.particles[i].alive) {
            EXPECT_NEAR(narrow.particles[i].acceleration.length(), 1.0f, 1e-5f);
            lowestNarrow = std::min(lowestNarrow, narrow.particles[i].acceleration.y);
        }
        if (wide.particles[i].alive) {
            lowestWide = std::min(lowestWide, wide.particles[i].acceleration.y);
        }
    }
    EXPECT_GE(lowestNarrow, 0.0f);
    EXPECT_LT(lowestWide, -0.5f);
}

TEST(ParticleSystemTest, NewParticlesStartOnTheSegmentTheEmitterMovedAlong) {
    const Vector3 from(-1.0f, 0.0f, 2.0f);
    const Vector3 to(3.0f, 2.0f, 2.0f);
    ParticleSystem system = steady(100, 10.0f, 360, 0.0f, from);
    system.setPosition(to);
    system.update(5000);
    ASSERT_EQ(aliveCount(system), 500);
    const Vector3 path = to - from;
    std::set<float> parameters;
    for (int i = 0; i < system.count; ++i) {
        if (!system.particles[i].alive) {
            continue;
        }
        const Vector3 offset = system.particles[i].position - from;
        const float t = offset.dot(path) / path.lengthSquared();
        EXPECT_GE(t, -1e-6f);
        EXPECT_LE(t, 0.99f + 1e-6f);
        EXPECT_NEAR((offset - path * t).length(), 0.0f, 1e-5f);
        parameters.insert(std::round(t * 100.0f));
    }
    EXPECT_GT(parameters.size(), 50u);
}

}  // namespace
}  // namespace Tramble
