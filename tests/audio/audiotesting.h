// Shared by the audio library's tests and the sound task's: the MP3 fixtures and what each
// holds (as made by tools/make-test-audio.sh), choosing SDL's audio driver for a while, and
// waiting for a stream to play out on a real-time driver.
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

// Fixture directory, relative to the repository root the tests run in.
inline const std::string dataDir = "tests/audio/data/";
// The output rate the demo uses, in Hz.
constexpr DWORD outputRate = 44100;

// A sine tone at half amplitude.
struct ToneFixture {
    std::string file;
    double frequency;  // Hz
    int lengthMs;
    long rate;  // the MP3's own sample rate, Hz
};

inline const std::vector<ToneFixture>& toneFixtures() {
    static const std::vector<ToneFixture> fixtures = {
        {"tone440_1000ms_stereo44k_cbr.mp3", 440, 1000, 44100},
        {"tone440_1500ms_mono44k_cbr.mp3", 440, 1500, 44100},
        {"tone300_2000ms_mono22k_cbr.mp3", 300, 2000, 22050},
        {"tone500_1250ms_stereo32k_cbr.mp3", 500, 1250, 32000},
        {"tone1000_1750ms_stereo48k_cbr.mp3", 1000, 1750, 48000},
        {"tone880_1200ms_stereo44k_vbr.mp3", 880, 1200, 44100},
        {"tone220_1800ms_mono48k_vbr.mp3", 220, 1800, 48000},
        {"tone660_1100ms_stereo44k_id3.mp3", 660, 1100, 44100},
    };
    return fixtures;
}

// The fixture every single-stream test plays: 440 Hz, 1.0 s, 44.1 kHz stereo.
inline std::string shortTone() {
    return dataDir + toneFixtures().front().file;
}

// What a stretch of interleaved stereo samples holds.
struct ToneAnalysis {
    size_t frames = 0;
    double frequency = 0;     // Hz, from the left channel's rising zero crossings
    int peak = 0;             // largest magnitude of the left channel
    int channelMismatch = 0;  // largest difference between left and right
};

inline ToneAnalysis analyseTone(const std::vector<std::int16_t>& interleaved, double rate) {
    ToneAnalysis result;
    result.frames = interleaved.size() / 2;
    size_t crossings = 0, firstCrossing = 0, lastCrossing = 0;
    for (size_t i = 0; i < result.frames; ++i) {
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

// Chooses SDL's audio driver for its lifetime, then restores the one the test run chose
// (the test entry always sets one).
class ScopedDriver {
public:
    explicit ScopedDriver(const char* driver) : previous(std::getenv("SDL_AUDIODRIVER")) {
        setenv("SDL_AUDIODRIVER", driver, 1);
    }
    ~ScopedDriver() { setenv("SDL_AUDIODRIVER", previous.c_str(), 1); }

private:
    std::string previous;
};

// Calls poll every 5 ms until the stream has played to its end and 250 ms beyond, so that
// what follows the end reaches the device too (it takes a buffer every ~23 ms). Judged by the
// stream's state, not by a quiet spell of its position: a loaded machine can hold the device
// thread longer than any spell worth waiting for. False after 15 s.
inline bool waitUntilPlayedOut(
    HSTREAM stream, const std::function<void()>& poll = [] {}) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point begin = Clock::now();
    bool ended = false;
    Clock::time_point end = begin;
    while (!ended || Clock::now() - end < std::chrono::milliseconds(250)) {
        if (Clock::now() - begin > std::chrono::seconds(15)) {
            return false;
        }
        poll();
        if (!ended && BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED) {
            ended = true;
            end = Clock::now();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace AudioTesting
}  // namespace Tramble
