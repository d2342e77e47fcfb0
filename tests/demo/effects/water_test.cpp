// The water surface without a window: rest stays rest, the exact order of one update, the
// rim rule, how far a disturbance reaches, rings spreading symmetrically and dying away
// with the damping, and vertices that only ever move vertically.
#include "demo/effects/water.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Tramble {
namespace {

// The opening scene's water.
const int side = 30;
const float size = 10.0f;
const float damping = 3.0f;
const float stiffness = 5.0f;
const int centre = 14 * side + 14;
const float spacing = size / (side - 1);

WaterSurface sceneWater(float dampingFactor = 1.0f) {
    return WaterSurface(side, side, size, size, damping * dampingFactor, stiffness);
}

double energy(const WaterSurface& water) {
    double sum = 0.0;
    for (int i = 0; i < water.vertexArray.count; ++i) {
        sum += water.vertexArray.vertices[i].y * water.vertexArray.vertices[i].y +
               water.velocities[i].y * water.velocities[i].y;
    }
    return sum;
}

TEST(WaterSurfaceTest, OneUpdateIntegratesThenDampsThenPullsTowardsTheNeighbours) {
    WaterSurface water = sceneWater();
    const Vector3 c = water.vertexArray.vertices[centre];
    water.disturb(c.x, c.z, 1.0f, 0.3f);
    EXPECT_EQ(water.vertexArray.vertices[centre].y, 0.0f);
    water.update(16);
    // Position from the mean of the new and the previous (zero) velocity, then damping.
    const float y = -1.0f * (16.0f * 0.0005f);
    EXPECT_FLOAT_EQ(water.vertexArray.vertices[centre].y, y);
    EXPECT_FLOAT_EQ(water.velocities[centre].y, -1.0f * (1.0f - 0.016f * damping));
    // Eight neighbours at rest: four at one spacing, four diagonal.
    const float pull = stiffness * (4.0f * -y / spacing + 4.0f * -y / (spacing * std::sqrt(2.0f)));
    EXPECT_NEAR(water.accelerations[centre].y, pull, 1e-5f);
    EXPECT_NEAR(water.accelerations[centre + 1].y, stiffness * y / spacing, 1e-6f);
    EXPECT_NEAR(water.accelerations[centre + side + 1].y, stiffness * y / spacing / std::sqrt(2.0f), 1e-6f);
    EXPECT_EQ(water.accelerations[centre + 2].y, 0.0f);
    EXPECT_LT(water.vertexArray.normals[centre + 1].x, 0.0f);
}

TEST(WaterSurfaceTest, RimIsHeldByAZeroNeighbourOneUnitBeyondTheEdge) {
    WaterSurface water = sceneWater();
    water.vertexArray.vertices[0].y = 1.0f;
    water.update(0);
    // Three neighbours inside the grid and five beyond it.
    const float expected = stiffness * (-1.0f / (spacing * std::sqrt(2.0f)) - 2.0f / spacing - 5.0f);
    EXPECT_NEAR(water.accelerations[0].y, expected, 1e-4f);
}

TEST(WaterSurfaceTest, DisturbanceReachesStrictlyLessThanItsRadiusWithQuadraticFalloff) {
    // Vertices at -1, 0 and 1 on both axes; vertex 3 r + c at x = c - 1, z = r - 1. From
    // (0, 0.5), vertices 4 and 7 lie 0.5 away: outside a radius of 0.5, inside one of 0.8.
    for (float radius : {0.5f, 0.8f}) {
        WaterSurface water(3, 3, 2.0f, 2.0f, damping, stiffness);
        water.disturb(0.0f, 0.5f, 2.0f, radius);
        for (int i = 0; i < water.vertexArray.count; ++i) {
            const bool reached = radius > 0.5f && (i == 4 || i == 7);
            EXPECT_FLOAT_EQ(water.velocities[i].y, reached ? -2.0f * (1.0f - 0.25f / 0.64f) : 0.0f) << i;
        }
    }
}

TEST(WaterSurfaceTest, DisturbanceSpreadsAsASymmetricRingAndDiesAwayFasterWithMoreDamping) {
    WaterSurface water = sceneWater();
    WaterSurface stronger = sceneWater(2.0f);
    const Vector3 c = water.vertexArray.vertices[centre];
    water.disturb(c.x, c.z, 1.0f, 0.3f);
    stronger.disturb(c.x, c.z, 1.0f, 0.3f);
    double early = 0.0, late = 0.0, strongerLate = 0.0;
    for (int frame = 1; frame <= 200; ++frame) {
        water.update(16);
        stronger.update(16);
        early += frame <= 40 ? energy(water) : 0.0;
        late += frame > 60 && frame <= 100 ? energy(water) : 0.0;
        strongerLate += frame > 60 && frame <= 100 ? energy(stronger) : 0.0;
        if (frame == 20) {
            // Mirror images of a vertex about the centre's row, column and diagonal agree.
            for (int a = -4; a <= 4; ++a) {
                for (int b = -4; b <= 4; ++b) {
                    const Vector3* p = water.vertexArray.vertices.get() + centre;
                    const float here = p[b * side + a].y;
                    EXPECT_TRUE(std::fabs(p[b * side - a].y - here) < 1e-6f &&
                                std::fabs(p[-b * side + a].y - here) < 1e-6f &&
                                std::fabs(p[a * side + b].y - here) < 1e-6f)
                        << a << "," << b;
                }
            }
        }
    }
    EXPECT_LT(energy(water) * 40.0, early / 10.0);
    EXPECT_LT(strongerLate, late / 4.0);
}

TEST(WaterSurfaceTest, FrameLongerThanTheDampingTimeStopsTheVelocitiesInsteadOfReversingThem) {
    WaterSurface water = sceneWater();
    water.disturb(0.0f, 0.0f, 1.0f, 1.0f);
    water.update(400);
    for (int i = 0; i < water.vertexArray.count; ++i) {
        EXPECT_EQ(water.velocities[i].y, 0.0f) << i;
    }
    EXPECT_LT(water.vertexArray.vertices[centre].y, 0.0f);
}

TEST(WaterSurfaceTest, UndisturbedSurfaceStaysFlatAndVerticesNeverMoveSideways) {
    WaterSurface water = sceneWater();
    const GridMesh flat(side, side, size, size);
    for (int frame = 0; frame < 400; ++frame) {
        if (frame == 100) {
            EXPECT_EQ(energy(water), 0.0);
            EXPECT_FLOAT_EQ(water.vertexArray.normals[centre].y, 1.0f);
        }
        if (frame >= 100 && frame % 10 == 0) {
            const float f = static_cast<float>(frame);
            water.disturb(std::sin(f) * 4.0f, std::cos(f) * 4.0f, 1.5f, 0.8f);
        }
        water.update(16 + frame % 7);
    }
    for (int i = 0; i < water.vertexArray.count; ++i) {
        const Vector3& p = water.vertexArray.vertices[i];
        ASSERT_TRUE(
            p.x == flat.vertexArray.vertices[i].x && p.z == flat.vertexArray.vertices[i].z &&
            water.velocities[i].x + water.accelerations[i].x + water.velocities[i].z + water.accelerations[i].z == 0.0f)
            << i;
    }
    EXPECT_GT(energy(water), 0.0);
}

}  // namespace
}  // namespace Tramble
