// Shared by the audio library's tests and the sound task's: the MP3 fixtures (made by
// tools/make-test-audio.sh), choosing SDL's audio driver, waiting for a stream to play out.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio/bass.h"

namespace Tramble {
namespace AudioTesting {

// Fixture directory, relative to the repository root the tests run in; the demo's output rate, Hz.
inline const std::string dataDir = "tests/audio/data/";
constexpr DWORD outputRate = 44100;

// A sine tone at half amplitude.
struct ToneFixture {
    std::string file;
    double frequency;  // Hz
    int lengthMs;
};

inline const std::vector<ToneFixture> toneFixtures = {
    {"tone440_1000ms_stereo44k_cbr.mp3", 440, 1000},   {"tone440_1500ms_mono44k_cbr.mp3", 440, 1500},
    {"tone300_2000ms_mono22k_cbr.mp3", 300, 2000},     {"tone500_1250ms_stereo32k_cbr.mp3", 500, 1250},
    {"tone1000_1750ms_stereo48k_cbr.mp3", 1000, 1750}, {"tone880_1200ms_stereo44k_vbr.mp3", 880, 1200},
    {"tone220_1800ms_mono48k_vbr.mp3", 220, 1800},     {"tone660_1100ms_stereo44k_id3.mp3", 660, 1100},
};

// The fixture every single-stream test plays: 440 Hz, 1.0 s, 44.1 kHz stereo.
inline std::string shortTone() {
    return dataDir + toneFixtures.front().file;
}

// What a stretch of interleaved stereo samples holds.
struct ToneAnalysis {
    double frequency = 0;     // Hz, from the left channel's rising zero crossings
    int peak = 0;             // largest magnitude of the left channel
    int channelMismatch = 0;  // largest difference between left and right
};

inline ToneAnalysis analyseTone(const std::vector<std::int16_t>& interleaved, double rate) {
    ToneAnalysis result;
    size_t crossings = 0, firstCrossing = 0, lastCrossing = 0;
    for (size_t i = 0; i < interleaved.size() / 2; ++i) {
        const int left = interleaved[2 * i];
        result.peak = std::max(result.peak, std::abs(left));
        result.channelMismatch = std::max(result.channelMismatch, std::abs(left - interleaved[2 * i + 1]));
        if (i > 0 && interleaved[2 * (i - 1)] < 0 && left >= 0) {
            firstCrossing = crossings++ == 0 ? i : firstCrossing;
            lastCrossing = i;
        }
    }
    if (crossings > 1) {
        result.frequency = (crossings - 1) * rate / static_cast<double>(lastCrossing - firstCrossing);
    }
    return result;
}

// Chooses SDL's audio driver for its lifetime, then restores the one the test entry set.
struct ScopedDriver {
    explicit ScopedDriver(const char* driver) : previous(std::getenv("SDL_AUDIODRIVER")) {
        setenv("SDL_AUDIODRIVER", driver, 1);
    }
    ~ScopedDriver() { setenv("SDL_AUDIODRIVER", previous.c_str(), 1); }
    std::string previous;
};

// Calls poll every 5 ms until the stream's state says it ended, and 250 ms beyond so that what
// follows reaches the device too (a buffer every ~23 ms); false after 15 s.
inline bool waitUntilPlayedOut(
    HSTREAM stream, const std::function<void()>& poll = [] {}) {
    using namespace std::chrono;
    const steady_clock::time_point giveUp = steady_clock::now() + seconds(15);
    steady_clock::time_point end = giveUp;
    for (; steady_clock::now() < end; std::this_thread::sleep_for(milliseconds(5))) {
        poll();
        if (end == giveUp && BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED) {
            end = steady_clock::now() + milliseconds(250);
        }
    }
    return end != giveUp;
}

}  // namespace AudioTesting
}  // namespace Tramble
