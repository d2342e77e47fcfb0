// Metaballs without a window: the tables against the published reference, the optimised
// polygoniser against a plain cube-by-cube evaluation of the same algorithm (positions,
// outward normals, winding).
#include "demo/effects/metaballs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "demo/effects/marchingcubes.h"
#include "demo/scenes/scene2.h"

namespace Tramble {
namespace {

const int n = Metaballs::gridSize;
const int unlimitedTriangles = 5 * 29 * 29 * 29;

float coordinate(int i) {
    return static_cast<float>(i) * (1.0f / static_cast<float>(n)) - 0.5f;
}

// The published algorithm evaluated cube by cube, edge by edge, with nothing shared:
// position and normal of each triangle's vertices, in the order the triangle lists them.
std::vector<Vector3> polygonisePlainly(const Metaballs& metaballs) {
    auto field = [&](const Vector3& p) {
        float sum = 0.0f;
        for (int b = 0; b < metaballs.ballCount; ++b) {
            sum += metaballs.balls[b].strength / (p - metaballs.balls[b].position).lengthSquared();
        }
        return sum;
    };
    const int cx[8] = {0, 1, 1, 0, 0, 1, 1, 0};
    const int cy[8] = {1, 1, 1, 1, 0, 0, 0, 0};
    const int cz[8] = {0, 0, 1, 1, 0, 0, 1, 1};
    const int from[12] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3};
    const int to[12] = {1, 2, 3, 0, 5, 6, 7, 4, 4, 5, 6, 7};
    std::vector<Vector3> plain;
    for (int cube = 0; cube < (n - 1) * (n - 1) * (n - 1); ++cube) {
        const int x = cube / ((n - 1) * (n - 1)), y = cube / (n - 1) % (n - 1), z = cube % (n - 1);
        Vector3 corners[8];
        float values[8];
        unsigned int index = 0;
        for (int k = 0; k < 8; ++k) {
            corners[k] = Vector3(coordinate(x + cx[k]), coordinate(y + cy[k]), coordinate(z + cz[k]));
            values[k] = field(corners[k]);
            index |= values[k] > metaballs.isoLevel ? 1u << k : 0u;
        }
        for (const auto* e = marchingCubesTriangles[index]; *e != -1; ++e) {
            const float share = (metaballs.isoLevel - values[from[*e]]) / (values[to[*e]] - values[from[*e]]);
            const Vector3 v = corners[from[*e]] + (corners[to[*e]] - corners[from[*e]]) * share;
            Vector3 normal;
            for (int b = 0; b < metaballs.ballCount; ++b) {
                normal +=
                    (v - metaballs.balls[b].position) * (1.0f / (v - metaballs.balls[b].position).lengthSquared());
            }
            plain.push_back(v);
            plain.push_back(normal * (1.0f / normal.length()));
        }
    }
    return plain;
}

TEST(MarchingCubesTablesTest, EqualThePublishedReference) {
    std::ifstream file(TRAMBLE_SOURCE_DIR "/tests/demo/effects/data/marching_cubes_tables.txt");
    ASSERT_TRUE(file.is_open());
    std::vector<int> edges, triangles;
    std::vector<int>* section = &edges;
    for (std::string line; std::getline(file, line);) {
        section = line == "# triangle table" ? &triangles : section;
        std::istringstream entries(line[0] == '#' ? "" : line);
        for (std::string entry; std::getline(entries, entry, ',');) {
            section->push_back(static_cast<int>(std::stol(entry, nullptr, 0)));
        }
    }
    ASSERT_EQ(edges.size(), 256u);
    ASSERT_EQ(triangles.size(), 256u * 16u);
    for (size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(marchingCubesEdges[i], edges[i]) << i;
        EXPECT_TRUE(std::equal(marchingCubesTriangles[i], marchingCubesTriangles[i] + 16, &triangles[i * 16])) << i;
    }
}

// The triangles list their three vertices of their own downwards, which turns the tables'
// winding outwards.
TEST(MetaballsTest, SurfaceEqualsAPlainCubeByCubeEvaluation) {
    for (float a : {0.0f, 0.7f, 2.3f, 4.0f}) {
        // The second scene's balls at angle a; room for any surface.
        Metaballs metaballs;
        metaballs.setIsoLevel(0.1f);
        metaballs.setBallCount(Scene2::ballCount);
        for (int i = 0; i < Scene2::ballCount; ++i) {
            metaballs.setBallStrength(i, Scene2::ballStrengths[i]);
            metaballs.setBallPosition(i, Scene2::ballPosition(i, a));
        }
        metaballs.setCapacity(unlimitedTriangles, 3 * unlimitedTriangles);
        metaballs.polygonise();
        const std::vector<Vector3> plain = polygonisePlainly(metaballs);
        const PartialMesh& surface = metaballs.getSurface();
        ASSERT_EQ(6 * surface.drawCount, static_cast<int>(plain.size())) << a;
        ASSERT_EQ(surface.vertexCount, 3 * surface.drawCount) << a;
        for (int t = 0; t < surface.drawCount; ++t) {
            for (int k = 0; k < 3; ++k) {
                const unsigned int v = surface.triangleList.triangles[t].v[k];
                const Vector3& p = plain[static_cast<size_t>(6 * t + 2 * k)];
                const Vector3& q = surface.vertexArray.vertices[v];
                SCOPED_TRACE(testing::Message() << a << " triangle " << t);
                ASSERT_EQ(v, static_cast<unsigned int>(3 * t + 2 - k));
                ASSERT_EQ(q.x, p.x);
                ASSERT_EQ(q.y, p.y);
                ASSERT_EQ(q.z, p.z);
                ASSERT_LT((surface.vertexArray.normals[v] - plain[static_cast<size_t>(6 * t + 2 * k + 1)]).length(),
                          1e-6f);
            }
        }
    }
}

}  // namespace
}  // namespace Tramble
