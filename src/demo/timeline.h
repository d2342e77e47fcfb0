// The demo's timeline: the five scenes' slots, back to back, in playing order (the opening
// scene, Scene2, Scene3, Scene4, the closing scene). Times in ms of the scene handler's clock.
#pragma once

#include <cstddef>

namespace Tramble {

struct SceneSlot {
    unsigned int start;
    unsigned int length;

    constexpr unsigned int end() const { return start + length; }
};

inline constexpr SceneSlot timeline[] = {
    {0, 45000}, {45000, 40000}, {85000, 40000}, {125000, 40000}, {165000, 40000},
};
inline constexpr std::size_t sceneCount = sizeof timeline / sizeof timeline[0];
// When the last scene ends and the handler halts the demo.
inline constexpr unsigned int timelineEnd = timeline[sceneCount - 1].end();

// Each scene starts as the one before it ends: no gap, no overlap.
constexpr bool backToBack() {
    for (std::size_t i = 1; i < sceneCount; ++i) {
        if (timeline[i].start != timeline[i - 1].end()) {
            return false;
        }
    }
    return true;
}
static_assert(timeline[0].start == 0 && backToBack(), "the scenes must follow one another from 0 ms");

}  // namespace Tramble
