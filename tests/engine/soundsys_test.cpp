// The beat clock: beats counted from exact positions, listeners that leave, an invalid
// stream, and a real stream played by the sound task on SDL's dummy driver.
#include "engine/soundsys.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/audiotesting.h"
#include "audio/bass.h"
#include "support/logcapture.h"

namespace Tramble {
namespace {

using namespace AudioTesting;

// The demo's music tempo, beats per minute.
constexpr int demoTempo = 130;

// Counts its beats; leaves after beatsToStay of them when that is positive.
class Listener : public IBeatListener {
public:
    explicit Listener(int beatsToStay = 0) : beatsToStay(beatsToStay) {}
    bool onBeat() override { return ++beats < beatsToStay || beatsToStay <= 0; }
    int beatsToStay;
    int beats = 0;
};

// Each test starts and ends with the audio library closed: the sound task never frees it.
class SoundSystem : public ::testing::Test {
protected:
    void SetUp() override { BASS_Free(); }
    void TearDown() override { BASS_Free(); }
    LogCapture log;
};

// Positions in seconds, and the beats heard by then. No output is open, so the first beat
// falls at the offset. A beat of 30 ns is below the float step of every instant past 0.5 s.
TEST_F(SoundSystem, BeatClockCountsEveryBeatAPositionPassed) {
    const struct {
        int tempo;
        float offset;
        std::vector<std::pair<float, int>> positions;
        int stayFor;
    } cases[] = {
        {demoTempo, 0.0f, {{0.0f, 1}, {1.0f, 3}, {1.38f, 3}, {3 * 60.0f / demoTempo, 4}}, 0},
        {demoTempo, 0.5f, {{0.49f, 0}, {0.5f, 1}}, 0},
        {0, 0.0f, {{10.0f, 0}}, 0},
        {-demoTempo, 0.0f, {{10.0f, 0}}, 0},
        {2000000000, 0.0f, {{3.0f, 3}}, 3},
    };
    for (const auto& c : cases) {
        BeatClock clock(0, c.tempo, c.offset);
        Listener listener(c.stayFor);
        clock.addListener(&listener);
        for (const auto& [position, beats] : c.positions) {
            clock.advance(position);
            EXPECT_EQ(listener.beats, beats) << c.tempo << " bpm at " << position << " s";
        }
    }
}

// Updated once per pass as the scene handler does: nothing on handle 0; on a 1 s stream with
// the first beat at 60 ms plus 24 ms latency, beats at 0.084 and 0.546 s (without it, three).
TEST_F(SoundSystem, BeatClockFollowsARealStreamAndIgnoresHandleZero) {
    SoundTask task(outputRate);
    ASSERT_TRUE(task.start());
    const unsigned int stream = task.streamFile(shortTone());
    ASSERT_NE(stream, 0u);
    Listener listener;
    BeatClock none(0, demoTempo, 0.06f);
    none.addListener(&listener);
    BeatClock clock(stream, demoTempo, 0.06f);
    clock.addListener(&listener);
    ASSERT_TRUE(waitUntilPlayedOut(stream, [&] {
        none.update();
        clock.update();
    }));
    clock.update();
    EXPECT_EQ(listener.beats, 2);
    task.stop();
}

}  // namespace
}  // namespace Tramble
