// Shared by the audio library's tests and the sound task's: the MP3 fixtures and what each
// holds (as made by tools/make-test-audio.sh), a scoped environment variable for choosing
// SDL's audio driver, and waiting for streams to play out on a real-time driver.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "audio/bass.h"

namespace Tramble {
namespace AudioTesting {

// Fixture directory, relative to the repository root the tests run in.
inline const std::string kDataDir = "tests/audio/data/";
// The output rate the demo uses, in Hz.
constexpr DWORD kOutputRate = 44100;
// Bytes per output sample frame: stereo, signed 16-bit.
constexpr QWORD kBytesPerFrame = 4;

// A sine tone at half amplitude.
struct ToneFixture {
    std::string file;
    double frequency;  // Hz
    int lengthMs;
    long rate;  // the MP3's own sample rate, Hz
};

// Names the fixture in test output instead of dumping its bytes.
inline void PrintTo(const ToneFixture& tone, std::ostream* out) {
    *out << tone.file;
}

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
    return kDataDir + toneFixtures().front().file;
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
    size_t crossings = 0;
    size_t firstCrossing = 0;
    size_t lastCrossing = 0;
    for (size_t i = 0; i < result.frames; ++i) {
        const int left = interleaved[2 * i];
        result.peak = std::max(result.peak, std::abs(left));
        result.channelMismatch = std::max(result.channelMismatch, std::abs(left - interleaved[2 * i + 1]));
        if (i > 0 && interleaved[2 * (i - 1)] < 0 && left >= 0) {
            lastCrossing = i;
            if (crossings++ == 0) {
                firstCrossing = i;
            }
        }
    }
    if (crossings > 1) {
        result.frequency = (crossings - 1) * rate / static_cast<double>(lastCrossing - firstCrossing);
    }
    return result;
}

// Sets an environment variable for its lifetime, then restores the earlier value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name(name) {
        const char* earlier = std::getenv(name);
        hadValue = earlier != nullptr;
        if (hadValue) {
            previous = earlier;
        }
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (hadValue) {
            setenv(name.c_str(), previous.c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name;
    std::string previous;
    bool hadValue = false;
};

// Polls the streams' positions until none has moved for settle (the output hands over a
// buffer every ~23 ms while a stream plays), or until timeout. True if they settled.
inline bool waitUntilPlayedOut(const std::vector<HSTREAM>& handles,
                               std::chrono::milliseconds settle = std::chrono::milliseconds(250),
                               std::chrono::milliseconds timeout = std::chrono::milliseconds(15000)) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point begin = Clock::now();
    Clock::time_point lastChange = begin;
    std::vector<QWORD> last(handles.size(), QWORD(-1));
    while (Clock::now() - begin < timeout) {
        for (size_t i = 0; i < handles.size(); ++i) {
            const QWORD position = BASS_ChannelGetPosition(handles[i]);
            if (position != last[i]) {
                last[i] = position;
                lastChange = Clock::now();
            }
        }
        if (Clock::now() - lastChange >= settle) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace AudioTesting
}  // namespace Tramble
