// The music clock: the stream's position from the audio library, less the output latency,
// bounds the timer-driven timeline from both sides.
#include "engine/musicclock.h"

#include <algorithm>
#include <cmath>

#include "audio/bass.h"
#include "engine/logsys.h"

namespace Tramble {

namespace {

constexpr double millisecondsPerSecond = 1000.0;
// Music that says it plays but whose position has stood still for at least this many
// updates and this much timer time is lost. Two updates, so that the single long update
// after the whole process was stopped (the music thread stopped with it) does not trip it;
// half a second, far beyond the output's buffer of a few tens of ms, so that a loaded
// machine's late audio thread does not either.
constexpr unsigned int lostAfterUpdates = 2;
constexpr long long lostAfterMs = 500;

}  // namespace

MusicClock::MusicClock(unsigned int stream) : stream(stream), lastHeardMs(std::numeric_limits<long long>::min()) {
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
    if (music.playing && music.ms == lastHeardMs) {
        ++stillUpdates;
        stillMs += ms;
    } else {
        lastHeardMs = music.ms;
        stillUpdates = 0;
        stillMs = 0;
    }
    const bool stillTooLong = stillUpdates >= lostAfterUpdates && stillMs >= lostAfterMs;
    if (music.playing && stillTooLong != lost) {
        lost = stillTooLong;
        if (lost) {
            LOG(Warning) << "The music stands still at " << music.ms << " ms: the timeline runs on the timer\n";
        } else {
            LOG(Notice) << "The music moves again: the timeline follows it\n";
        }
    }
    long long next = now + ms;
    if (music.playing && !lost) {
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
