// The shared random sequence: glibc's random_r for TYPE_3, rebuilt from its documented
// algorithm so the numbers do not depend on the platform's C library.
#include "engine/random.h"

namespace Tramble {

namespace {

// Values srand throws away after filling the state, ten per word of state.
const int discarded = 310;

// Made on first use, so that no other file's static initialisation can draw from it unmade.
RandomSequence& shared() {
    static RandomSequence sequence;
    return sequence;
}

}  // namespace

RandomSequence::RandomSequence(unsigned int seed) {
    // glibc keeps the seed in a signed 32-bit word; Schrage's method keeps 16807 * word
    // modulo 2^31 - 1 within it.
    std::int32_t word = seed == 0 ? 1 : static_cast<std::int32_t>(seed);
    state[0] = static_cast<std::uint32_t>(word);
    for (int i = 1; i < lag; ++i) {
        const std::int32_t hi = word / 127773;
        const std::int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) {
            word += 2147483647;
        }
        state[i] = static_cast<std::uint32_t>(word);
    }
    for (int i = 0; i < discarded; ++i) {
        next();
    }
}

int RandomSequence::next() {
    state[front] += state[rear];
    const int value = static_cast<int>(state[front] >> 1);
    front = (front + 1) % lag;
    rear = (rear + 1) % lag;
    return value;
}

int sharedRandom() {
    return shared().next();
}

void seedSharedRandom(unsigned int seed) {
    shared() = RandomSequence(seed);
}

}  // namespace Tramble
