// Frame-exact capture of the real demo, a preload library: the program's clock on a fixed
// step per frame (or SDL's own, sped up or not) with the audio device pulled in step, chosen
// frames read back as PNG or video, the sound as WAV or a timed log. This file wraps the
// swap that ends each frame: it logs frame times, queues a quit on request and, at exit,
// closes what the parts opened (capture.h).
#include "capture.h"

#include <GL/gl.h>
#include <dlfcn.h>
#include <time.h>

#include <cstdlib>
#include <fstream>

namespace Tramble {
namespace Capture {

namespace {

// A text file: "frame <n> <program clock ms> <wall-clock ns>" per frame, "peak_rss_kb <k>" at exit.
const char* const frameLogVariable = "TRAMBLE_FRAME_LOG";
// "<frame>:escape" or "<frame>:close": right after that frame, queue an Escape key press or
// a window close, the two quit events the program knows.
const char* const quitVariable = "TRAMBLE_QUIT_AT";
const char* const escapeValue = "escape";
const char* const closeValue = "close";
// Prefix of this library's own messages on standard error.
const char* const messagePrefix = "tramble-capture: ";
const std::uint64_t nanosecondsPerSecond = 1000000000ULL;

using SwapBuffersFunction = void (*)();

struct FrameSettings {
    FILE* frameLog = nullptr;
    bool quitRequested = false;
    std::uint64_t quitFrame = 0;
    SDL_Event quitEvent{};
};

void parseQuit(const std::string& text, FrameSettings& settings) {
    const std::string::size_type colon = text.find(':');
    const std::string kind = colon == std::string::npos ? "" : text.substr(colon + 1);
    if (kind == escapeValue) {
        settings.quitEvent.type = SDL_KEYDOWN;
        settings.quitEvent.key.state = SDL_PRESSED;
        settings.quitEvent.key.keysym.sym = SDLK_ESCAPE;
    } else if (kind == closeValue) {
        settings.quitEvent.type = SDL_QUIT;
    } else {
        fail(std::string("bad ") + quitVariable + " '" + text + "': want <frame>:escape or <frame>:close");
    }
    settings.quitRequested = true;
    settings.quitFrame = std::strtoull(text.c_str(), nullptr, 10);
}

FrameSettings readSettings() {
    FrameSettings settings;
    if (const char* quit = variable(quitVariable)) {
        parseQuit(quit, settings);
    }
    settings.frameLog = openOutput(frameLogVariable);
    return settings;
}

// Read at the first swap and never destroyed, so that the exit hook can still use it.
FrameSettings* current = nullptr;

FrameSettings& settings() {
    if (current == nullptr) {
        current = new FrameSettings(readSettings());
    }
    return *current;
}

// The process's peak resident set (VmHWM) in kB, 0 when /proc does not say.
long peakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kilobytes = 0;
            status >> kilobytes;
            return kilobytes;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

// Runs when the program exits, after its own teardown: the peak memory of the whole run.
__attribute__((destructor)) void finish() {
    if (current != nullptr && current->frameLog != nullptr) {
        std::fprintf(current->frameLog, "peak_rss_kb %ld\n", peakResidentKilobytes());
        std::fclose(current->frameLog);
        current->frameLog = nullptr;
    }
    finishPicture();
    finishSound();
}

}  // namespace

void fail(const std::string& message) {
    std::fprintf(stderr, "%s%s\n", messagePrefix, message.c_str());
    std::exit(EXIT_FAILURE);
}

const char* variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

FILE* openOutput(const char* name) {
    const char* path = variable(name);
    if (path == nullptr) {
        return nullptr;
    }
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        fail(std::string("cannot open ") + name + " '" + path + "'");
    }
    return file;
}

std::uint64_t wallClockNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * nanosecondsPerSecond + static_cast<std::uint64_t>(now.tv_nsec);
}

}  // namespace Capture
}  // namespace Tramble

using namespace Tramble::Capture;

extern "C" __attribute__((visibility("default"))) void SDL_GL_SwapBuffers() {
    static const auto real = reinterpret_cast<SwapBuffersFunction>(dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers"));
    FrameSettings& s = settings();
    const std::uint64_t frame = frameNumber();
    capturePicture(frame);
    // A timed frame ends when its drawing has finished, not when the driver has queued it.
    if (s.frameLog != nullptr) {
        glFinish();
    }
    real();
    if (s.frameLog != nullptr) {
        std::fprintf(s.frameLog, "frame %llu %u %llu\n", static_cast<unsigned long long>(frame), programMs(),
                     static_cast<unsigned long long>(wallClockNanoseconds()));
    }
    if (s.quitRequested && frame == s.quitFrame) {
        SDL_PushEvent(&s.quitEvent);
    }
    nextFrame();
    preparePicture(frame + 1);
}
