// The wrapped SDL 1.2 audio calls. SDL's own device gets the program's audio format with the
// callback swapped for one that also shows each buffer to observe(); a hand-pulled device keeps the
// format, starts paused as SDL's does, and reports its status, so that the audio library sees
// a device that is open, playing or paused, and never lost.
#include "audiopump.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

namespace Tramble {
namespace AudioPump {

namespace {

using OpenAudioFunction = int (*)(SDL_AudioSpec*, SDL_AudioSpec*);
using PauseAudioFunction = void (*)(int);
using AudioStatusFunction = SDL_audiostatus (*)();
using VoidFunction = void (*)();

template <class Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

struct Device {
    bool open = false;
    bool paused = true;
    bool primed = false;
    int frequency = 0;
    // In frames, and the bytes of one buffer, for the hand-pulled device.
    std::uint64_t bufferFrames = 0;
    int bytesPerFrame = 0;
    std::vector<Uint8> buffer;
    std::uint64_t handedFrames = 0;
    // The program's own callback.
    void(SDLCALL* callback)(void*, Uint8*, int) = nullptr;
    void* userdata = nullptr;
};

Device device;

// The frames after which the hand-pulled device hangs, if it is to.
std::uint64_t hangAfterFrames() {
    const char* text = std::getenv("TRAMBLE_AUDIO_HANG_AFTER_MS");
    if (text == nullptr || device.frequency <= 0) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    return std::strtoull(text, nullptr, 10) * static_cast<std::uint64_t>(device.frequency) / 1000;
}

void SDLCALL watchedCallback(void*, Uint8* stream, int length) {
    device.callback(device.userdata, stream, length);
    observe(stream, length);
}

int openHandPulled(SDL_AudioSpec* desired, SDL_AudioSpec* obtained) {
    // SDL 1.2 keeps a format's bits per sample in its low byte.
    device.bytesPerFrame = desired->channels * ((desired->format & 0xFF) / 8);
    device.bufferFrames = desired->samples;
    desired->size = static_cast<Uint32>(device.bufferFrames * device.bytesPerFrame);
    desired->silence = 0;
    device.buffer.assign(desired->size, 0);
    if (obtained != nullptr) {
        *obtained = *desired;
    }
    return 0;
}

int openWatched(SDL_AudioSpec* desired, SDL_AudioSpec* obtained) {
    static const auto real = next<OpenAudioFunction>("SDL_OpenAudio");
    SDL_AudioSpec wrapped = *desired;
    wrapped.callback = watchedCallback;
    wrapped.userdata = nullptr;
    const int result = real(&wrapped, obtained);
    // Without `obtained`, SDL writes what it chose back into the format it was given.
    wrapped.callback = desired->callback;
    wrapped.userdata = desired->userdata;
    *desired = wrapped;
    if (obtained != nullptr) {
        obtained->callback = desired->callback;
        obtained->userdata = desired->userdata;
    }
    return result;
}

}  // namespace

int frequency() {
    return device.open ? device.frequency : 0;
}

void advance(std::uint64_t frames) {
    if (!pullsByHand() || !device.open || device.paused) {
        return;
    }
    if (!device.primed) {
        device.primed = true;
        frames += device.bufferFrames;
    }
    static const std::uint64_t hangAfter = hangAfterFrames();
    while (frames > 0 && device.handedFrames < hangAfter) {
        const std::uint64_t chunk = std::min(frames, device.bufferFrames);
        device.handedFrames += chunk;
        watchedCallback(nullptr, device.buffer.data(), static_cast<int>(chunk) * device.bytesPerFrame);
        frames -= chunk;
    }
}

}  // namespace AudioPump
}  // namespace Tramble

using namespace Tramble::AudioPump;

extern "C" {

__attribute__((visibility("default"))) int SDL_OpenAudio(SDL_AudioSpec* desired, SDL_AudioSpec* obtained) {
    device.callback = desired->callback;
    device.userdata = desired->userdata;
    const int result = pullsByHand() ? openHandPulled(desired, obtained) : openWatched(desired, obtained);
    device.open = result == 0;
    device.paused = true;
    device.primed = false;
    device.handedFrames = 0;
    device.frequency = obtained != nullptr ? obtained->freq : desired->freq;
    return result;
}

__attribute__((visibility("default"))) void SDL_PauseAudio(int pauseOn) {
    static const auto real = next<PauseAudioFunction>("SDL_PauseAudio");
    device.paused = pauseOn != 0;
    if (!pullsByHand()) {
        real(pauseOn);
    }
}

__attribute__((visibility("default"))) SDL_audiostatus SDL_GetAudioStatus() {
    static const auto real = next<AudioStatusFunction>("SDL_GetAudioStatus");
    if (!pullsByHand()) {
        return real();
    }
    return !device.open ? SDL_AUDIO_STOPPED : device.paused ? SDL_AUDIO_PAUSED : SDL_AUDIO_PLAYING;
}

// The hand-pulled device's callback runs on the main thread: there is no thread to lock out.
__attribute__((visibility("default"))) void SDL_LockAudio() {
    static const auto real = next<VoidFunction>("SDL_LockAudio");
    if (!pullsByHand()) {
        real();
    }
}

__attribute__((visibility("default"))) void SDL_UnlockAudio() {
    static const auto real = next<VoidFunction>("SDL_UnlockAudio");
    if (!pullsByHand()) {
        real();
    }
}

__attribute__((visibility("default"))) void SDL_CloseAudio() {
    static const auto real = next<VoidFunction>("SDL_CloseAudio");
    device.open = false;
    if (!pullsByHand()) {
        real();
    }
}

}  // extern "C"
