// The sound task, which owns the audio output, and the beat clock, which turns the music's
// play position into beats for its listeners. Playback itself runs inside the audio library;
// the same position also steers the timeline, through the music clock (musicclock.h).
#pragma once

#include <string>

#include "engine/basictask.h"
#include "engine/cursorlist.h"

namespace Tramble {

class SoundTask : public ITask {
public:
    // frequency: the output sample rate in Hz.
    explicit SoundTask(unsigned int frequency);

    // Opens and starts the output; false (logged) if the library cannot.
    bool start() override;
    // Stops the output. The library stays initialised and streams stay alive.
    void stop() override;

    // Streams and plays the file from its start, once. Returns the stream handle, 0 (logged)
    // when the file cannot be played. The stream is never released.
    unsigned long streamFile(const std::string& path);

    unsigned int frequency;
};

class IBeatListener {
public:
    virtual ~IBeatListener() = default;
    // One beat of the music has passed. Returning false unregisters the listener.
    virtual bool onBeat() = 0;
};

class BeatClock : public ITask {
public:
    // stream: the handle whose position is read; tempo in beats per minute (a clock with a tempo
    // of 0 or less never beats); offset in seconds of stream position before the first beat,
    // on top of the output latency.
    BeatClock(unsigned int stream, int tempo, float offset);

    // Notifies the listeners of every beat the stream's position has passed.
    void update() override;
    // The beat stepping of update(), for a given stream position in seconds: notifies once for
    // each beat at or before it, so a late call catches up on all the beats it missed.
    void advance(float position);

    // Not owned; a listener stays registered until its onBeat() returns false.
    void addListener(IBeatListener* listener) { listeners.append(listener); }

    // The audio library's 32-bit stream handle (what streamFile() returned).
    unsigned int stream;
    CursorList<IBeatListener> listeners;
    // Seconds of stream position: the next beat, and the time between beats.
    float nextBeat;
    float beatLength;

private:
    void notify();
};

}  // namespace Tramble
