// Deterministic randomness for the artwork: a fixed-seed SplitMix64 generator for
// scattering things (stars, glints) and hash-based value noise with fractal sums for
// clouds and brushing. Same seed, same picture, on every run.
#pragma once

#include <cstdint>

namespace Tramble {

class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed) {}

    std::uint64_t next();
    // Uniform in [0, 1).
    float unit();
    // Uniform in [low, high).
    float range(float low, float high);

private:
    std::uint64_t state;
};

// Smoothly interpolated lattice noise in 0..1. A non-zero period makes it wrap along x
// after that many lattice cells, so it can run round a circle without a seam.
class ValueNoise {
public:
    explicit ValueNoise(std::uint64_t seed) : seed(seed) {}

    float at(float x, float y, int periodX = 0) const;
    // Sum of octaves, each at twice the frequency and half the weight of the last,
    // normalised back into 0..1.
    float fractal(float x, float y, int octaves, int periodX = 0) const;

private:
    float lattice(int ix, int iy) const;

    std::uint64_t seed;
};

}  // namespace Tramble
