// The sound task's start, stop and streaming with their log lines, and the beat clock: beats
// counted from exact positions, listeners that leave, an invalid stream, and a real stream
// playing on SDL's dummy driver.
#include "engine/soundsys.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
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
constexpr int kTempo = 130;
constexpr float kBeatLength = 60.0f / kTempo;

// Counts its beats and writes its name into a shared journal on each; leaves after
// beatsToStay beats when that is positive.
class Listener : public IBeatListener {
public:
    Listener(std::string name, std::vector<std::string>* journal, int beatsToStay = 0)
        : name(std::move(name)), journal(journal), beatsToStay(beatsToStay) {}

    bool onBeat() override {
        ++beats;
        journal->push_back(name);
        return beatsToStay <= 0 || beats < beatsToStay;
    }

    std::string name;
    std::vector<std::string>* journal;
    int beatsToStay;
    int beats = 0;
};

using Journal = std::vector<std::string>;

// Each test starts and ends with the audio library closed: the sound task never frees it.
class SoundSystem : public ::testing::Test {
protected:
    void SetUp() override { BASS_Free(); }
    void TearDown() override { BASS_Free(); }

    LogCapture log;
};

TEST_F(SoundSystem, BeatClockCatchesUpOnEveryBeatALateUpdatePassed) {
    // No output open: the latency reads as 0 and the first beat falls at the offset.
    BeatClock clock(0, kTempo, 0.0f);
    EXPECT_FLOAT_EQ(clock.nextBeat, 0.0f);
    EXPECT_FLOAT_EQ(clock.beatLength, kBeatLength);
    Journal journal;
    Listener listener("a", &journal);
    clock.addListener(&listener);

    clock.advance(0.0f);
    EXPECT_EQ(listener.beats, 1);
    clock.advance(1.0f);
    EXPECT_EQ(listener.beats, 3) << "beats at 0.4615 s and 0.9231 s";
    EXPECT_NEAR(clock.nextBeat, 3 * kBeatLength, 1e-5f);
    EXPECT_NEAR(clock.nextBeat, 1.3846154f, 1e-5f);
    clock.advance(1.38f);
    EXPECT_EQ(listener.beats, 3);
}

TEST_F(SoundSystem, BeatClockWaitsForTheOffset) {
    BeatClock clock(0, kTempo, 0.5f);
    Journal journal;
    Listener listener("a", &journal);
    clock.addListener(&listener);
    clock.advance(0.49f);
    EXPECT_EQ(listener.beats, 0);
    clock.advance(0.5f);
    EXPECT_EQ(listener.beats, 1);
}

TEST_F(SoundSystem, BeatClockWithoutAPositiveTempoNeverBeats) {
    Journal journal;
    Listener listener("a", &journal);
    for (int tempo : {0, -130}) {
        BeatClock clock(0, tempo, 0.0f);
        clock.addListener(&listener);
        clock.advance(10.0f);
    }
    EXPECT_EQ(listener.beats, 0);
}

// A beat of 30 ns is below the float step of every instant past 0.5 s.
TEST_F(SoundSystem, BeatClockCountsBeatsShorterThanTheFloatStepOfTheNextBeat) {
    BeatClock clock(0, 2000000000, 0.0f);
    Journal journal;
    Listener listener("a", &journal, 3);
    clock.addListener(&listener);
    clock.advance(3.0f);
    EXPECT_EQ(listener.beats, 3);
    EXPECT_GT(clock.nextBeat, 3.0f);
}

TEST_F(SoundSystem, BeatClockAddsTheOutputLatencyToTheFirstBeat) {
    ASSERT_TRUE(BASS_Init(1, kOutputRate, BASS_DEVICE_LATENCY, nullptr, nullptr));
    BASS_INFO info{};
    info.size = sizeof(info);
    ASSERT_TRUE(BASS_GetInfo(&info));
    ASSERT_GT(info.latency, 0u);
    BeatClock clock(0, kTempo, 0.25f);
    EXPECT_FLOAT_EQ(clock.nextBeat, info.latency * 0.001f + 0.25f);
}

// A listener that declines its first beat hears no more, and the walk goes on with the
// listener after it, wherever it stood in the list.
class BeatClockLeaving : public SoundSystem, public ::testing::WithParamInterface<int> {};

TEST_P(BeatClockLeaving, ListenerThatDeclinesIsDroppedAndTheOthersStillHearTheBeat) {
    const int leaver = GetParam();
    Journal journal;
    std::vector<std::unique_ptr<Listener>> listeners;
    BeatClock clock(0, kTempo, 0.0f);
    for (int i = 0; i < 3; ++i) {
        listeners.push_back(std::make_unique<Listener>(std::string(1, char('a' + i)), &journal, i == leaver ? 1 : 0));
        clock.addListener(listeners.back().get());
    }

    clock.advance(0.0f);
    EXPECT_EQ(journal, (Journal{"a", "b", "c"}));
    journal.clear();
    clock.advance(kBeatLength);
    Journal stayers{"a", "b", "c"};
    stayers.erase(stayers.begin() + leaver);
    EXPECT_EQ(journal, stayers);
    EXPECT_EQ(clock.listeners.size(), 2);
}

INSTANTIATE_TEST_SUITE_P(FirstMiddleLast, BeatClockLeaving, ::testing::Values(0, 1, 2));

TEST_F(SoundSystem, BeatClockOnHandleZeroReturnsAtOnceWithoutBeats) {
    Journal journal;
    Listener listener("a", &journal);
    {
        BeatClock clock(0, kTempo, 0.0f);
        clock.addListener(&listener);
        clock.update();
    }
    ASSERT_TRUE(BASS_Init(1, kOutputRate, BASS_DEVICE_LATENCY, nullptr, nullptr));
    {
        BeatClock clock(0, kTempo, 0.0f);
        clock.addListener(&listener);
        clock.update();
    }
    EXPECT_EQ(listener.beats, 0);
}

TEST_F(SoundSystem, BeatClockFollowsARealStream) {
    SoundTask task(kOutputRate);
    ASSERT_TRUE(task.start());
    const unsigned int stream = task.streamFile(shortTone());
    ASSERT_NE(stream, 0u);
    BeatClock clock(stream, kTempo, 0.0f);
    Journal journal;
    Listener listener("a", &journal);
    clock.addListener(&listener);

    // Updated the way the scene handler does, once per pass, until the stream has ended.
    const auto begin = std::chrono::steady_clock::now();
    QWORD last = QWORD(-1);
    int unchanged = 0;
    while (unchanged < 20 && std::chrono::steady_clock::now() - begin < std::chrono::seconds(15)) {
        clock.update();
        const QWORD position = BASS_ChannelGetPosition(stream);
        unchanged = position == last ? unchanged + 1 : 0;
        last = position;
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    // One second of music with the first beat at the 24 ms latency: beats at 0.024, 0.486
    // and 0.947 s.
    EXPECT_EQ(listener.beats, 3);
    task.stop();
}

TEST_F(SoundSystem, SoundTaskStartsAndStopsTheOutput) {
    SoundTask task(kOutputRate);
    ASSERT_TRUE(task.start());
    EXPECT_EQ(log.str(), "--- Starting sound task\n");
    BASS_INFO info{};
    info.size = sizeof(info);
    ASSERT_TRUE(BASS_GetInfo(&info)) << "the output is open";
    EXPECT_EQ(info.freq, kOutputRate);
    EXPECT_GT(info.latency, 0u) << "the task asks for the latency";

    log.clear();
    task.stop();
    EXPECT_EQ(log.str(), "--- Stopping sound task\n");
}

TEST_F(SoundSystem, SoundTaskStopWithoutOutputLogsTheFailure) {
    SoundTask task(kOutputRate);
    task.stop();
    EXPECT_EQ(log.str(), "--- Stopping sound task\n    *** Could not stop\n");
}

TEST_F(SoundSystem, SoundTaskStartFailsWithoutAWorkingDriver) {
    ScopedEnv driver("SDL_AUDIODRIVER", "no_such_driver");
    SoundTask task(kOutputRate);
    EXPECT_FALSE(task.start());
    EXPECT_EQ(log.str(), "--- Starting sound task\n    *** Could not initialize\n");
}

TEST_F(SoundSystem, StreamFileOnAMissingFileLogsOnceAndReturnsZero) {
    SoundTask task(kOutputRate);
    ASSERT_TRUE(task.start());
    log.clear();
    const std::string path = "data/sounds/no_such_music.mp3";
    EXPECT_EQ(task.streamFile(path), 0u);
    EXPECT_EQ(log.str(), "*** Could not stream file " + path + "\n");
    task.stop();
}

TEST_F(SoundSystem, StreamFilePlaysTheMusic) {
    SoundTask task(kOutputRate);
    ASSERT_TRUE(task.start());
    log.clear();
    const unsigned int stream = task.streamFile(shortTone());
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(log.str(), "");
    ASSERT_TRUE(waitUntilPlayedOut({static_cast<HSTREAM>(stream)}));
    EXPECT_FLOAT_EQ(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream)), 1.0f);
    task.stop();
}

}  // namespace
}  // namespace Tramble
