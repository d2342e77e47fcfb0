// Mesh containers without a window: the grid's height query, and the grid's own fast pass
// for smooth normals against the general one.
#include "demo/effects/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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

TEST(MeshNormalsTest, GridPassEqualsTheGeneralPassOnABumpyGrid) {
    GridMesh grid(7, 5, 3.0f, 2.0f);
    for (int i = 0; i < grid.vertexArray.count; ++i) {
        Vector3& p = grid.vertexArray.vertices[i];
        p.y = 0.5f * std::sin(1.3f * static_cast<float>(i));
        p.x += 0.05f * std::cos(0.7f * static_cast<float>(i));
        p.z -= 0.04f * std::sin(0.3f * static_cast<float>(i));
    }
    grid.computeNormals();
    std::vector<Vector3> fast(grid.vertexArray.normals.get(), grid.vertexArray.normals.get() + grid.vertexArray.count);
    grid.Mesh::computeNormals();
    for (int i = 0; i < grid.vertexArray.count; ++i) {
        const Vector3& general = grid.vertexArray.normals[i];
        EXPECT_EQ(fast[i].x, general.x) << i;
        EXPECT_EQ(fast[i].y, general.y) << i;
        EXPECT_EQ(fast[i].z, general.z) << i;
        EXPECT_NEAR(general.length(), 1.0f, 1e-6f) << i;
    }
}

}  // namespace
}  // namespace Tramble
