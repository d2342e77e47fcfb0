// The demo's one random sequence: the desktop C library's (glibc's) default rand() sequence,
// computed by our own generator so that every platform, a browser's C library included,
// draws the same numbers. Never seeded, so every run draws the same numbers. The particle
// emitters and the font's jitter take turns on it, so the order of their draws is part of
// every frame: each draw goes through sharedRandom, which is what to search for before
// moving one.
#pragma once

#include <cstdint>

namespace Tramble {

// glibc's TYPE_3 generator: an additive lagged Fibonacci sequence, r[i] = r[i-3] + r[i-31]
// modulo 2^32, each output r[i] >> 1 (0 to 2^31 - 1). Seeding follows srand: r[0..30] from
// the seed by multiplication by 16807 modulo 2^31 - 1, the first 310 values discarded, and
// a seed of 0 taken as 1.
class RandomSequence {
public:
    explicit RandomSequence(unsigned int seed = 1);
    int next();

private:
    static const int lag = 31;
    static const int separation = 3;
    std::uint32_t state[lag];
    int front = separation;
    int rear = 0;
};

// The next value of the shared sequence, as rand() would return it on the desktop.
int sharedRandom();
// Restarts the shared sequence as srand(seed) would; the demo itself never seeds, tests do
// to draw known numbers.
void seedSharedRandom(unsigned int seed);

}  // namespace Tramble
