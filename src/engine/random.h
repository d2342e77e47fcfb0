// The demo's one random sequence: the C library's rand(), never seeded, so every run draws
// the same numbers. The particle emitters and the font's jitter take turns on it, so the
// order of their draws is part of every frame: each draw goes through sharedRandom, which
// is what to search for before moving one.
#pragma once

#include <cstdlib>

namespace Tramble {

inline int sharedRandom() {
    return std::rand();
}

}  // namespace Tramble
