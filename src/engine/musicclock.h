// The music clock: turns the timer's deltas into the timeline's, so that the timeline keeps
// to the music heard while the music plays and runs on the timer alone when there is none.
#pragma once

#include <limits>

namespace Tramble {

// What the clock learns of the music at one update.
struct MusicReading {
    // False without music, and once it has ended, failed or been paused: its position then
    // says nothing about the time.
    bool playing;
    // Milliseconds of music handed to the output less the output latency: the music heard
    // lies between this and one latency later, since the output hands it over a buffer
    // (one latency) at a time. Negative before the first buffer is heard.
    long long ms;
};

class MusicClock {
public:
    // stream: the audio library's handle of the music, 0 for none. Reads the output latency.
    explicit MusicClock(unsigned int stream);

    // The timeline's milliseconds for an update whose timer delta is ms, from the stream's
    // state now.
    unsigned int update(unsigned int ms);
    // The rule of update(), for a given reading. While the music plays the timeline runs on
    // the timer but stays between the reading and one latency past it: it jumps forward to
    // the reading when behind (a main-loop stall, a slow timer) and holds when more than a
    // latency ahead (a stop of the whole process, a fast timer). Without music it runs on
    // the timer. It never runs backwards. Music whose position stands still while it says
    // it plays (a hung output) counts as lost, as if it had ended, until it moves again.
    unsigned int follow(unsigned int ms, const MusicReading& music);

    // The audio library's 32-bit stream handle.
    unsigned int stream;
    // The output latency in ms: the width of the window the music is heard in.
    long long latencyMs;
    // The timeline in ms.
    long long now = 0;

private:
    // The last reading, and how many updates and timer ms it has stood still since.
    long long lastHeardMs;
    unsigned int stillUpdates = 0;
    long long stillMs = 0;
    bool lost = false;
};

}  // namespace Tramble
