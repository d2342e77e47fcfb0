// The shared sequence against the C library it stands in for.
#include "engine/random.h"

#include <gtest/gtest.h>

#include <climits>
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

// Tests seed the shared sequence as they once seeded rand(): 0, and seeds past INT_MAX
// that glibc keeps in a signed word, included.
TEST(RandomTest, SeedingMatchesSrand) {
    for (const unsigned int seed : {0u, 7u, 127773u, 2147483648u, UINT_MAX}) {
        std::srand(seed);
        seedSharedRandom(seed);
        for (int i = 0; i < 1000; ++i) {
            ASSERT_EQ(sharedRandom(), std::rand()) << "seed " << seed << ", value " << i;
        }
    }
}

}  // namespace
}  // namespace Tramble
