// The knot tube without a window, against a plain evaluation of the curve: rings around
// it at the tube's radius or its pulse, evenly spaced and square to its chords, meeting
// without cracks, and the phase a generate leaves behind.
#include "demo/effects/knottube.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Tramble {
namespace {

const float pi = 3.14159265f;
const int rings = 180;
const int sides = 12;

// The third scene's tube.
KnotTube sceneKnot() {
    return KnotTube(2.0f, 3.0f, rings, sides, 0.5f, 4.0f);
}

// P(t) = (sin(3t) + 2) * 4 * (cos 2t, cos 3t, sin 2t), t in degrees.
Vector3 curve(float degrees) {
    const float t = degrees * pi / 180.0f;
    const float r = (std::sin(3.0f * t) + 2.0f) * 4.0f;
    return Vector3(std::cos(2.0f * t), std::cos(3.0f * t), std::sin(2.0f * t)) * r;
}

// Quads of four vertices: near ring corners 0 and 2, far ring corners 1 and 3.
int vertexIndex(int ring, int side, int corner) {
    return 4 * (ring * sides + side) + corner;
}

// Far corners of ring i are the near corners of ring i + 1, and around each ring corner 2
// of one side is corner 0 of the next.
void expectSeamless(const Mesh& mesh) {
    const Vector3* p = mesh.vertexArray.vertices.get();
    const Vector3* n = mesh.vertexArray.normals.get();
    for (int ring = 0; ring < rings; ++ring) {
        for (int side = 0; side < sides; ++side) {
            for (const auto& pair :
                 {std::make_pair(vertexIndex(ring, side, 2), vertexIndex(ring, (side + 1) % sides, 0)),
                  std::make_pair(vertexIndex(ring, side, 1), vertexIndex((ring + 1) % rings, side, 0))}) {
                ASSERT_TRUE((p[pair.first] - p[pair.second]).length() < 2e-4f &&
                            (n[pair.first] - n[pair.second]).length() < 1e-4f)
                    << ring << "," << side;
            }
        }
    }
}

// Pulsing scales each ring by the wave sin(2 (phase + (ring + 1) step)) + 2, five turns (a
// phase of 10 pi) per generate, each going on from where the last stopped; steady, the
// phase stays.
TEST(KnotTubeTest, RingsCircleTheCurveEvenlySquareToItsChordsAtTheRadiusOrItsPulse) {
    for (bool pulsing : {false, true}) {
        KnotTube knot = sceneKnot();
        knot.setPulsing(pulsing);
        knot.setPulseTurns(5.0f);
        knot.setPulseOffset(2.0f);
        knot.setPhase(0.3f);
        knot.generate();
        const Mesh& mesh = knot.getMesh();
        // Each quad owns its four vertices and two triangles; texture coordinates run 0 to 1.
        ASSERT_EQ(mesh.triangleList.count, 2 * rings * sides);
        for (unsigned int q = 0; q < static_cast<unsigned int>(rings * sides); ++q) {
            const unsigned int* a = mesh.triangleList.triangles[2 * q].v;
            const unsigned int* b = mesh.triangleList.triangles[2 * q + 1].v;
            ASSERT_TRUE(a[0] == 4 * q && a[1] == 4 * q + 1 && a[2] == 4 * q + 2 && b[0] == 4 * q + 2 &&
                        b[1] == 4 * q + 3 && b[2] == 4 * q + 1)
                << q;
        }
        const TexCoord* uv = mesh.vertexArray.texCoords.get();
        const TexCoord& last = uv[vertexIndex(rings - 1, sides - 1, 3)];
        EXPECT_TRUE(uv[0].s == 0.0f && uv[0].t == 0.0f && last.s == 1.0f && last.t == 1.0f);
        EXPECT_FLOAT_EQ(uv[vertexIndex(1, 3, 0)].s, 1.0f / rings);
        EXPECT_FLOAT_EQ(uv[vertexIndex(1, 3, 0)].t, 3.0f / sides);
        const float sideCos = std::cos(2.0f * pi / sides);
        for (int ring = 0; ring < rings; ++ring) {
            const Vector3 centre = curve(2.0f * static_cast<float>(ring));
            const Vector3 chord = (curve(2.0f * static_cast<float>(ring + 1)) - centre).normalised();
            const float wave = std::sin(2.0f * (0.3f + static_cast<float>(ring + 1) * 10.0f * pi / rings)) + 2.0f;
            const float radius = pulsing ? 0.5f * wave : 0.5f;
            for (int side = 0; side < sides; ++side) {
                const int v = vertexIndex(ring, side, 0);
                const Vector3& n = mesh.vertexArray.normals[v];
                const Vector3& next = mesh.vertexArray.normals[vertexIndex(ring, (side + 1) % sides, 0)];
                // One turn, not several: consecutive offsets turn the same way round the chord.
                ASSERT_TRUE(std::fabs(n.length() - 1.0f) < 1e-5f &&
                            (mesh.vertexArray.vertices[v] - centre - n * radius).length() < 2e-3f &&
                            std::fabs(n.dot(chord)) < 1e-4f && std::fabs(n.dot(next) - sideCos) < 1e-5f &&
                            n.cross(next).dot(chord) > 0.0f)
                    << pulsing << " " << v;
            }
        }
        expectSeamless(mesh);
        for (float turns : {1.0f, 2.0f}) {
            EXPECT_NEAR(knot.phase, 0.3f + (pulsing ? 10.0f * pi * turns : 0.0f), 2e-3f) << pulsing;
            knot.generate();
        }
    }
}

}  // namespace
}  // namespace Tramble
