// The sound task's start, stop and streaming, and the beat clock: beats counted from exact
// positions, listeners that leave, an invalid stream, and a real stream playing on SDL's
// dummy driver.
#include "engine/soundsys.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "audio/audiotesting.h"
#include "audio/bass.h"
#include "support/logcapture.h"

namespace Tramble {
namespace {

using namespace AudioTesting;

// The demo's music tempo, beats per minute.
constexpr int demoTempo = 130;
constexpr float beatLength = 60.0f / demoTempo;

// Journals its name on each beat; leaves after beatsToStay beats when that is positive.
class Listener : public IBeatListener {
public:
    Listener(char name, std::string* journal, int beatsToStay = 0)
        : name(name), journal(journal), beatsToStay(beatsToStay) {}
    bool onBeat() override {
        journal->push_back(name);
        return beatsToStay <= 0 || ++beats < beatsToStay;
    }
    char name;
    std::string* journal;
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
        {demoTempo, 0.0f, {{0.0f, 1}, {1.0f, 3}, {1.38f, 3}, {3 * beatLength, 4}}, 0},
        {demoTempo, 0.5f, {{0.49f, 0}, {0.5f, 1}}, 0},
        {0, 0.0f, {{10.0f, 0}}, 0},
        {-demoTempo, 0.0f, {{10.0f, 0}}, 0},
        {2000000000, 0.0f, {{3.0f, 3}}, 3},
    };
    for (const auto& c : cases) {
        BeatClock clock(0, c.tempo, c.offset);
        std::string journal;
        Listener listener('a', &journal, c.stayFor);
        clock.addListener(&listener);
        for (const auto& [position, beats] : c.positions) {
            clock.advance(position);
            EXPECT_EQ(journal.size(), static_cast<size_t>(beats)) << c.tempo << " bpm at " << position << " s";
        }
    }
}

TEST_F(SoundSystem, BeatClockAddsTheOutputLatencyToTheFirstBeat) {
    ASSERT_TRUE(BASS_Init(1, kOutputRate, BASS_DEVICE_LATENCY, nullptr, nullptr));
    BASS_INFO info{};
    info.size = sizeof(info);
    ASSERT_TRUE(BASS_GetInfo(&info));
    ASSERT_GT(info.latency, 0u);
    BeatClock clock(0, demoTempo, 0.25f);
    EXPECT_FLOAT_EQ(clock.nextBeat, info.latency * 0.001f + 0.25f);
}

// A listener that declines its first beat hears no more, and the walk goes on with the
// listener after it, wherever it stood in the list.
TEST_F(SoundSystem, ListenerThatDeclinesIsDroppedAndTheOthersStillHearTheBeat) {
    for (int leaver = 0; leaver < 3; ++leaver) {
        std::string journal;
        BeatClock clock(0, demoTempo, 0.0f);
        Listener a('a', &journal, leaver == 0), b('b', &journal, leaver == 1), c('c', &journal, leaver == 2);
        for (Listener* listener : {&a, &b, &c}) {
            clock.addListener(listener);
        }
        clock.advance(0.0f);
        clock.advance(beatLength);
        std::string stayers = "abc";
        EXPECT_EQ(journal, "abc" + stayers.erase(leaver, 1));
    }
}

// Updated the way the scene handler does, once per pass: nothing on handle 0, and on a real
// stream one second long with the first beat at the latency, beats at 0.024, 0.486 and 0.947 s.
TEST_F(SoundSystem, BeatClockFollowsARealStreamAndIgnoresHandleZero) {
    SoundTask task(kOutputRate);
    ASSERT_TRUE(task.start());
    const unsigned int stream = task.streamFile(shortTone());
    ASSERT_NE(stream, 0u);
    std::string journal;
    Listener listener('a', &journal);
    BeatClock none(0, demoTempo, 0.0f);
    none.addListener(&listener);
    BeatClock clock(stream, demoTempo, 0.0f);
    clock.addListener(&listener);
    const auto begin = std::chrono::steady_clock::now();
    for (int unchanged = 0; unchanged < 20 && std::chrono::steady_clock::now() - begin < std::chrono::seconds(15);) {
        const QWORD position = BASS_ChannelGetPosition(stream);
        none.update();
        clock.update();
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
        unchanged = position == BASS_ChannelGetPosition(stream) ? unchanged + 1 : 0;
    }
    EXPECT_EQ(journal, "aaa");
    EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream)), 1.0f);
    task.stop();
    EXPECT_EQ(log.str(), "--- Starting sound task\n--- Stopping sound task\n");
}

TEST_F(SoundSystem, SoundTaskFailuresAreLogged) {
    SoundTask task(kOutputRate);
    task.stop();
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "no_such_driver");
        EXPECT_FALSE(task.start());
    }
    ASSERT_TRUE(task.start());
    EXPECT_EQ(task.streamFile("data/sounds/no_such_music.mp3"), 0u);
    task.stop();
    EXPECT_EQ(log.str(),
              "--- Stopping sound task\n    *** Could not stop\n"
              "--- Starting sound task\n    *** Could not initialize\n"
              "--- Starting sound task\n"
              "*** Could not stream file data/sounds/no_such_music.mp3\n"
              "--- Stopping sound task\n");
}

}  // namespace
}  // namespace Tramble
