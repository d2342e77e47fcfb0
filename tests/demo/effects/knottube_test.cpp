// The knot tube without a window: the mesh layout, the tube around the curve, seamless
// rings with and without pulsing, unit normals, and the phase a generate leaves behind.
#include "demo/effects/knottube.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace Tramble {
namespace {

const float pi = 3.14159265f;

// The third scene's tube.
KnotTube sceneKnot() {
    return KnotTube(2.0f, 3.0f, 180, 12, 0.5f, 4.0f);
}

// The curve, independently of the tube: P(t) = (sin(3t) + 2) * 4 * (cos 2t, cos 3t, sin 2t).
Vector3 curve(float degrees) {
    const float t = degrees * pi / 180.0f;
    const float r = (std::sin(3.0f * t) + 2.0f) * 4.0f;
    return Vector3(std::cos(2.0f * t), std::cos(3.0f * t), std::sin(2.0f * t)) * r;
}

int vertexIndex(int ring, int side, int corner) {
    return 4 * (ring * 12 + side) + corner;
}

void expectNear(const Vector3& a, const Vector3& b, float tolerance, int ring, int side) {
    EXPECT_NEAR(a.x, b.x, tolerance) << ring << "," << side;
    EXPECT_NEAR(a.y, b.y, tolerance) << ring << "," << side;
    EXPECT_NEAR(a.z, b.z, tolerance) << ring << "," << side;
}

// Neighbouring rings share their seam: the far corners of ring i are the near corners of
// ring i + 1, in position and normal.
void expectSeamlessRings(const Mesh& mesh) {
    for (int ring = 0; ring + 1 < 180; ++ring) {
        for (int side = 0; side < 12; ++side) {
            for (int corner = 0; corner < 2; ++corner) {
                const int far = vertexIndex(ring, side, 2 * corner + 1);
                const int near = vertexIndex(ring + 1, side, 2 * corner);
                expectNear(mesh.vertexArray.vertices[far], mesh.vertexArray.vertices[near], 1e-5f, ring, side);
                expectNear(mesh.vertexArray.normals[far], mesh.vertexArray.normals[near], 1e-6f, ring, side);
            }
        }
    }
}

TEST(KnotTubeTest, QuadsOwnFourVerticesTwoTrianglesAndTextureCoordinatesRunZeroToOne) {
    KnotTube knot = sceneKnot();
    knot.generate();
    const Mesh& mesh = knot.getMesh();
    ASSERT_EQ(mesh.vertexArray.count, 8640);
    ASSERT_EQ(mesh.triangleList.count, 4320);
    for (int n = 0; n < 2160; ++n) {
        const unsigned int k = static_cast<unsigned int>(4 * n);
        const Triangle& first = mesh.triangleList.triangles[2 * n];
        const Triangle& second = mesh.triangleList.triangles[2 * n + 1];
        EXPECT_TRUE(first.v[0] == k && first.v[1] == k + 1 && first.v[2] == k + 2) << n;
        EXPECT_TRUE(second.v[0] == k + 2 && second.v[1] == k + 3 && second.v[2] == k + 1) << n;
    }
    const TexCoord* uv = mesh.vertexArray.texCoords.get();
    EXPECT_FLOAT_EQ(uv[vertexIndex(0, 0, 0)].s, 0.0f);
    EXPECT_FLOAT_EQ(uv[vertexIndex(0, 0, 0)].t, 0.0f);
    EXPECT_FLOAT_EQ(uv[vertexIndex(1, 3, 0)].s, 1.0f / 180.0f);
    EXPECT_FLOAT_EQ(uv[vertexIndex(1, 3, 0)].t, 3.0f / 12.0f);
    EXPECT_FLOAT_EQ(uv[vertexIndex(179, 11, 3)].s, 1.0f);
    EXPECT_FLOAT_EQ(uv[vertexIndex(179, 11, 3)].t, 1.0f);
    EXPECT_FLOAT_EQ(uv[vertexIndex(179, 11, 0)].s, 179.0f / 180.0f);
    EXPECT_FLOAT_EQ(uv[vertexIndex(179, 11, 0)].t, 11.0f / 12.0f);
}

TEST(KnotTubeTest, SteadyTubeSurroundsTheCurveAtItsRadiusWithUnitNormals) {
    KnotTube knot = sceneKnot();
    knot.generate();
    const Mesh& mesh = knot.getMesh();
    for (int ring = 0; ring < 180; ++ring) {
        const Vector3 centres[2] = {curve(2.0f * static_cast<float>(ring)), curve(2.0f * static_cast<float>(ring + 1))};
        for (int side = 0; side < 12; ++side) {
            for (int corner = 0; corner < 4; ++corner) {
                const int v = vertexIndex(ring, side, corner);
                const Vector3& n = mesh.vertexArray.normals[v];
                EXPECT_NEAR(n.length(), 1.0f, 1e-5f) << v;
                const Vector3 offset = mesh.vertexArray.vertices[v] - centres[corner % 2];
                expectNear(offset, n * 0.5f, 1e-4f, ring, side);
            }
        }
    }
}

TEST(KnotTubeTest, WithoutPulsingTwoGeneratesAreIdentical) {
    KnotTube knot = sceneKnot();
    knot.setPhase(1.25f);
    knot.generate();
    const Mesh& mesh = knot.getMesh();
    const std::vector<Vector3> before(mesh.vertexArray.vertices.get(), mesh.vertexArray.vertices.get() + 8640);
    knot.generate();
    EXPECT_EQ(knot.phase, 1.25f);
    for (int v = 0; v < 8640; ++v) {
        EXPECT_EQ(mesh.vertexArray.vertices[v].x, before[static_cast<size_t>(v)].x) << v;
        EXPECT_EQ(mesh.vertexArray.vertices[v].y, before[static_cast<size_t>(v)].y) << v;
        EXPECT_EQ(mesh.vertexArray.vertices[v].z, before[static_cast<size_t>(v)].z) << v;
    }
    expectSeamlessRings(mesh);
}

TEST(KnotTubeTest, PulsingRingsStaySeamlessAndSwellWithTheWave) {
    KnotTube knot = sceneKnot();
    knot.setPulsing(true);
    knot.setPulseTurns(5.0f);
    knot.setPulseOffset(2.0f);
    knot.setPhase(0.3f);
    knot.generate();
    const Mesh& mesh = knot.getMesh();
    expectSeamlessRings(mesh);
    for (int ring = 0; ring < 180; ++ring) {
        const float phase = 0.3f + static_cast<float>(ring + 1) * knot.phaseStep;
        const float factor = std::sin(2.0f * phase) + 2.0f;
        const int v = vertexIndex(ring, 5, 0);
        const float distance = (mesh.vertexArray.vertices[v] - curve(2.0f * static_cast<float>(ring))).length();
        EXPECT_NEAR(distance, 0.5f * factor, 1e-3f) << ring;
        EXPECT_NEAR(mesh.vertexArray.normals[v].length(), 1.0f, 1e-5f) << ring;
    }
}

TEST(KnotTubeTest, FivePulseTurnsAdvanceThePhaseByTenPiPerGenerate) {
    KnotTube knot = sceneKnot();
    knot.setPulsing(true);
    knot.setPulseTurns(5.0f);
    EXPECT_FLOAT_EQ(knot.phaseStep, 10.0f * pi / 180.0f);
    knot.setPhase(0.0f);
    knot.generate();
    EXPECT_NEAR(knot.phase, 10.0f * pi, 1e-4f);
    // The owner may also let the phase run on: the next generate adds the same 10 pi,
    // up to the rounding of 180 more float additions.
    const float first = knot.phase;
    knot.generate();
    EXPECT_NEAR(knot.phase - first, 10.0f * pi, 1e-3f);
}

}  // namespace
}  // namespace Tramble
