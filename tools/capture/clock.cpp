// The program's clock: SDL_GetTicks on a fixed step per frame, so that frame n shows the
// timeline at exactly n times the step; or SDL's own clock; or SDL's own sped up, so that a
// test plays the 205-second timeline in seconds. On any clock but SDL's own, the audio
// device is pulled by hand in step with it, so the music keeps pace with the picture.
#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "audiopump.h"
#include "capture.h"

namespace Tramble {
namespace Capture {

namespace {

// Milliseconds the clock advances per frame: a number or a fraction ("1000/60", the default:
// frame n shows the timeline at n/60 s), or "real" for SDL's own clock.
const char* const frameMsVariable = "TRAMBLE_FRAME_MS";
const char* const defaultFrameMs = "1000/60";
const char* const realClockValue = "real";
// On SDL's own clock: how many times faster it runs, counted from the program's first call
// (a positive number, 1 when unset).
const char* const scaleVariable = "TRAMBLE_CLOCK_SCALE";
const std::uint64_t millisecondsPerSecond = 1000;

using GetTicksFunction = Uint32 (*)();

struct ClockSettings {
    bool realClock = false;
    // The step as an exact fraction, so the clock never drifts: clock(n) = n * num / den.
    std::uint64_t stepNumerator = 1000;
    std::uint64_t stepDenominator = 60;
    double scale = 1.0;
};

ClockSettings readSettings() {
    ClockSettings settings;
    const std::string text = variable(frameMsVariable) != nullptr ? variable(frameMsVariable) : defaultFrameMs;
    if (text == realClockValue) {
        settings.realClock = true;
        const char* scale = variable(scaleVariable);
        settings.scale = scale != nullptr ? std::atof(scale) : 1.0;
        if (settings.scale <= 0.0) {
            fail(std::string("bad ") + scaleVariable + " '" + scale + "': want a positive number");
        }
        return settings;
    }
    const std::string::size_type slash = text.find('/');
    char* end = nullptr;
    settings.stepNumerator = std::strtoull(text.c_str(), &end, 10);
    settings.stepDenominator = slash == std::string::npos ? 1 : std::strtoull(text.c_str() + slash + 1, nullptr, 10);
    if (settings.stepNumerator == 0 || settings.stepDenominator == 0 || (slash == std::string::npos && *end != '\0')) {
        fail(std::string("bad ") + frameMsVariable + " '" + text + "': want a whole number of ms, a fraction or real");
    }
    return settings;
}

const ClockSettings& settings() {
    static const ClockSettings read = readSettings();
    return read;
}

std::uint64_t frame = 0;
// The first and the latest clock values handed to the program.
bool clockStarted = false;
Uint32 firstTicks = 0;
Uint32 latestTicks = 0;
// The clock the audio device has been moved on to, in ms times the denominator it was given in.
std::uint64_t audioClock = 0;

// The device plays up to `clock` / `denominator` ms: exact in sample frames however the steps
// divide the rate, at the rate of the device open now.
void playAudioUntil(std::uint64_t clock, std::uint64_t denominator) {
    const std::uint64_t rate = static_cast<std::uint64_t>(AudioPump::frequency());
    const std::uint64_t perSecond = denominator * millisecondsPerSecond;
    AudioPump::advance(clock * rate / perSecond - audioClock * rate / perSecond);
    audioClock = clock;
}

}  // namespace

std::uint64_t frameNumber() {
    return frame;
}

Uint32 programMs() {
    return latestTicks - firstTicks;
}

bool realClock() {
    return settings().realClock;
}

void nextFrame() {
    ++frame;
    if (!settings().realClock) {
        playAudioUntil(frame * settings().stepNumerator, settings().stepDenominator);
    }
}

}  // namespace Capture

bool AudioPump::pullsByHand() {
    return !Capture::settings().realClock || Capture::settings().scale != 1.0;
}

}  // namespace Tramble

using namespace Tramble::Capture;

extern "C" __attribute__((visibility("default"))) Uint32 SDL_GetTicks() {
    static const auto real = reinterpret_cast<GetTicksFunction>(dlsym(RTLD_NEXT, "SDL_GetTicks"));
    const ClockSettings& s = settings();
    Uint32 ticks = 0;
    if (!s.realClock) {
        ticks = static_cast<Uint32>(frame * s.stepNumerator / s.stepDenominator);
    } else if (s.scale == 1.0) {
        ticks = real();
    } else {
        // Scaled from the first call, so the program's clock starts where SDL's does.
        static const Uint32 origin = real();
        const auto scaled = static_cast<std::uint64_t>(static_cast<double>(real() - origin) * s.scale);
        playAudioUntil(scaled, 1);
        ticks = origin + static_cast<Uint32>(scaled);
    }
    if (!clockStarted) {
        clockStarted = true;
        firstTicks = ticks;
    }
    latestTicks = ticks;
    return ticks;
}
