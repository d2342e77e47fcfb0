// A tube of circular cross-section swept along a closed (p, q) torus-knot curve, as quads
// of four vertices each with chord-built frames; the radius can pulse along the tube as a
// sin(2 phase) wave that travels when the owner advances the phase between generates.
#pragma once

#include <memory>

#include "demo/effects/mesh.h"
#include "engine/vecmath.h"

namespace Tramble {

class KnotTube {
public:
    // segments rings along the curve and sides vertices around each ring, both positive
    // divisors of 360; tubeRadius before pulsing; knotScale sizes the curve. The mesh is
    // allocated here but holds the tube only after the first generate.
    KnotTube(float p, float q, int segments, int sides, float tubeRadius, float knotScale);

    Mesh& getMesh() { return mesh; }
    // Radians.
    void setPhase(float value) { phase = value; }
    // The phase advances by 2 pi turns over the whole tube in one generate.
    void setPulseTurns(float turns);
    void setPulsing(bool on) { pulsing = on; }
    void setPulseOffset(float offset) { pulseOffset = offset; }

    // Rewrites every vertex, normal, texture coordinate and triangle. With pulsing on,
    // leaves the phase advanced by one step per ring.
    void generate();

    float p;
    float q;
    int segments;
    int sides;
    float tubeRadius;
    float knotScale;
    float phase = 0.0f;
    float phaseStep = 0.0f;
    float pulseOffset = 0.0f;
    Mesh mesh;
    bool pulsing = false;

private:
    // The curve and its frames do not depend on the phase: each ring's two centres and
    // each vertex's unit offset from its centre (its normal) are computed once.
    std::unique_ptr<Vector3[]> ringCentres;
    std::unique_ptr<Vector3[]> unitOffsets;
};

}  // namespace Tramble
