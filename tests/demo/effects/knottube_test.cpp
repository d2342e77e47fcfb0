// The knot tube without a window against a plain evaluation of the curve: rings at the radius
// or its pulse, evenly spaced, square to the chords, without cracks; the phase left behind.
#include "demo/effects/knottube.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Tramble {
namespace {

const float pi = 3.14159265f;
const int rings = 180;
const int sides = 12;

// P(t) = (sin(3t) + 2) * 4 * (cos 2t, cos 3t, sin 2t), t in degrees.
Vector3 curve(float degrees) {
    const float t = degrees * pi / 180.0f;
    return Vector3(std::cos(2.0f * t), std::cos(3.0f * t), std::sin(2.0f * t)) * ((std::sin(3.0f * t) + 2.0f) * 4.0f);
}

// Pulsing scales each ring by the wave sin(2 (phase + (ring + 1) step)) + 2, five turns (a
// phase of 10 pi) per generate, each going on from where the last stopped; steady, the
// phase stays. Quads own four vertices: near ring corners 0 and 2, far ring corners 1 and 3;
// far corners of ring i are the near corners of ring i + 1, and corner 2 of one side is
// corner 0 of the next.
TEST(KnotTubeTest, RingsCircleTheCurveEvenlySquareToItsChordsAtTheRadiusOrItsPulse) {
    for (bool pulsing : {false, true}) {
        // The third scene's tube.
        KnotTube knot(2.0f, 3.0f, rings, sides, 0.5f, 4.0f);
        knot.setPulsing(pulsing);
        knot.setPulseTurns(5.0f);
        knot.setPulseOffset(2.0f);
        knot.setPhase(0.3f);
        knot.generate();
        const Vector3* p = knot.getMesh().vertexArray.vertices.get();
        const Vector3* normals = knot.getMesh().vertexArray.normals.get();
        for (int ring = 0; ring < rings; ++ring) {
            const Vector3 centre = curve(2.0f * static_cast<float>(ring));
            const Vector3 chord = (curve(2.0f * static_cast<float>(ring + 1)) - centre).normalised();
            const float wave = std::sin(2.0f * (0.3f + static_cast<float>(ring + 1) * 10.0f * pi / rings)) + 2.0f;
            const float radius = pulsing ? 0.5f * wave : 0.5f;
            for (int side = 0; side < sides; ++side) {
                const int v = 4 * (ring * sides + side);
                const int next = 4 * (ring * sides + (side + 1) % sides);
                const int far = 4 * ((ring + 1) % rings * sides + side);
                const Vector3& n = normals[v];
                // One turn, not several: consecutive offsets turn the same way round the chord.
                SCOPED_TRACE(testing::Message() << "pulsing " << pulsing << ", vertex " << v);
                ASSERT_NEAR(n.length(), 1.0f, 1e-5f);
                ASSERT_LT((p[v] - centre - n * radius).length(), 2e-3f);
                ASSERT_NEAR(n.dot(chord), 0.0f, 1e-4f);
                ASSERT_NEAR(n.dot(normals[next]), std::cos(2.0f * pi / sides), 1e-5f);
                ASSERT_GT(n.cross(normals[next]).dot(chord), 0.0f);
                ASSERT_LT((p[v + 2] - p[next]).length(), 2e-4f);
                ASSERT_LT((p[v + 1] - p[far]).length(), 2e-4f);
            }
        }
        for (float turns : {1.0f, 2.0f}) {
            EXPECT_NEAR(knot.phase, 0.3f + (pulsing ? 10.0f * pi * turns : 0.0f), 2e-3f) << pulsing;
            knot.generate();
        }
    }
}

}  // namespace
}  // namespace Tramble
