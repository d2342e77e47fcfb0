// SDL_GetTicks, sped up: a preload library that hands the program SDL's own clock scaled by
// TRAMBLE_CLOCK_SCALE (a positive number, 1 when unset), counted from the first call, so
// that tests can play the 205-second timeline in a few seconds of real time.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>

namespace {

using GetTicks = std::uint32_t (*)();

double clockScale() {
    const char* text = std::getenv("TRAMBLE_CLOCK_SCALE");
    const double scale = text != nullptr ? std::atof(text) : 1.0;
    return scale > 0.0 ? scale : 1.0;
}

}  // namespace

extern "C" std::uint32_t SDL_GetTicks() {
    static const GetTicks real = reinterpret_cast<GetTicks>(dlsym(RTLD_NEXT, "SDL_GetTicks"));
    static const double scale = clockScale();
    static const std::uint32_t origin = real();
    // Scaled from the first call, so the program's clock starts where SDL's does.
    return origin +
           static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<double>(real() - origin) * scale));
}
