// Backdrops and the particle sprite. The backdrops are drawn behind everything else and
// kept dark so that additive particles and text stay readable over them; their features
// are laid out in letterbox coordinates (x 0..2, y 0..1) so glows and stars come out
// round on screen after the 512 x 512 image is stretched to 800 x 400.
#include "backdrops.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "noise.h"

namespace Tramble {

namespace {

// Width over height of the letterbox the backdrops are stretched across.
constexpr float screenAspect = 2.0f;
// Sub-samples per pixel side for the backdrops and the sprite.
constexpr int backdropSamples = 2;
constexpr int particleSamples = 4;
// Sprite radius where it reaches black, as a fraction of half the sprite's side.
constexpr float particleFalloffRadius = 0.8f;
// Number of stars, and the share of them that are large and bright.
constexpr int starCount = 700;
constexpr float brightStarShare = 0.04f;
// Spacing of the knot backdrop's grid in letterbox heights.
constexpr float gridSpacing = 1.0f / 12.0f;
// Seeds of the backdrops' noise and scattering.
constexpr unsigned metaballSeed = 5;
constexpr unsigned knotSeed = 7;
constexpr unsigned starfieldSeed = 13;

struct Star {
    float x;
    float y;
    float radius;
    Colour colour;
};

// Letterbox coordinates of a unit image position: x 0..screenAspect, y 0..1.
template <typename Painter>
Raster paintBackdrop(Painter painter) {
    Raster backdrop(backdropSize, backdropSize);
    shadeRaster(backdrop, backdropSamples, [&](float u, float v) { return painter(u * screenAspect, v); });
    return backdrop;
}

// Distance of a letterbox point from the screen centre, in letterbox heights.
float centreDistance(float x, float y) {
    const float dx = x - 0.5f * screenAspect;
    const float dy = y - 0.5f;
    return std::sqrt(dx * dx + dy * dy);
}

// Line intensity of a grid at coordinate c: 1 on a line, falling to 0 a hair's width away.
float gridLine(float c, float width) {
    const float offset = c / gridSpacing - std::floor(c / gridSpacing + 0.5f);
    return std::exp(-(offset * offset) / (width * width));
}

std::vector<Star> scatterStars() {
    Random random(starfieldSeed);
    std::vector<Star> stars;
    for (int i = 0; i < starCount; ++i) {
        Star star;
        star.x = random.range(0.0f, screenAspect);
        star.y = random.range(0.0f, 1.0f);
        const bool bright = random.unit() < brightStarShare;
        // Most stars are faint: squaring the draw skews brightness towards dim.
        const float brightness = bright ? random.range(0.8f, 1.0f) : 0.15f + 0.6f * random.unit() * random.unit();
        star.radius = bright ? random.range(0.0035f, 0.005f) : random.range(0.0015f, 0.0025f);
        const float tint = random.unit();
        star.colour = mix(Colour{0.7f, 0.8f, 1.0f}, Colour{1.0f, 0.95f, 0.85f}, tint) * brightness;
        stars.push_back(star);
    }
    return stars;
}

}  // namespace

Raster makeMetaballBackdrop() {
    const ValueNoise noise(metaballSeed);
    return paintBackdrop([&](float x, float y) {
        const Colour rim{0.01f, 0.01f, 0.04f};
        const Colour core{0.20f, 0.08f, 0.34f};
        const Colour halo{0.04f, 0.06f, 0.22f};
        const float d = centreDistance(x, y);
        Colour c = mix(halo, rim, smoothstep(0.2f, 1.1f, d));
        c = c + core * std::exp(-(d * d) / 0.09f);
        // Slow swirls keep the glow from looking like a flat gradient.
        const float swirl = noise.fractal(x * 3.0f, y * 3.0f, 5);
        return c * (0.75f + 0.5f * swirl);
    });
}

Raster makeKnotBackdrop() {
    const ValueNoise noise(knotSeed);
    return paintBackdrop([&](float x, float y) {
        const Colour top{0.07f, 0.13f, 0.15f};
        const Colour bottom{0.01f, 0.03f, 0.04f};
        Colour c = mix(top, bottom, smoothstep(0.0f, 1.0f, y));
        const float clouds = noise.fractal(x * 2.5f, y * 2.5f, 6);
        c = c + Colour{0.05f, 0.09f, 0.10f} * smoothstep(0.4f, 0.8f, clouds);
        const float grid = std::fmax(gridLine(x, 0.03f), gridLine(y, 0.03f));
        c = c + Colour{0.02f, 0.05f, 0.06f} * grid;
        return c * (1.0f - 0.5f * smoothstep(0.6f, 1.2f, centreDistance(x, y)));
    });
}

Raster makeStarfieldBackdrop() {
    const ValueNoise noise(starfieldSeed);
    const std::vector<Star> stars = scatterStars();
    Raster backdrop = paintBackdrop([&](float x, float y) {
        // Warping the lookup by another noise breaks up the lattice's horizontal and
        // vertical grain, which would otherwise show in the nebula's soft edges.
        const float warpX = noise.fractal(x * 1.5f + 100.0f, y * 1.5f, 4) - 0.5f;
        const float warpY = noise.fractal(x * 1.5f, y * 1.5f + 100.0f, 4) - 0.5f;
        const float nebula =
            smoothstep(0.45f, 0.85f, noise.fractal(x * 1.8f + warpX * 1.6f, y * 1.8f + warpY * 1.6f, 6));
        const float hue = noise.at(x * 1.2f + 40.0f, y * 1.2f);
        const Colour tint = mix(Colour{0.05f, 0.08f, 0.22f}, Colour{0.16f, 0.05f, 0.20f}, hue);
        return Colour{0.0f, 0.005f, 0.025f} + tint * nebula;
    });
    // Stars are added as small Gaussians, visiting only the pixels near each one.
    const float pixelWidth = screenAspect / backdropSize;
    const float pixelHeight = 1.0f / backdropSize;
    for (const Star& star : stars) {
        const float reach = star.radius * 4.0f;
        const int x0 = static_cast<int>(std::floor((star.x - reach) / pixelWidth));
        const int x1 = static_cast<int>(std::ceil((star.x + reach) / pixelWidth));
        const int y0 = static_cast<int>(std::floor((star.y - reach) / pixelHeight));
        const int y1 = static_cast<int>(std::ceil((star.y + reach) / pixelHeight));
        for (int py = std::max(0, y0); py <= std::min(backdropSize - 1, y1); ++py) {
            for (int px = std::max(0, x0); px <= std::min(backdropSize - 1, x1); ++px) {
                const float dx = (px + 0.5f) * pixelWidth - star.x;
                const float dy = (py + 0.5f) * pixelHeight - star.y;
                const float falloff = std::exp(-(dx * dx + dy * dy) / (star.radius * star.radius));
                backdrop.at(px, py) = backdrop.at(px, py) + star.colour * falloff;
            }
        }
    }
    return backdrop;
}

Raster makeParticleSprite() {
    Raster sprite(particleSize, particleSize);
    shadeRaster(sprite, particleSamples, [](float u, float v) {
        const float dx = (2.0f * u - 1.0f) / particleFalloffRadius;
        const float dy = (2.0f * v - 1.0f) / particleFalloffRadius;
        const float r2 = dx * dx + dy * dy;
        // (1 - r^2)^3 reaches zero with zero slope, so the blob has no visible edge.
        const float k = r2 < 1.0f ? (1.0f - r2) * (1.0f - r2) * (1.0f - r2) : 0.0f;
        return Colour{k, k, k};
    });
    return sprite;
}

}  // namespace Tramble
