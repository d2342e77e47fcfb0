// The music clock's rule, fed readings directly: the timeline against music that is absent,
// keeps pace, jumps ahead, stands still while the timer leaps (the whole process stopped),
// lags behind a fast timer, hangs, and ends.
#include "engine/musicclock.h"

#include <gtest/gtest.h>

#include <vector>

namespace Tramble {
namespace {

// One update: the timer's delta, the music's state, and the delta the timeline must take.
struct Step {
    unsigned int timerMs;
    bool playing;
    long long heardMs;
    unsigned int expectedMs;
};

// Every case runs with a 24 ms output latency (1024 frames at 44.1 kHz, rounded up).
TEST(MusicClock, TimelineDeltasFollowTheMusicHeard) {
    const struct {
        const char* name;
        std::vector<Step> steps;
    } cases[] = {
        {"without music the timer's deltas pass unchanged",
         {{0, false, -1, 0}, {16, false, -1, 16}, {700, false, -1, 700}}},
        {"music at the timer's pace leaves the timer's deltas alone",
         {{0, true, -24, 0}, {16, true, 15, 16}, {17, true, 32, 17}, {17, true, 49, 17}}},
        {"music that started during a long load: the timeline starts where the music is",
         {{0, true, -24, 0}, {16, true, 476, 476}, {16, true, 492, 16}}},
        {"a stopped process: the timer leaps 5 s, the music does not, the timeline holds",
         {{1000, true, 990, 1000}, {5000, true, 990, 14}, {16, true, 1006, 16}, {16, true, 1022, 16}}},
        {"a stalled main loop: the music played on, the timeline catches up at once",
         {{1000, true, 990, 1000}, {3000, true, 3990, 3000}, {16, true, 4006, 16}}},
        {"a fast timer: the timeline waits for the music, never going back",
         {{1000, true, 990, 1000}, {16, true, 900, 0}, {16, true, 950, 0}, {16, true, 990, 14}}},
        {"music that stands still over two updates and half a second is lost: the timer runs on",
         {{1000, true, 990, 1000},
          {16, true, 990, 14},
          {16, true, 990, 0},
          {500, true, 990, 500},
          {16, true, 990, 16}}},
        {"lost music that moves again is followed again: the timeline holds till it catches up",
         {{1000, true, 990, 1000},
          {300, true, 990, 14},
          {300, true, 990, 300},
          {16, true, 1006, 0},
          {16, true, 1310, 16},
          {16, true, 1350, 20}}},
        {"music that ends or fails: the timeline carries on from there on the timer",
         {{1000, true, 990, 1000}, {16, true, 1006, 16}, {16, false, 1006, 16}, {40, false, -1, 40}}},
    };
    for (const auto& c : cases) {
        MusicClock clock(0);
        clock.latencyMs = 24;
        for (const Step& step : c.steps) {
            EXPECT_EQ(clock.follow(step.timerMs, MusicReading{step.playing, step.heardMs}), step.expectedMs)
                << c.name << ", heard " << step.heardMs;
        }
    }
}

}  // namespace
}  // namespace Tramble
