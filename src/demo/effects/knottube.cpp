// Knot tube generation. Frames come from chords between ring centres, not derivatives: B
// is perpendicular to the chord and to the direction from the origin, N completes the
// frame. A ring's far frame is built from the same points as the next ring's near frame,
// so rings meet without cracks. Only the pulse factors depend on the phase.
#include "demo/effects/knottube.h"

#include <cmath>

namespace Tramble {

namespace {

// Pi for the pulse step, in single precision: a double pi would move the tube off the golden frames.
const float pulsePi = 3.1415927f;

// A point of the curve at angle t (radians): a (p, q) torus knot of the given size.
Vector3 knotPoint(float p, float q, float knotScale, float t) {
    const float r = (std::sin(q * t) + 2.0f) * knotScale;
    return Vector3(std::cos(p * t), std::cos(q * t), std::sin(p * t)) * r;
}

// The pulse wave, sin(2 phase) as 2 cos sin, plus offset: std::sin(2 phase) rounds
// differently and would move the tube off the golden frames.
float pulseFactor(float phase, float offset) {
    return 2.0f * std::cos(phase) * std::sin(phase) + offset;
}

}  // namespace

KnotTube::KnotTube(float p, float q, int segments, int sides, float tubeRadius, float knotScale)
    : p(p),
      q(q),
      segments(segments),
      sides(sides),
      tubeRadius(tubeRadius),
      knotScale(knotScale),
      mesh(4 * segments * sides, 2 * segments * sides),
      ringCentres(new Vector3[static_cast<size_t>(2 * segments)]),
      unitOffsets(new Vector3[static_cast<size_t>(4 * segments * sides)]) {
    const int ringStep = 360 / segments;
    const int sideStep = 360 / sides;
    const float ringSpan = 360.0f / static_cast<float>(segments);
    const float sideSpan = 360.0f / static_cast<float>(sides);
    for (int i = 0; i < segments; ++i) {
        const float u = static_cast<float>(i * ringStep);
        const Vector3 p0 = knotPoint(p, q, knotScale, u * degreesToRadians);
        const Vector3 p1 = knotPoint(p, q, knotScale, (u + ringSpan) * degreesToRadians);
        const Vector3 p2 = knotPoint(p, q, knotScale, (u + 2.0f * ringSpan) * degreesToRadians);
        const Vector3 t0 = p1 - p0;
        const Vector3 t1 = p2 - p1;
        const Vector3 b0 = t0.cross(p0 + p1).normalised();
        const Vector3 n0 = b0.cross(t0).normalised();
        const Vector3 b1 = t1.cross(p1 + p2).normalised();
        const Vector3 n1 = b1.cross(t1).normalised();
        ringCentres[2 * i] = p0;
        ringCentres[2 * i + 1] = p1;
        for (int j = 0; j < sides; ++j) {
            const float v = static_cast<float>(j * sideStep);
            const float a0 = v * degreesToRadians;
            const float a1 = (v + sideSpan) * degreesToRadians;
            const float cos0 = std::cos(a0), sin0 = std::sin(a0);
            const float cos1 = std::cos(a1), sin1 = std::sin(a1);
            Vector3* offsets = unitOffsets.get() + 4 * (i * sides + j);
            offsets[0] = n0 * cos0 + b0 * sin0;
            offsets[1] = n1 * cos0 + b1 * sin0;
            offsets[2] = n0 * cos1 + b0 * sin1;
            offsets[3] = n1 * cos1 + b1 * sin1;
        }
    }
}

void KnotTube::setPulseTurns(float turns) {
    phaseStep = 2.0f / static_cast<float>(segments) * pulsePi * turns;
}

void KnotTube::generate() {
    const int ringStep = 360 / segments;
    const int sideStep = 360 / sides;
    Vector3* positions = mesh.vertexArray.vertices.get();
    Vector3* normals = mesh.vertexArray.normals.get();
    TexCoord* texCoords = mesh.vertexArray.texCoords.get();
    Triangle* triangles = mesh.triangleList.triangles.get();
    const Vector3* offsets = unitOffsets.get();
    float m0 = 1.0f;
    float m1 = 1.0f;
    for (int i = 0; i < segments; ++i) {
        if (pulsing) {
            phase += phaseStep;
            // The previous ring's far factor was computed for exactly this phase.
            m0 = i == 0 ? pulseFactor(phase, pulseOffset) : m1;
            m1 = pulseFactor(phase + phaseStep, pulseOffset);
        }
        const Vector3& centre0 = ringCentres[2 * i];
        const Vector3& centre1 = ringCentres[2 * i + 1];
        const int u = i * ringStep;
        const float s0 = static_cast<float>(u) / static_cast<float>(segments) / static_cast<float>(ringStep);
        const float s1 = static_cast<float>(u + ringStep) / static_cast<float>(segments) / static_cast<float>(ringStep);
        for (int j = 0; j < sides; ++j) {
            const int v = j * sideStep;
            const float t0 = static_cast<float>(v) / static_cast<float>(sides) / static_cast<float>(sideStep);
            const float t1 =
                static_cast<float>(v + sideStep) / static_cast<float>(sides) / static_cast<float>(sideStep);
            const int quad = i * sides + j;
            const int k = 4 * quad;
            positions[k] = centre0 + offsets[k] * tubeRadius * m0;
            positions[k + 1] = centre1 + offsets[k + 1] * tubeRadius * m1;
            positions[k + 2] = centre0 + offsets[k + 2] * tubeRadius * m0;
            positions[k + 3] = centre1 + offsets[k + 3] * tubeRadius * m1;
            for (int c = 0; c < 4; ++c) {
                normals[k + c] = offsets[k + c];
            }
            texCoords[k] = TexCoord{s0, t0};
            texCoords[k + 1] = TexCoord{s1, t0};
            texCoords[k + 2] = TexCoord{s0, t1};
            texCoords[k + 3] = TexCoord{s1, t1};
            const unsigned int first = static_cast<unsigned int>(k);
            triangles[2 * quad] = Triangle{{first, first + 1, first + 2}};
            triangles[2 * quad + 1] = Triangle{{first + 2, first + 3, first + 1}};
        }
    }
}

}  // namespace Tramble
