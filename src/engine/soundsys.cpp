// The sound task over the audio library's C calls, and the beat clock, which compares the
// stream's position (less the output latency) with the beat grid of the music's tempo.
#include "engine/soundsys.h"

#include <cmath>
#include <limits>

#include "audio/bass.h"
#include "engine/logsys.h"

namespace Tramble {

namespace {

// The first real output device.
constexpr int outputDevice = 1;
constexpr float secondsPerMinute = 60.0f;
constexpr float secondsPerMillisecond = 0.001f;

}  // namespace

SoundTask::SoundTask(unsigned int frequency) : frequency(frequency) {}

bool SoundTask::start() {
    LOG(Info) << "Starting sound task" << std::endl;
    LogIndent indent;
    if (!BASS_Init(outputDevice, frequency, BASS_DEVICE_LATENCY, nullptr, nullptr)) {
        LOG(Error) << "Could not initialize\n";
        return false;
    }
    if (!BASS_Start()) {
        LOG(Error) << "Could not start\n";
        return false;
    }
    return true;
}

void SoundTask::stop() {
    LOG(Info) << "Stopping sound task" << std::endl;
    LogIndent indent;
    if (!BASS_Stop()) {
        LOG(Error) << "Could not stop\n";
    }
}

unsigned long SoundTask::streamFile(const std::string& path) {
    // Not from memory, the whole file, no flags: in particular no looping.
    const HSTREAM handle = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    // Playing handle 0 fails too, so one check covers a file that would not open.
    if (!BASS_StreamPlay(handle, 0, 0)) {
        LOG(Error) << "Could not stream file " << path << "\n";
    }
    return handle;
}

BeatClock::BeatClock(unsigned int stream, int tempo, float offset) : stream(stream) {
    BASS_INFO info{};
    info.size = sizeof(info);
    // Without an initialised output the latency stays 0.
    BASS_GetInfo(&info);
    nextBeat = info.latency * secondsPerMillisecond + offset;
    // A tempo of 0 or less has no beat grid: beatLength 0 keeps such a clock silent.
    beatLength = tempo > 0 ? secondsPerMinute / tempo : 0.0f;
}

void BeatClock::update() {
    // An invalid handle reads as -1 s, before any beat of a clock with a non-negative offset.
    advance(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream)));
}

// The beats are counted rather than stepped: once a beat is shorter than the float spacing
// at nextBeat, adding it would leave nextBeat where it was and the stepping would never end.
void BeatClock::advance(float position) {
    if (!(beatLength > 0.0f) || position < nextBeat) {
        return;
    }
    const double first = nextBeat;
    const double length = beatLength;
    const double passed = std::floor((position - first) / length) + 1.0;
    // Notifying an empty list does nothing, however many beats are left.
    for (double beat = 0.0; beat < passed && !listeners.empty(); ++beat) {
        notify();
    }
    // A next beat that rounds onto the position would be heard twice.
    nextBeat = static_cast<float>(first + passed * length);
    if (nextBeat <= position) {
        nextBeat = std::nextafter(position, std::numeric_limits<float>::infinity());
    }
}

void BeatClock::notify() {
    for (IBeatListener* listener = listeners.first(); listener != nullptr; listener = listeners.next()) {
        if (!listener->onBeat()) {
            listeners.removeCurrent();
        }
    }
}

}  // namespace Tramble
