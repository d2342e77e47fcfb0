// Fixed-seed SplitMix64 generator and hash-based value noise. The lattice values come
// from hashing the cell coordinates with the seed rather than from a table, so the
// noise has no repeat other than the one asked for and needs no set-up.
#include "noise.h"

#include <cmath>

namespace Tramble {

namespace {

// SplitMix64 increment (the golden ratio in 64-bit fixed point).
constexpr std::uint64_t goldenGamma = 0x9E3779B97F4A7C15ull;
// Scale from the top 24 bits of a random word to [0, 1).
constexpr float unitScale = 1.0f / 16777216.0f;
// Multiplier that spreads the lattice row index before it is hashed with the column.
constexpr std::uint64_t rowSpread = 0xD1B54A32D192ED03ull;

std::uint64_t mixBits(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Quintic fade: continuous second derivative, so shading built on the noise shows no creases.
float fade(float t) {
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

int wrap(int i, int period) {
    if (period <= 0) {
        return i;
    }
    const int m = i % period;
    return m < 0 ? m + period : m;
}

}  // namespace

std::uint64_t Random::next() {
    state += goldenGamma;
    return mixBits(state);
}

float Random::unit() {
    return static_cast<float>(next() >> 40) * unitScale;
}

float Random::range(float low, float high) {
    return low + (high - low) * unit();
}

float ValueNoise::lattice(int ix, int iy) const {
    const std::uint64_t key = seed * goldenGamma ^ static_cast<std::uint32_t>(ix) ^
                              static_cast<std::uint64_t>(static_cast<std::uint32_t>(iy)) * rowSpread;
    return static_cast<float>(mixBits(key) >> 40) * unitScale;
}

float ValueNoise::at(float x, float y, int periodX) const {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float tx = fade(x - fx);
    const float ty = fade(y - fy);
    const int x0 = wrap(ix, periodX);
    const int x1 = wrap(ix + 1, periodX);
    const float top = lattice(x0, iy) + (lattice(x1, iy) - lattice(x0, iy)) * tx;
    const float bottom = lattice(x0, iy + 1) + (lattice(x1, iy + 1) - lattice(x0, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

float ValueNoise::fractal(float x, float y, int octaves, int periodX) const {
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    float frequency = 1.0f;
    int period = periodX;
    for (int i = 0; i < octaves; ++i) {
        // Offset each octave so their lattice points do not line up at the origin.
        sum += at(x * frequency + i * 17.31f, y * frequency + i * 9.73f, period) * weight;
        total += weight;
        weight *= 0.5f;
        frequency *= 2.0f;
        period *= 2;
    }
    return sum / total;
}

}  // namespace Tramble
