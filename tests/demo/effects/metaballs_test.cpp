// Metaballs without a window: the tables against the published reference, the optimised
// polygoniser against a plain cube-by-cube evaluation of the same algorithm, the surface of
// one ball (closed, right radius, outward normals), separate and merged surfaces, the
// capacity limit and degenerate samples.
#include "demo/effects/metaballs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "demo/effects/marchingcubes.h"
#include "demo/scenes/scene2.h"

namespace Tramble {
namespace {

const int n = Metaballs::gridSize;
const float gridStep = 1.0f / static_cast<float>(n);
const int unlimitedTriangles = 5 * 29 * 29 * 29;

float coordinate(int i) {
    return static_cast<float>(i) * gridStep - 0.5f;
}

int sampleIndex(int x, int y, int z) {
    return (x * n + y) * n + z;
}

void setUpBalls(Metaballs& metaballs, int count, float strength) {
    metaballs.setIsoLevel(0.1f);
    metaballs.setBallCount(count);
    for (int i = 0; i < count; ++i) {
        metaballs.setBallStrength(i, strength);
    }
    metaballs.setCapacity(unlimitedTriangles, 3 * unlimitedTriangles);
}

// The second scene's balls at animation angle a.
void setUpSceneBalls(Metaballs& metaballs, float a) {
    setUpBalls(metaballs, Scene2::ballCount, 0.0f);
    for (int i = 0; i < Scene2::ballCount; ++i) {
        metaballs.setBallStrength(i, Scene2::ballStrengths[i]);
        metaballs.setBallPosition(i, Scene2::ballPosition(i, a));
    }
}

// The surface's closed pieces: vertices computed by different cubes for the same crossing
// agree to rounding (about 1e-7), so they are welded at 1e-6; -1 if any edge of the welded
// surface does not belong to exactly two triangles.
int closedPieces(const PartialMesh& surface) {
    std::vector<Vector3> points;
    std::vector<int> ids;
    for (int v = 0; v < surface.vertexCount; ++v) {
        const Vector3& p = surface.vertexArray.vertices[v];
        size_t k = 0;
        while (k < points.size() && (points[k] - p).length() >= 1e-6f) {
            ++k;
        }
        if (k == points.size()) {
            points.push_back(p);
        }
        ids.push_back(static_cast<int>(k));
    }
    std::vector<int> parent(points.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&parent](int i) {
        while (parent[static_cast<size_t>(i)] != i) {
            i = parent[static_cast<size_t>(i)];
        }
        return i;
    };
    std::map<std::pair<int, int>, int> edges;
    for (int t = 0; t < surface.drawCount; ++t) {
        const unsigned int* v = surface.triangleList.triangles[t].v;
        for (int k = 0; k < 3; ++k) {
            const int a = ids[v[k]];
            const int b = ids[v[(k + 1) % 3]];
            ++edges[{std::min(a, b), std::max(a, b)}];
            parent[static_cast<size_t>(find(b))] = find(a);
        }
    }
    for (const auto& edge : edges) {
        if (edge.second != 2) {
            return -1;
        }
    }
    int roots = 0;
    for (size_t i = 0; i < parent.size(); ++i) {
        roots += find(static_cast<int>(i)) == static_cast<int>(i) ? 1 : 0;
    }
    return roots;
}

// The published algorithm evaluated cube by cube, edge by edge, with nothing shared:
// positions and normals of each triangle's vertices, in the order the triangle lists them.
std::vector<Vector3> polygonisePlainly(const Metaballs& metaballs) {
    auto field = [&](const Vector3& p) {
        float sum = 0.0f;
        for (int b = 0; b < metaballs.ballCount; ++b) {
            sum += metaballs.balls[b].strength / (p - metaballs.balls[b].position).lengthSquared();
        }
        return sum;
    };
    auto normal = [&](const Vector3& v) {
        Vector3 sum;
        for (int b = 0; b < metaballs.ballCount; ++b) {
            const Vector3 d = v - metaballs.balls[b].position;
            sum += d * (1.0f / d.lengthSquared());
        }
        return sum * (1.0f / sum.length());
    };
    const int cx[8] = {0, 1, 1, 0, 0, 1, 1, 0};
    const int cy[8] = {1, 1, 1, 1, 0, 0, 0, 0};
    const int cz[8] = {0, 0, 1, 1, 0, 0, 1, 1};
    const int from[12] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3};
    const int to[12] = {1, 2, 3, 0, 5, 6, 7, 4, 4, 5, 6, 7};
    std::vector<Vector3> plain;
    for (int x = 0; x + 1 < n; ++x) {
        for (int y = 0; y + 1 < n; ++y) {
            for (int z = 0; z + 1 < n; ++z) {
                Vector3 corners[8];
                float values[8];
                unsigned int index = 0;
                for (int k = 0; k < 8; ++k) {
                    corners[k] = Vector3(coordinate(x + cx[k]), coordinate(y + cy[k]), coordinate(z + cz[k]));
                    values[k] = field(corners[k]);
                    index |= values[k] > metaballs.isoLevel ? 1u << k : 0u;
                }
                const auto* triangles = marchingCubesTriangles[index];
                for (int t = 0; triangles[t] != -1; ++t) {
                    const int e = triangles[t];
                    const float share = (metaballs.isoLevel - values[from[e]]) / (values[to[e]] - values[from[e]]);
                    const Vector3 v = corners[from[e]] + (corners[to[e]] - corners[from[e]]) * share;
                    plain.push_back(v);
                    plain.push_back(normal(v));
                }
            }
        }
    }
    return plain;
}

TEST(MarchingCubesTablesTest, EqualThePublishedReference) {
    std::ifstream file(TRAMBLE_SOURCE_DIR "/tests/demo/effects/data/marching_cubes_tables.txt");
    ASSERT_TRUE(file.is_open());
    std::vector<int> edges, triangles;
    std::vector<int>* section = nullptr;
    std::string line;
    while (std::getline(file, line)) {
        if (line[0] == '#') {
            section = line == "# edge table" ? &edges : &triangles;
            continue;
        }
        std::istringstream entries(line);
        for (std::string entry; std::getline(entries, entry, ',');) {
            section->push_back(static_cast<int>(std::stol(entry, nullptr, 0)));
        }
    }
    ASSERT_EQ(edges.size(), 256u);
    ASSERT_EQ(triangles.size(), 256u * 16u);
    for (size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(marchingCubesEdges[i], edges[i]) << i;
        for (size_t j = 0; j < 16; ++j) {
            EXPECT_EQ(marchingCubesTriangles[i][j], triangles[i * 16 + j]) << i << "," << j;
        }
    }
}

// The triangles list their three vertices of their own downwards, which turns the tables'
// winding outwards.
TEST(MetaballsTest, SurfaceEqualsAPlainCubeByCubeEvaluation) {
    for (float a : {0.0f, 0.7f, 2.3f, 4.0f}) {
        Metaballs metaballs;
        setUpSceneBalls(metaballs, a);
        metaballs.polygonise();
        const std::vector<Vector3> plain = polygonisePlainly(metaballs);
        const PartialMesh& surface = metaballs.getSurface();
        ASSERT_EQ(static_cast<size_t>(6 * surface.drawCount), plain.size()) << a;
        ASSERT_EQ(surface.vertexCount, 3 * surface.drawCount);
        for (int t = 0; t < surface.drawCount; ++t) {
            for (int k = 0; k < 3; ++k) {
                const unsigned int v = surface.triangleList.triangles[t].v[k];
                ASSERT_EQ(v, static_cast<unsigned int>(3 * t + 2 - k)) << t;
                const Vector3& p = plain[static_cast<size_t>(6 * t + 2 * k)];
                const Vector3& normal = plain[static_cast<size_t>(6 * t + 2 * k + 1)];
                const Vector3& q = surface.vertexArray.vertices[v];
                const Vector3& m = surface.vertexArray.normals[v];
                ASSERT_TRUE(q.x == p.x && q.y == p.y && q.z == p.z) << a << " triangle " << t;
                ASSERT_NEAR((m - normal).length(), 0.0f, 1e-6f) << a << " triangle " << t;
            }
        }
    }
}

TEST(MetaballsTest, OneBallGivesAClosedSphereOfTheIsoRadiusWithOutwardNormals) {
    Metaballs metaballs;
    setUpBalls(metaballs, 1, 0.0016f);
    metaballs.polygonise();
    const PartialMesh& surface = metaballs.getSurface();
    ASSERT_GT(surface.drawCount, 100);
    for (int v = 0; v < surface.vertexCount; ++v) {
        const Vector3& p = surface.vertexArray.vertices[v];
        EXPECT_NEAR(p.length(), std::sqrt(0.0016f / 0.1f), gridStep) << v;
        EXPECT_GT(surface.vertexArray.normals[v].dot(p.normalised()), 0.999f) << v;
    }
    EXPECT_EQ(closedPieces(surface), 1);
}

TEST(MetaballsTest, TwoFarBallsGiveTwoClosedSurfacesThatMergeWhenMovedTogether) {
    Metaballs metaballs;
    setUpBalls(metaballs, 2, 0.0016f);
    for (float apart : {0.25f, 0.08f}) {
        metaballs.setBallPosition(0, Vector3(-apart, 0.01f, 0.02f));
        metaballs.setBallPosition(1, Vector3(apart, -0.01f, 0.0f));
        metaballs.polygonise();
        EXPECT_EQ(closedPieces(metaballs.getSurface()), apart > 0.1f ? 2 : 1) << apart;
    }
}

TEST(MetaballsTest, SampleEqualToTheIsoLevelCountsAsOutside) {
    Metaballs metaballs;
    setUpSceneBalls(metaballs, 0.5f);
    metaballs.polygonise();
    const int probe = sampleIndex(15, 12, 16);
    ASSERT_TRUE(metaballs.grid[probe].inside);
    metaballs.setIsoLevel(metaballs.grid[probe].value);
    metaballs.polygonise();
    EXPECT_FALSE(metaballs.grid[probe].inside);
}

TEST(MetaballsTest, SurfaceStopsAtWhicheverCapacityItMeetsFirst) {
    // A lattice of small charges: a sphere around every one of them, all over the grid.
    Metaballs metaballs;
    setUpBalls(metaballs, 64, 0.0002f);
    for (int i = 0; i < 64; ++i) {
        metaballs.setBallPosition(i, Vector3(coordinate(3 + 7 * (i % 4)) + 0.01f, coordinate(3 + 7 * (i / 4 % 4)),
                                             coordinate(3 + 7 * (i / 16)) - 0.01f));
    }
    metaballs.polygonise();
    ASSERT_GT(metaballs.getSurface().drawCount, 2800);
    const std::vector<Vector3> full(metaballs.getSurface().vertexArray.vertices.get(),
                                    metaballs.getSurface().vertexArray.vertices.get() + 8400);
    const int limits[3][4] = {{2800, 8400, 2800, 8400}, {1000, 1500, 500, 1500}, {0, 0, 0, 0}};
    for (const int* limit : limits) {
        metaballs.setCapacity(limit[0], limit[1]);
        metaballs.polygonise();
        EXPECT_EQ(metaballs.getSurface().drawCount, limit[2]);
        ASSERT_EQ(metaballs.getSurface().vertexCount, limit[3]);
        for (int v = 0; v < limit[3]; ++v) {
            ASSERT_EQ(metaballs.getSurface().vertexArray.vertices[v].x, full[static_cast<size_t>(v)].x) << v;
        }
    }
}

// A ball on a grid point, and one of no charge on another, give finite samples and a
// closed surface, not NaN.
TEST(MetaballsTest, BallOnAGridPointGivesFiniteSamplesAndGeometry) {
    Metaballs metaballs;
    setUpBalls(metaballs, 2, 0.0016f);
    metaballs.setBallStrength(1, 0.0f);
    metaballs.setBallPosition(0, Vector3(coordinate(15), coordinate(14), coordinate(16)));
    metaballs.setBallPosition(1, Vector3(coordinate(5), coordinate(5), coordinate(5)));
    metaballs.polygonise();
    EXPECT_TRUE(std::isfinite(metaballs.grid[sampleIndex(15, 14, 16)].value));
    EXPECT_TRUE(metaballs.grid[sampleIndex(15, 14, 16)].inside);
    EXPECT_FALSE(std::isnan(metaballs.grid[sampleIndex(5, 5, 5)].value));
    const PartialMesh& surface = metaballs.getSurface();
    for (int v = 0; v < surface.vertexCount; ++v) {
        const Vector3 sum = surface.vertexArray.vertices[v] + surface.vertexArray.normals[v];
        ASSERT_TRUE(std::isfinite(sum.x) && std::isfinite(sum.y) && std::isfinite(sum.z)) << v;
    }
    EXPECT_EQ(closedPieces(surface), 1);
}

}  // namespace
}  // namespace Tramble
