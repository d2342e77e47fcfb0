// Mesh containers without a window: the grid's height query.
#include <gtest/gtest.h>

#include <cmath>

#include "demo/effects/gridmesh.h"

namespace Tramble {
namespace {

TEST(GridMeshTest, HeightAtReadsTheVertexOfTheCellUnderThePoint) {
    GridMesh grid(4, 3, 6.0f, 4.0f);
    for (int i = 0; i < grid.vertexArray.count; ++i) {
        // Row r, column c holds 10 r + c.
        grid.vertexArray.vertices[i].y = static_cast<float>(10 * (i / 4) + i % 4);
    }
    // A hair inside the far corner rounds onto the last vertex, never past the row.
    EXPECT_EQ(grid.heightAt(-2.9f, -1.9f), 0.0f);
    EXPECT_EQ(grid.heightAt(-0.1f, -0.1f), 11.0f);
    EXPECT_EQ(grid.heightAt(0.1f, 0.1f), 12.0f);
    EXPECT_EQ(grid.heightAt(std::nextafter(3.0f, 0.0f), std::nextafter(2.0f, 0.0f)), 23.0f);
}

}  // namespace
}  // namespace Tramble
