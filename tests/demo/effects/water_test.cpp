// The water surface without a window: the exact order of one update and the reach of a
// disturbance.
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

WaterSurface sceneWater() {
    return WaterSurface(side, side, size, size, damping, stiffness);
}

TEST(WaterSurfaceTest, OneUpdateIntegratesThenDampsThenPullsTowardsTheNeighbours) {
    WaterSurface water = sceneWater();
    const Vector3 c = water.vertexArray.vertices[centre];
    water.disturb(c.x, c.z, 1.0f, 0.3f);
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
    // A frame longer than the damping time stops the velocities instead of reversing them.
    water.update(400);
    for (int i = 0; i < water.vertexArray.count; ++i) {
        ASSERT_EQ(water.velocities[i].y, 0.0f) << i;
    }
}

}  // namespace
}  // namespace Tramble
