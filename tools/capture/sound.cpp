// The sound: every buffer the program hands the audio device, written as WAV on a fixed step
// (the video's sound track), or logged with the wall-clock time it was handed over on SDL's
// own clock (the A/V offsets of tools/figures.sh).
#include <cstdint>
#include <string>

#include "audiopump.h"
#include "capture.h"
#include "wav.h"

namespace Tramble {
namespace Capture {

namespace {

// A WAV file that receives every sample the program handed to the hand-pulled device (fixed
// step only): sample k is heard at k / rate seconds of the clock once the device has run.
const char* const audioVariable = "TRAMBLE_CAPTURE_AUDIO";
// A text file (SDL's own clock only): "rate <Hz>" once, then per device buffer "buffer
// <wall-clock ns as the program's callback returned> <frames handed to the device so far>
// <frames in the buffer>", and "sound <frame>" at the first frame that is not silent.
const char* const audioLogVariable = "TRAMBLE_AUDIO_LOG";
// The device format the demo opens: stereo signed 16-bit.
const int audioChannels = 2;
const int bytesPerSample = 2;

struct SoundSettings {
    FILE* audio = nullptr;
    FILE* audioLog = nullptr;
};

SoundSettings readSettings() {
    SoundSettings settings;
    if (realClock()) {
        settings.audioLog = openOutput(audioLogVariable);
    } else {
        settings.audio = openOutput(audioVariable);
    }
    // The header goes in when the length is known, at the end.
    if (settings.audio != nullptr && std::fseek(settings.audio, wavHeaderBytes, SEEK_SET) != 0) {
        fail(std::string("cannot seek in ") + audioVariable);
    }
    return settings;
}

// Read at the first buffer and never destroyed, so that the exit hook can still use it.
SoundSettings* current = nullptr;

// The device's rate, sample frames handed to it so far, and whether one was not silent.
int audioRate = 0;
std::uint64_t audioFrames = 0;
bool soundHeard = false;

void logBuffer(FILE* log, const Uint8* buffer, std::uint64_t frames) {
    if (audioFrames == 0) {
        std::fprintf(log, "rate %d\n", audioRate);
    }
    const auto* samples = reinterpret_cast<const std::int16_t*>(buffer);
    for (std::uint64_t i = 0; !soundHeard && i < frames * audioChannels; ++i) {
        if (samples[i] != 0) {
            soundHeard = true;
            std::fprintf(log, "sound %llu\n", static_cast<unsigned long long>(audioFrames + i / audioChannels));
        }
    }
    std::fprintf(log, "buffer %llu %llu %llu\n", static_cast<unsigned long long>(wallClockNanoseconds()),
                 static_cast<unsigned long long>(audioFrames + frames), static_cast<unsigned long long>(frames));
}

}  // namespace

void finishSound() {
    if (current == nullptr) {
        return;
    }
    if (current->audio != nullptr) {
        const auto header = wavHeader(static_cast<std::uint32_t>(audioRate), audioChannels, audioFrames);
        std::rewind(current->audio);
        std::fwrite(header.data(), 1, header.size(), current->audio);
        std::fclose(current->audio);
        current->audio = nullptr;
    }
    if (current->audioLog != nullptr) {
        std::fclose(current->audioLog);
        current->audioLog = nullptr;
    }
}

}  // namespace Capture

// Runs on SDL's audio thread on SDL's own clock, on the main thread otherwise; only it writes
// the two files until the exit hook closes them.
void AudioPump::observe(const Uint8* buffer, int bytes) {
    using namespace Capture;
    if (current == nullptr) {
        current = new SoundSettings(readSettings());
    }
    const std::uint64_t frames = static_cast<std::uint64_t>(bytes) / (audioChannels * bytesPerSample);
    if (current->audio != nullptr && std::fwrite(buffer, 1, bytes, current->audio) != static_cast<size_t>(bytes)) {
        fail(std::string("cannot write to ") + audioVariable);
    }
    if (audioFrames == 0) {
        audioRate = AudioPump::frequency();
    }
    if (current->audioLog != nullptr) {
        logBuffer(current->audioLog, buffer, frames);
    }
    audioFrames += frames;
}

}  // namespace Tramble
