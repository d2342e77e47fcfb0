// Per-frame cost of the effects, set up with the scenes' own parameters: the metaballs of
// the second scene (its own blob, balls and paths), the third scene's pulsing knot, the
// opening scene's water and the second scene's 1000-particle spray. Each iteration is one
// frame of 16 ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "demo/effects/knottube.h"
#include "demo/effects/metaballs.h"
#include "demo/effects/particles.h"
#include "demo/effects/water.h"
#include "demo/scenes/scene2.h"
#include "demo/scenes/sceneparts.h"

namespace {

using namespace Tramble;

// One frame, milliseconds.
const unsigned int frameMs = 16;
// Animation angle a frame advances the scenes by (ms * 0.002 radians).
const float frameAngle = static_cast<float>(frameMs) * 0.002f;
// How far the second scene's spark emitter swings out.
const float sparkReach = 9.0f;
// Repetitions whose median (and minimum, the figure least disturbed by other load on the
// machine) are reported.
const int repetitions = 10;

double minimum(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

// The second scene as it is built, before any texture: its blob and its sparks.
Scene2& scene2() {
    static Scene2 scene;
    return scene;
}

void MetaballsPolygonise(benchmark::State& state) {
    Metaballs& metaballs = scene2().metaballs;
    float a = 0.0f;
    int triangles = 0;
    for (auto _ : state) {
        a += frameAngle;
        for (int i = 0; i < Scene2::ballCount; ++i) {
            metaballs.setBallPosition(i, Scene2::ballPosition(i, a));
        }
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
    ParticleSystem& sparks = scene2().sparks;
    float a = 0.0f;
    for (auto _ : state) {
        a += frameAngle;
        sparks.setPosition(sparkPath(a, sparkReach));
        sparks.update(frameMs);
        benchmark::DoNotOptimize(sparks.particles.get());
    }
}
BENCHMARK(ParticleSystemUpdate)
    ->Repetitions(repetitions)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", minimum);

}  // namespace
