// The music clock: the stream's position from the audio library, less the output latency,
// bounds the timer-driven timeline from both sides.
#include "engine/musicclock.h"

#include <algorithm>
#include <cmath>

#include "audio/bass.h"

namespace Tramble {

namespace {

constexpr double millisecondsPerSecond = 1000.0;

}  // namespace

MusicClock::MusicClock(unsigned int stream) : stream(stream) {
    BASS_INFO info{};
    info.size = sizeof(info);
    // Without an initialised output the latency stays 0.
    BASS_GetInfo(&info);
    latencyMs = info.latency;
}

unsigned int MusicClock::update(unsigned int ms) {
    MusicReading music{BASS_ChannelIsActive(stream) == BASS_ACTIVE_PLAYING, 0};
    const float seconds = BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream));
    // A position that cannot be read (the output lost) reads as -1 s: no music.
    music.playing = music.playing && seconds >= 0.0f;
    music.ms = static_cast<long long>(std::floor(seconds * millisecondsPerSecond)) - latencyMs;
    return follow(ms, music);
}

unsigned int MusicClock::follow(unsigned int ms, const MusicReading& music) {
    long long next = now + ms;
    if (music.playing) {
        // Clamped to the window in this order, so that the clock only holds, never goes back,
        // when the window lies behind it.
        next = std::max(std::min(next, music.ms + latencyMs), music.ms);
        next = std::max(next, now);
    }
    const long long step = next - now;
    now = next;
    return static_cast<unsigned int>(step);
}

}  // namespace Tramble
