// Metaballs without a window: the tables against the published reference, the surface of
// one ball (closed, right radius, outward normals), separate and merged surfaces, the
// vertex and triangle layout, the capacity limit, degenerate samples, and the optimised
// polygoniser against a plain cube-by-cube evaluation of the same algorithm.
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

namespace Tramble {
namespace {

const float gridStep = 0.033333335f;
// Vertices computed by different cubes for the same crossing agree to rounding (about
// 1e-7 here), while distinct crossings near a sample close to the iso level can lie a
// hundred times closer than a grid cell.
const float weldTolerance = 1e-6f;

float coordinate(int i) {
    return static_cast<float>(i) * gridStep - 0.5f;
}

// The second scene's set-up, balls placed as it places them at animation angle a.
void setUpSceneBalls(Metaballs& metaballs, float a) {
    metaballs.setIsoLevel(0.1f);
    metaballs.setBallCount(4);
    const float strengths[4] = {0.0016f, 0.0019f, 0.001f, 0.0015f};
    for (int i = 0; i < 4; ++i) {
        metaballs.setBallStrength(i, strengths[i]);
    }
    metaballs.setBallPosition(0, Vector3(0.25f * std::sin(a), 0.15625f * std::cos(a), -0.2f * std::sin(a)));
    metaballs.setBallPosition(1, Vector3(0.2f * std::cos(a), -0.2f * std::cos(a), 0.2f * std::sin(a)));
    metaballs.setBallPosition(
        2, Vector3(-0.16666667f * std::sin(a), 0.16666667f * std::cos(a), 0.20408162f * std::sin(std::cos(a))));
    metaballs.setBallPosition(3, Vector3(-0.14285715f * std::sin(a), 0.2f * std::cos(std::sin(3.0f * a)), 0.0f));
}

// The surface as triangles over welded vertex ids.
struct WeldedSurface {
    std::vector<Vector3> points;
    std::vector<std::vector<int>> triangles;
};

WeldedSurface weld(const PartialMesh& surface) {
    WeldedSurface welded;
    std::vector<int> ids(static_cast<size_t>(surface.vertexCount));
    for (int v = 0; v < surface.vertexCount; ++v) {
        const Vector3& p = surface.vertexArray.vertices[v];
        int id = -1;
        for (size_t k = 0; k < welded.points.size() && id < 0; ++k) {
            if ((welded.points[k] - p).length() < weldTolerance) {
                id = static_cast<int>(k);
            }
        }
        if (id < 0) {
            id = static_cast<int>(welded.points.size());
            welded.points.push_back(p);
        }
        ids[static_cast<size_t>(v)] = id;
    }
    for (int t = 0; t < surface.drawCount; ++t) {
        const Triangle& triangle = surface.triangleList.triangles[t];
        welded.triangles.push_back({ids[triangle.v[0]], ids[triangle.v[1]], ids[triangle.v[2]]});
    }
    return welded;
}

// Every edge of the welded surface belongs to exactly two triangles.
bool isClosed(const WeldedSurface& surface) {
    std::map<std::pair<int, int>, int> edges;
    for (const std::vector<int>& t : surface.triangles) {
        for (int k = 0; k < 3; ++k) {
            const int a = t[static_cast<size_t>(k)];
            const int b = t[static_cast<size_t>((k + 1) % 3)];
            ++edges[{std::min(a, b), std::max(a, b)}];
        }
    }
    for (const auto& edge : edges) {
        if (edge.second != 2) {
            return false;
        }
    }
    return !edges.empty();
}

// Connected pieces of the welded surface, through shared vertices.
int componentCount(const WeldedSurface& surface) {
    std::vector<int> parent(surface.points.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&parent](int i) {
        while (parent[static_cast<size_t>(i)] != i) {
            i = parent[static_cast<size_t>(i)] = parent[static_cast<size_t>(parent[static_cast<size_t>(i)])];
        }
        return i;
    };
    for (const std::vector<int>& t : surface.triangles) {
        parent[static_cast<size_t>(find(t[1]))] = find(t[0]);
        parent[static_cast<size_t>(find(t[2]))] = find(t[0]);
    }
    int roots = 0;
    for (size_t i = 0; i < parent.size(); ++i) {
        roots += find(static_cast<int>(i)) == static_cast<int>(i) ? 1 : 0;
    }
    return roots;
}

// The published algorithm evaluated cube by cube, edge by edge, with nothing shared.
struct PlainSurface {
    std::vector<Vector3> positions;
    std::vector<Vector3> normals;
};

PlainSurface polygonisePlainly(const Metaballs& metaballs) {
    const int n = Metaballs::GridSize;
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
            const float d2 = d.lengthSquared();
            sum += Vector3(d.x / d2, d.y / d2, d.z / d2);
        }
        const float length = sum.length();
        return sum * (1.0f / length);
    };
    const int cx[8] = {0, 1, 1, 0, 0, 1, 1, 0};
    const int cy[8] = {1, 1, 1, 1, 0, 0, 0, 0};
    const int cz[8] = {0, 0, 1, 1, 0, 0, 1, 1};
    const int from[12] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3};
    const int to[12] = {1, 2, 3, 0, 5, 6, 7, 4, 4, 5, 6, 7};
    PlainSurface plain;
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
                Vector3 edgeVertices[12];
                for (int e = 0; e < 12; ++e) {
                    if (MarchingCubesEdges[index] & (1u << e)) {
                        const float va = values[from[e]];
                        const float vb = values[to[e]];
                        edgeVertices[e] = corners[from[e]] +
                                          (corners[to[e]] - corners[from[e]]) * ((metaballs.isoLevel - va) / (vb - va));
                    }
                }
                for (int t = 0; MarchingCubesTriangles[index][t] != -1; t += 3) {
                    for (int k = 2; k >= 0; --k) {
                        const Vector3 v = edgeVertices[MarchingCubesTriangles[index][t + k]];
                        plain.positions.push_back(v);
                        plain.normals.push_back(normal(v));
                    }
                }
            }
        }
    }
    return plain;
}

TEST(MarchingCubesTablesTest, EqualThePublishedReference) {
    std::ifstream file(TRAMBLE_SOURCE_DIR "/tests/demo/effects/data/marching_cubes_tables.txt");
    ASSERT_TRUE(file.is_open());
    std::vector<int> edges;
    std::vector<int> triangles;
    std::vector<int>* section = nullptr;
    std::string line;
    while (std::getline(file, line)) {
        if (line == "# edge table") {
            section = &edges;
        } else if (line == "# triangle table") {
            section = &triangles;
        } else if (section != nullptr) {
            std::istringstream entries(line);
            std::string entry;
            while (std::getline(entries, entry, ',')) {
                section->push_back(static_cast<int>(std::stol(entry, nullptr, 0)));
            }
        }
    }
    ASSERT_EQ(edges.size(), 256u);
    ASSERT_EQ(triangles.size(), 256u * 16u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(MarchingCubesEdges[i], edges[static_cast<size_t>(i)]) << i;
        for (int j = 0; j < 16; ++j) {
            EXPECT_EQ(MarchingCubesTriangles[i][j], triangles[static_cast<size_t>(i * 16 + j)]) << i << "," << j;
        }
    }
}

TEST(MarchingCubesTablesTest, EveryTriangleEdgeIsMarkedCrossed) {
    for (int i = 0; i < 256; ++i) {
        int used = 0;
        for (int j = 0; MarchingCubesTriangles[i][j] != -1; ++j) {
            used |= 1 << MarchingCubesTriangles[i][j];
        }
        EXPECT_EQ(used, MarchingCubesEdges[i]) << i;
    }
}

TEST(MetaballsTest, NoBallInReachGivesNoTriangles) {
    Metaballs metaballs;
    metaballs.setIsoLevel(0.1f);
    metaballs.setCapacity(2800, 8400);
    metaballs.polygonise();
    EXPECT_EQ(metaballs.getSurface().drawCount, 0);
    metaballs.setBallCount(1);
    metaballs.setBallStrength(0, 0.0016f);
    metaballs.setBallPosition(0, Vector3(5.0f, 5.0f, 5.0f));
    metaballs.polygonise();
    EXPECT_EQ(metaballs.getSurface().drawCount, 0);
    EXPECT_EQ(metaballs.getSurface().vertexCount, 0);
    EXPECT_EQ(metaballs.getStrength(0), 0.0016f);
}

TEST(MetaballsTest, OneBallGivesAClosedSphereOfTheIsoRadius) {
    Metaballs metaballs;
    metaballs.setIsoLevel(0.1f);
    metaballs.setBallCount(1);
    metaballs.setBallStrength(0, 0.0016f);
    metaballs.setCapacity(2800, 8400);
    metaballs.polygonise();
    const PartialMesh& surface = metaballs.getSurface();
    ASSERT_GT(surface.drawCount, 100);
    const float radius = std::sqrt(0.0016f / 0.1f);
    for (int v = 0; v < surface.vertexCount; ++v) {
        const Vector3& p = surface.vertexArray.vertices[v];
        const Vector3& n = surface.vertexArray.normals[v];
        EXPECT_NEAR(p.length(), radius, gridStep) << v;
        EXPECT_NEAR(n.length(), 1.0f, 1e-5f) << v;
        EXPECT_GT(n.dot(p.normalised()), 0.999f) << v;
    }
    const WeldedSurface welded = weld(surface);
    EXPECT_TRUE(isClosed(welded));
    EXPECT_EQ(componentCount(welded), 1);
}

TEST(MetaballsTest, TwoFarBallsGiveTwoClosedSurfacesThatMergeWhenMovedTogether) {
    Metaballs metaballs;
    metaballs.setIsoLevel(0.1f);
    metaballs.setBallCount(2);
    metaballs.setBallStrength(0, 0.0016f);
    metaballs.setBallStrength(1, 0.0016f);
    metaballs.setCapacity(2800, 8400);
    metaballs.setBallPosition(0, Vector3(-0.25f, 0.01f, 0.02f));
    metaballs.setBallPosition(1, Vector3(0.25f, -0.01f, 0.0f));
    metaballs.polygonise();
    WeldedSurface apart = weld(metaballs.getSurface());
    EXPECT_TRUE(isClosed(apart));
    EXPECT_EQ(componentCount(apart), 2);
    metaballs.setBallPosition(0, Vector3(-0.08f, 0.01f, 0.02f));
    metaballs.setBallPosition(1, Vector3(0.08f, -0.01f, 0.0f));
    metaballs.polygonise();
    WeldedSurface merged = weld(metaballs.getSurface());
    EXPECT_TRUE(isClosed(merged));
    EXPECT_EQ(componentCount(merged), 1);
}

TEST(MetaballsTest, EveryTriangleOwnsThreeVerticesListedDownwards) {
    Metaballs metaballs;
    setUpSceneBalls(metaballs, 1.0f);
    metaballs.setCapacity(2800, 8400);
    metaballs.polygonise();
    const PartialMesh& surface = metaballs.getSurface();
    ASSERT_GT(surface.drawCount, 0);
    EXPECT_EQ(surface.vertexCount, 3 * surface.drawCount);
    for (int t = 0; t < surface.drawCount; ++t) {
        const unsigned int first = static_cast<unsigned int>(3 * t);
        EXPECT_EQ(surface.triangleList.triangles[t].v[0], first + 2) << t;
        EXPECT_EQ(surface.triangleList.triangles[t].v[1], first + 1) << t;
        EXPECT_EQ(surface.triangleList.triangles[t].v[2], first) << t;
    }
}

TEST(MetaballsTest, SurfaceEqualsAPlainCubeByCubeEvaluation) {
    for (float a : {0.0f, 0.7f, 2.3f, 4.0f}) {
        Metaballs metaballs;
        setUpSceneBalls(metaballs, a);
        metaballs.setCapacity(5 * 29 * 29 * 29, 15 * 29 * 29 * 29);
        metaballs.polygonise();
        const PlainSurface plain = polygonisePlainly(metaballs);
        const PartialMesh& surface = metaballs.getSurface();
        ASSERT_EQ(static_cast<size_t>(surface.vertexCount), plain.positions.size()) << a;
        for (int v = 0; v < surface.vertexCount; ++v) {
            const Vector3& p = surface.vertexArray.vertices[v];
            const Vector3& n = surface.vertexArray.normals[v];
            const size_t k = static_cast<size_t>(v);
            ASSERT_FLOAT_EQ(p.x, plain.positions[k].x) << a << " vertex " << v;
            ASSERT_FLOAT_EQ(p.y, plain.positions[k].y) << a << " vertex " << v;
            ASSERT_FLOAT_EQ(p.z, plain.positions[k].z) << a << " vertex " << v;
            ASSERT_FLOAT_EQ(n.x, plain.normals[k].x) << a << " vertex " << v;
            ASSERT_FLOAT_EQ(n.y, plain.normals[k].y) << a << " vertex " << v;
            ASSERT_FLOAT_EQ(n.z, plain.normals[k].z) << a << " vertex " << v;
        }
    }
}

TEST(MetaballsTest, SampleEqualToTheIsoLevelCountsAsOutside) {
    Metaballs metaballs;
    setUpSceneBalls(metaballs, 0.5f);
    metaballs.setCapacity(2800, 8400);
    metaballs.polygonise();
    const int probe = (15 * 30 + 12) * 30 + 16;
    ASSERT_TRUE(metaballs.grid[probe].inside);
    metaballs.setIsoLevel(metaballs.grid[probe].value);
    metaballs.polygonise();
    EXPECT_EQ(metaballs.grid[probe].value, metaballs.isoLevel);
    EXPECT_FALSE(metaballs.grid[probe].inside);
}

TEST(MetaballsTest, SurfaceStopsAtItsCapacityWhenTheFieldFillsTheGrid) {
    // A lattice of small charges: a sphere around every one of them, all over the grid.
    Metaballs metaballs;
    metaballs.setIsoLevel(0.1f);
    metaballs.setBallCount(64);
    for (int i = 0; i < 64; ++i) {
        metaballs.setBallStrength(i, 0.0002f);
        metaballs.setBallPosition(i, Vector3(coordinate(3 + 7 * (i % 4)) + 0.01f, coordinate(3 + 7 * (i / 4 % 4)),
                                             coordinate(3 + 7 * (i / 16)) - 0.01f));
    }
    metaballs.setCapacity(5 * 29 * 29 * 29, 15 * 29 * 29 * 29);
    metaballs.polygonise();
    const int unlimited = metaballs.getSurface().drawCount;
    ASSERT_GT(unlimited, 2800);
    std::vector<Vector3> full(metaballs.getSurface().vertexArray.vertices.get(),
                              metaballs.getSurface().vertexArray.vertices.get() + 3 * unlimited);

    metaballs.setCapacity(2800, 8400);
    metaballs.polygonise();
    EXPECT_EQ(metaballs.getSurface().drawCount, 2800);
    EXPECT_EQ(metaballs.getSurface().vertexCount, 8400);
    for (int v = 0; v < 8400; ++v) {
        EXPECT_EQ(metaballs.getSurface().vertexArray.vertices[v].x, full[static_cast<size_t>(v)].x) << v;
    }
    // Whichever of the two limits is met first stops the pass.
    metaballs.setCapacity(1000, 1500);
    metaballs.polygonise();
    EXPECT_EQ(metaballs.getSurface().drawCount, 500);
    EXPECT_EQ(metaballs.getSurface().vertexCount, 1500);
    metaballs.setCapacity(0, 0);
    metaballs.polygonise();
    EXPECT_EQ(metaballs.getSurface().drawCount, 0);
}

TEST(MetaballsTest, BallOnAGridPointGivesFiniteSamplesAndGeometry) {
    Metaballs metaballs;
    metaballs.setIsoLevel(0.1f);
    metaballs.setBallCount(2);
    metaballs.setBallStrength(0, 0.0016f);
    metaballs.setBallPosition(0, Vector3(coordinate(15), coordinate(14), coordinate(16)));
    // A ball of no charge on another grid point adds nothing, not NaN.
    metaballs.setBallPosition(1, Vector3(coordinate(5), coordinate(5), coordinate(5)));
    metaballs.setCapacity(2800, 8400);
    metaballs.polygonise();
    const int onBall = (15 * 30 + 14) * 30 + 16;
    EXPECT_TRUE(std::isfinite(metaballs.grid[onBall].value));
    EXPECT_TRUE(metaballs.grid[onBall].inside);
    EXPECT_EQ(metaballs.grid[(5 * 30 + 5) * 30 + 5].value, metaballs.grid[(5 * 30 + 5) * 30 + 5].value);
    const PartialMesh& surface = metaballs.getSurface();
    ASSERT_GT(surface.drawCount, 0);
    for (int v = 0; v < surface.vertexCount; ++v) {
        const Vector3& p = surface.vertexArray.vertices[v];
        const Vector3& n = surface.vertexArray.normals[v];
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << v;
        ASSERT_TRUE(std::isfinite(n.x) && std::isfinite(n.y) && std::isfinite(n.z)) << v;
    }
    EXPECT_TRUE(isClosed(weld(surface)));
}

}  // namespace
}  // namespace Tramble
