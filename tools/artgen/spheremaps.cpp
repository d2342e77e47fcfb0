// Sphere maps are rendered by ray-tracing a unit mirror ball seen along -z: each texel of
// the disc gets the environment colour in its reflected direction, so the texture is
// exactly what GL_SPHERE_MAP will look up. Outside the disc the rim colours continue
// outwards, which keeps linear filtering at the rim free of black fringes.
#include "spheremaps.h"

#include <cmath>

#include "noise.h"

namespace Tramble {

namespace {

// Sub-samples per texel side: the rim squeezes half the world into a thin ring.
constexpr int sphereSamples = 3;
// Largest disc radius used when continuing the rim outwards (exactly 1 would lose the angle).
constexpr float rimRadius = 0.995f;
// Number of angular noise cells round the ball for the brushed-steel streaks.
constexpr int brushAngularCells = 24;
// Radial frequency of the brushing: streaks per unit of disc radius.
constexpr float brushRadialFrequency = 90.0f;
// Noise cells once round the horizon for the water's clouds and the chrome's ground.
constexpr int azimuthCellCount = 20;
// Seeds of the three maps' noise, fixed so every build draws the same pictures.
constexpr unsigned waterSeed = 11;
constexpr unsigned chromeSeed = 23;
constexpr unsigned brushSeed = 37;

struct Direction {
    float x;
    float y;
    float z;
};

Direction normalised(float x, float y, float z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    return {x / length, y / length, z / length};
}

float dot(const Direction& a, const Direction& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Position round the vertical axis in noise cells, 0..azimuthCellCount; used with that period
// so the noise closes up where the angle wraps (straight towards the viewer).
float azimuthCells(const Direction& r) {
    return (std::atan2(r.x, -r.z) / 6.2831853f + 0.5f) * azimuthCellCount;
}

// A glow round a light direction: `sharpness` sets its size, `strength` its peak.
float glow(const Direction& r, const Direction& light, float sharpness, float strength) {
    const float c = dot(r, light);
    return c > 0.0f ? strength * std::pow(c, sharpness) : 0.0f;
}

// The reflected direction of the view ray (0, 0, -1) off the ball at disc point (dx, dy),
// dy pointing up; outside the disc the point is pulled back onto the rim.
Direction reflection(float dx, float dy) {
    float radius = std::sqrt(dx * dx + dy * dy);
    if (radius > rimRadius) {
        dx *= rimRadius / radius;
        dy *= rimRadius / radius;
        radius = rimRadius;
    }
    const float nz = std::sqrt(1.0f - radius * radius);
    return {2.0f * nz * dx, 2.0f * nz * dy, 2.0f * nz * nz - 1.0f};
}

// Runs `environment` over the disc. Texture t grows with the stored row and points up,
// so the file's first row is the bottom of the ball.
template <typename Environment>
Raster renderSphereMap(Environment environment) {
    Raster map(sphereMapSize, sphereMapSize);
    shadeRaster(map, sphereSamples, [&](float u, float v) {
        const float dx = 2.0f * u - 1.0f;
        const float dy = 2.0f * v - 1.0f;
        return environment(dx, dy, reflection(dx, dy));
    });
    return map;
}

// The water is lit only by the default headlight, which leaves a flat surface seen from
// above at about 40 % brightness, so this sky is painted bright to compensate.
Colour waterSky(const ValueNoise& noise, const Direction& r) {
    const Colour zenith{0.04f, 0.14f, 0.45f};
    const Colour lowSky{0.20f, 0.62f, 0.92f};
    const Colour horizon{0.60f, 0.90f, 1.00f};
    const Colour deep{0.00f, 0.05f, 0.16f};
    const float elevation = r.y;
    Colour c = elevation >= 0.0f ? mix(lowSky, zenith, std::pow(elevation, 0.8f))
                                 : mix(lowSky * 0.5f, deep, smoothstep(0.0f, 0.5f, -elevation));
    // Cloud banks, stretched along the horizon, give the ripples detail to sweep across.
    const float clouds = noise.fractal(azimuthCells(r), elevation * 9.0f, 5, azimuthCellCount);
    c = c + Colour{0.30f, 0.40f, 0.45f} * (smoothstep(0.4f, 0.75f, clouds) * (1.0f - std::fabs(elevation)));
    c = c + horizon * std::exp(-(elevation * elevation) / 0.006f);
    // The moon hangs straight ahead of the camera, high enough that the near, unfogged
    // water at the bottom of the picture reflects it.
    const Direction moon = normalised(0.0f, 0.6f, -0.8f);
    const Direction lamp = normalised(-0.6f, 0.25f, 0.75f);
    c = c + Colour{0.8f, 0.95f, 1.0f} * (glow(r, moon, 300.0f, 1.2f) + glow(r, moon, 12.0f, 0.35f));
    c = c + Colour{0.4f, 0.8f, 0.9f} * glow(r, lamp, 20.0f, 0.45f);
    return c;
}

Colour chromeWorld(const ValueNoise& noise, const Direction& r) {
    const Colour zenith{0.10f, 0.30f, 0.85f};
    const Colour skyHaze{0.80f, 0.90f, 1.00f};
    const Colour groundNear{0.16f, 0.12f, 0.10f};
    const Colour groundFar{0.02f, 0.02f, 0.03f};
    Colour c;
    if (r.y >= 0.0f) {
        c = mix(skyHaze, zenith, std::pow(r.y, 0.5f));
        // A dark strip just above the horizon makes the horizon line read sharp on the blob.
        c = c * (1.0f - 0.55f * std::exp(-r.y / 0.05f));
        c = c + Colour{1.0f, 1.0f, 1.0f} * (std::exp(-r.y / 0.012f) * 0.6f);
    } else {
        const float rough = noise.fractal(azimuthCells(r), r.y * 12.0f, 4, azimuthCellCount);
        c = mix(groundNear, groundFar, smoothstep(0.0f, 0.6f, -r.y)) * (0.7f + 0.6f * rough);
    }
    const Direction sunA = normalised(0.5f, 0.6f, 0.6f);
    const Direction sunB = normalised(-0.7f, 0.4f, -0.4f);
    const Direction sunC = normalised(0.1f, 0.9f, -0.5f);
    const float hot = glow(r, sunA, 400.0f, 2.0f) + glow(r, sunA, 30.0f, 0.4f) + glow(r, sunB, 300.0f, 1.6f) +
                      glow(r, sunB, 25.0f, 0.3f) + glow(r, sunC, 500.0f, 1.5f);
    return c + Colour{1.0f, 0.97f, 0.9f} * hot;
}

Colour brushedSteel(const ValueNoise& noise, float dx, float dy, const Direction& r) {
    const Colour dark{0.22f, 0.23f, 0.25f};
    const Colour light{0.72f, 0.74f, 0.77f};
    Colour c = mix(dark, light, 0.5f + 0.35f * r.y);
    const Direction keyLight = normalised(0.4f, 0.7f, 0.6f);
    const Direction fillLight = normalised(-0.6f, -0.2f, -0.7f);
    c = c + Colour{0.9f, 0.9f, 0.95f} * (glow(r, keyLight, 12.0f, 0.45f) + glow(r, fillLight, 8.0f, 0.25f));
    // Brushing runs in circles round the ball: noise is fine across the radius and long
    // along the angle, wrapped so there is no seam where the angle jumps.
    const float radius = std::sqrt(dx * dx + dy * dy);
    const float turn = (std::atan2(dy, dx) / 6.2831853f + 0.5f) * brushAngularCells;
    const float streak = noise.fractal(turn, radius * brushRadialFrequency, 4, brushAngularCells);
    const float grain = noise.at(dx * 400.0f + 71.0f, dy * 400.0f + 13.0f);
    return c * (0.78f + 0.34f * streak + 0.08f * (grain - 0.5f));
}

}  // namespace

Raster makeWaterSphereMap() {
    const ValueNoise noise(waterSeed);
    return renderSphereMap([&](float, float, const Direction& r) { return waterSky(noise, r); });
}

Raster makeChromeSphereMap() {
    const ValueNoise noise(chromeSeed);
    return renderSphereMap([&](float, float, const Direction& r) { return chromeWorld(noise, r); });
}

Raster makeBrushedSphereMap() {
    const ValueNoise noise(brushSeed);
    return renderSphereMap([&](float dx, float dy, const Direction& r) { return brushedSteel(noise, dx, dy, r); });
}

}  // namespace Tramble
