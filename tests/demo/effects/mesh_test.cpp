// Mesh containers without a window: the grid's height query, and smooth normals
// (area weighting, degenerate faces, the grid's own fast pass against the general one).
#include "demo/effects/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "demo/effects/gridmesh.h"

namespace Tramble {
namespace {

void expectVector(const Vector3& actual, float x, float y, float z) {
    EXPECT_TRUE(std::fabs(actual.x - x) < 1e-6f && std::fabs(actual.y - y) < 1e-6f && std::fabs(actual.z - z) < 1e-6f)
        << actual.x << "," << actual.y << "," << actual.z;
}

TEST(GridMeshTest, HeightAtReadsTheVertexOfTheCellUnderThePoint) {
    GridMesh grid(4, 3, 6.0f, 4.0f);
    for (int i = 0; i < grid.vertexArray.count; ++i) {
        // Row r, column c holds 10 r + c.
        grid.vertexArray.vertices[i].y = static_cast<float>(10 * (i / 4) + i % 4);
    }
    // A hair inside the far corner rounds onto the last vertex, never past the row.
    EXPECT_TRUE(grid.heightAt(-2.9f, -1.9f) == 0.0f && grid.heightAt(-0.1f, -0.1f) == 11.0f &&
                grid.heightAt(0.1f, 0.1f) == 12.0f &&
                grid.heightAt(std::nextafter(3.0f, 0.0f), std::nextafter(2.0f, 0.0f)) == 23.0f);
}

TEST(MeshNormalsTest, FacesWeighByAreaAndUnusedOrDegenerateVerticesStayZero) {
    Mesh mesh(9, 3);
    // Vertex 5 is in no triangle; 6, 7, 8 are collinear.
    const Vector3 points[9] = {{}, {0, 0, 2}, {2, 0, 0}, {1, 0, 0}, {0, 1, 0}, {}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    const Triangle triangles[3] = {{{0, 1, 2}}, {{0, 3, 4}}, {{6, 7, 8}}};
    std::copy(points, points + 9, mesh.vertexArray.vertices.get());
    std::copy(triangles, triangles + 3, mesh.triangleList.triangles.get());
    mesh.computeNormals();
    const Vector3* n = mesh.vertexArray.normals.get();
    // Vertex 0: (0, 4, 0) from the large face plus (0, 0, 1) from the small one.
    expectVector(n[0], 0.0f, 4.0f / std::sqrt(17.0f), 1.0f / std::sqrt(17.0f));
    expectVector(n[1], 0.0f, 1.0f, 0.0f);
    expectVector(n[3], 0.0f, 0.0f, 1.0f);
    for (int i = 5; i < 9; ++i) {
        expectVector(n[i], 0.0f, 0.0f, 0.0f);
    }
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
        EXPECT_TRUE(fast[i].x == general.x && fast[i].y == general.y && fast[i].z == general.z &&
                    std::fabs(general.length() - 1.0f) < 1e-6f)
            << i;
    }
}

}  // namespace
}  // namespace Tramble
