// The shared sequence against the C library it stands in for.
#include "engine/random.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace Tramble {
namespace {

// The demo never seeds, so the default sequence is the one every frame depends on.
TEST(RandomTest, TheUnseededSequenceIsTheCLibrarysFirstTenMillionValues) {
    std::srand(1);
    RandomSequence sequence;
    for (int i = 0; i < 10000000; ++i) {
        const int expected = std::rand();
        if (sequence.next() != expected) {
            FAIL() << "value " << i << " differs";
        }
    }
}

}  // namespace
}  // namespace Tramble
