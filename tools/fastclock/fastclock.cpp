// SDL_GetTicks, sped up: a preload library that hands the program SDL's own clock scaled by
// TRAMBLE_CLOCK_SCALE (a positive number, 1 when unset), counted from the first call, so
// that tests can play the 205-second timeline in a few seconds of real time. The audio
// device is pulled by hand at the same scaled rate, so the music keeps pace with the clock.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>

#include "audiopump.h"

namespace {

using GetTicks = std::uint32_t (*)();
const std::uint64_t millisecondsPerSecond = 1000;

double clockScale() {
    const char* text = std::getenv("TRAMBLE_CLOCK_SCALE");
    const double scale = text != nullptr ? std::atof(text) : 1.0;
    return scale > 0.0 ? scale : 1.0;
}

// The scaled milliseconds the audio device has been moved on to.
std::uint64_t audioMs = 0;

// The device plays the scaled time since the last call; exact in frames, whatever the steps.
void playAudioUntil(std::uint64_t scaledMs) {
    const std::uint64_t rate = static_cast<std::uint64_t>(Tramble::AudioPump::frequency());
    Tramble::AudioPump::advance(scaledMs * rate / millisecondsPerSecond - audioMs * rate / millisecondsPerSecond);
    audioMs = scaledMs;
}

}  // namespace

bool Tramble::AudioPump::pullsByHand() {
    return true;
}

extern "C" __attribute__((visibility("default"))) std::uint32_t SDL_GetTicks() {
    static const GetTicks real = reinterpret_cast<GetTicks>(dlsym(RTLD_NEXT, "SDL_GetTicks"));
    static const double scale = clockScale();
    static const std::uint32_t origin = real();
    // Scaled from the first call, so the program's clock starts where SDL's does.
    const auto scaled = static_cast<std::uint64_t>(static_cast<double>(real() - origin) * scale);
    playAudioUntil(scaled);
    return origin + static_cast<std::uint32_t>(scaled);
}
