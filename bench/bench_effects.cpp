// Per-frame cost of the effects, set up with the scenes' own parameters: the metaballs of
// the second scene, the third scene's pulsing knot, the opening scene's water and the
// second scene's 1000-particle spray. Each iteration is one frame of 16 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "demo/effects/knottube.h"
#include "demo/effects/metaballs.h"
#include "demo/effects/particles.h"
#include "demo/effects/water.h"

namespace {

using namespace Tramble;

// One frame, milliseconds.
const unsigned int frameMs = 16;
// Animation angle a frame advances the scenes by (ms * 0.002 radians).
const float frameAngle = static_cast<float>(frameMs) * 0.002f;
// Repetitions whose median (and minimum, the figure least disturbed by other load on the
// machine) are reported.
const int repetitions = 10;

double minimum(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

// The four balls of the second scene at animation angle a.
void placeBalls(Metaballs& metaballs, float a) {
    metaballs.setBallPosition(0, Vector3(0.25f * std::sin(a), 0.15625f * std::cos(a), -0.2f * std::sin(a)));
    metaballs.setBallPosition(1, Vector3(0.2f * std::cos(a), -0.2f * std::cos(a), 0.2f * std::sin(a)));
    metaballs.setBallPosition(
        2, Vector3(-0.16666667f * std::sin(a), 0.16666667f * std::cos(a), 0.20408162f * std::sin(std::cos(a))));
    metaballs.setBallPosition(3, Vector3(-0.14285715f * std::sin(a), 0.2f * std::cos(std::sin(3.0f * a)), 0.0f));
}

void MetaballsPolygonise(benchmark::State& state) {
    static Metaballs metaballs;
    metaballs.setIsoLevel(0.1f);
    metaballs.setBallCount(4);
    const float strengths[4] = {0.0016f, 0.0019f, 0.001f, 0.0015f};
    for (int i = 0; i < 4; ++i) {
        metaballs.setBallStrength(i, strengths[i]);
    }
    metaballs.setCapacity(2800, 8400);
    float a = 0.0f;
    int triangles = 0;
    for (auto _ : state) {
        a += frameAngle;
        placeBalls(metaballs, a);
        metaballs.polygonise();
        triangles += metaballs.getSurface().drawCount;
        benchmark::DoNotOptimize(metaballs.getSurface().vertexArray.vertices.get());
    }
    state.counters["triangles"] = benchmark::Counter(triangles, benchmark::Counter::kAvgIterations);
}
BENCHMARK(MetaballsPolygonise)->Repetitions(repetitions)->ReportAggregatesOnly(true)->ComputeStatistics("min", minimum);

void KnotTubeGenerate(benchmark::State& state) {
    KnotTube knot(2.0f, 3.0f, 180, 12, 0.5f, 4.0f);
    knot.setPulsing(true);
    knot.setPulseTurns(5.0f);
    knot.setPulseOffset(2.0f);
    float a = 0.0f;
    for (auto _ : state) {
        a += frameAngle;
        knot.setPhase(a);
        knot.generate();
        benchmark::DoNotOptimize(knot.getMesh().vertexArray.vertices.get());
    }
}
BENCHMARK(KnotTubeGenerate)->Repetitions(repetitions)->ReportAggregatesOnly(true)->ComputeStatistics("min", minimum);

void WaterSurfaceUpdate(benchmark::State& state) {
    WaterSurface water(30, 30, 10.0f, 10.0f, 3.0f, 5.0f);
    water.disturb(0.0f, 0.0f, 1.0f, 0.3f);
    int frame = 0;
    for (auto _ : state) {
        // A drop every few frames keeps the surface moving, as the rain does.
        if (++frame % 8 == 0) {
            water.disturb(std::sin(static_cast<float>(frame)) * 4.0f, std::cos(static_cast<float>(frame)) * 4.0f, 0.5f,
                          0.3f);
        }
        water.update(frameMs);
        benchmark::DoNotOptimize(water.vertexArray.vertices.get());
    }
}
BENCHMARK(WaterSurfaceUpdate)->Repetitions(repetitions)->ReportAggregatesOnly(true)->ComputeStatistics("min", minimum);

void ParticleSystemUpdate(benchmark::State& state) {
    ParticleSystem sparks(1000, 5.0f, 0.0f, 360, Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 0.0f, 0.0f), 4.05f,
                          Vector3(0.0f, -0.01f, 0.0f), 1.5f);
    float a = 0.0f;
    for (auto _ : state) {
        a += frameAngle;
        sparks.setPosition(Vector3(9.0f * std::sin(2.0f * a), 9.0f * std::cos(3.0f * a), 9.0f * std::cos(2.0f * a)));
        sparks.update(frameMs);
        benchmark::DoNotOptimize(sparks.particles.get());
    }
}
BENCHMARK(ParticleSystemUpdate)
    ->Repetitions(repetitions)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", minimum);

}  // namespace
