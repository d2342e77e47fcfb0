// Third-party leaks, fenced off for LeakSanitizer in the sanitizer build's runs of the demo:
// a preload library in front of SDL_SetVideoMode and dlclose. The leaks' stacks end inside
// SDL2's allocator or in a driver unloaded before the leak check, so no suppression could
// name them without hiding leaks of ours too.
#include <SDL.h>
#include <dlfcn.h>
#include <sanitizer/lsan_interface.h>

namespace {

using SetVideoModeFunction = SDL_Surface* (*)(int, int, int, Uint32);

}  // namespace

extern "C" {

// sdl12-compat never frees the screen surface, and SDL 1.2 forbids the caller to free it:
// the surface and what hangs from it (its format and palette) are not our leak.
__attribute__((visibility("default"))) SDL_Surface* SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    static const auto real = reinterpret_cast<SetVideoModeFunction>(dlsym(RTLD_NEXT, "SDL_SetVideoMode"));
    SDL_Surface* screen = real(width, height, bpp, flags);
    if (screen != nullptr) {
        __lsan_ignore_object(screen);
    }
    return screen;
}

// Mesa's GLX driver is unloaded when the video subsystem shuts down, and what its globals
// held then looks lost, with stacks into a module that no longer exists. Kept loaded, as
// libraries are at exit, the driver's memory stays reachable and only true leaks remain.
__attribute__((visibility("default"))) int dlclose(void*) {
    return 0;
}

}  // extern "C"
