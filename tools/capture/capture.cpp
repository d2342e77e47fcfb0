// Frame-exact capture of the real demo: a preload library in front of SDL_GetTicks and
// SDL_GL_SwapBuffers that advances the program's clock by a fixed step per frame, pulls the
// audio device by hand in step with it (tools/audiopump), reads chosen frames back from the
// window, writes the sound, and logs frame times or queues a quit on request. On the real
// clock it leaves the device to SDL and can log when each buffer was handed to it. It can
// also shrink every viewport to one pixel, so that a timed run shows the CPU side of a frame
// without the fill.
#include <GL/gl.h>
#include <SDL.h>
#include <dlfcn.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "audiopump.h"
#include "png.h"

namespace {

// Milliseconds the clock advances per frame: a number or a fraction ("1000/60", the default:
// frame n shows the timeline at n/60 s), or "real" to leave SDL's clock alone.
const char* const frameMsVariable = "TRAMBLE_FRAME_MS";
const char* const defaultFrameMs = "1000/60";
const char* const realClockValue = "real";
// Frames to write as PNG: "all", or numbers and ranges separated by commas ("0,60-90").
const char* const framesVariable = "TRAMBLE_CAPTURE_FRAMES";
const char* const allFramesValue = "all";
// Where those PNGs go (the working directory when unset), as frame-NNNNNN.png.
const char* const directoryVariable = "TRAMBLE_CAPTURE_DIR";
// A file or FIFO that receives every frame as raw RGB24, top row first, for a video encoder.
const char* const videoVariable = "TRAMBLE_CAPTURE_VIDEO";
// A text file: "frame <n> <program clock ms> <wall-clock ns>" per frame, "peak_rss_kb <k>" at exit.
const char* const frameLogVariable = "TRAMBLE_FRAME_LOG";
// A WAV file that receives every sample the program handed to the hand-pulled device (fixed
// clock only): sample k is heard at k / rate seconds of the clock once the device has run.
const char* const audioVariable = "TRAMBLE_CAPTURE_AUDIO";
// A text file (real clock only): "rate <Hz>" once, then per device buffer "buffer <wall-clock
// ns as the program's callback returned> <frames handed to the device so far> <frames in the
// buffer>", and "sound <frame>" at the first frame that is not silent.
const char* const audioLogVariable = "TRAMBLE_AUDIO_LOG";
// "<frame>:escape" or "<frame>:close": right after that frame, queue an Escape key press or
// a window close, the two quit events the program knows.
const char* const quitVariable = "TRAMBLE_QUIT_AT";
const char* const escapeValue = "escape";
const char* const closeValue = "close";
// "1": frames that are not read back are clipped to one pixel by the scissor test, so that
// llvmpipe skips their fill; the program still makes every call, and the frames read are
// drawn in full. The program never uses the scissor itself, and this library stops with an
// error if it ever finds the scissor state changed behind its back.
const char* const clipVariable = "TRAMBLE_CLIP_UNREAD";
// "1": every glViewport the program asks for becomes 1 x 1 pixel at its own corner, so that
// the fill costs next to nothing and the frame log times the program and the driver alone.
const char* const tinyViewportVariable = "TRAMBLE_TINY_VIEWPORT";
// Prefix of this library's own messages on standard error.
const char* const messagePrefix = "tramble-capture: ";
const std::uint64_t nanosecondsPerSecond = 1000000000ULL;
const std::uint64_t millisecondsPerSecond = 1000;
const int bytesPerPixel = 3;
// The device format the demo opens: stereo signed 16-bit.
const int audioChannels = 2;
const int bytesPerSample = 2;
// A canonical WAV header: RIFF, "fmt " of 16 bytes and "data".
const long wavHeaderBytes = 44;

using GetTicksFunction = Uint32 (*)();
using SwapBuffersFunction = void (*)();
using ViewportFunction = void (*)(GLint, GLint, GLsizei, GLsizei);

struct FrameRange {
    std::uint64_t first;
    std::uint64_t last;
};

struct Settings {
    bool realClock = false;
    // The step as an exact fraction, so the clock never drifts: clock(n) = n * num / den.
    std::uint64_t stepNumerator = 1000;
    std::uint64_t stepDenominator = 60;
    bool allFrames = false;
    std::vector<FrameRange> frames;
    std::string directory = ".";
    FILE* video = nullptr;
    FILE* frameLog = nullptr;
    FILE* audio = nullptr;
    FILE* audioLog = nullptr;
    bool clipUnread = false;
    bool tinyViewport = false;
    bool quitRequested = false;
    std::uint64_t quitFrame = 0;
    SDL_Event quitEvent{};
};

void fail(const std::string& message) {
    std::fprintf(stderr, "%s%s\n", messagePrefix, message.c_str());
    std::exit(EXIT_FAILURE);
}

void parseStep(const std::string& text, Settings& settings) {
    if (text == realClockValue) {
        settings.realClock = true;
        return;
    }
    const std::string::size_type slash = text.find('/');
    char* end = nullptr;
    settings.stepNumerator = std::strtoull(text.c_str(), &end, 10);
    settings.stepDenominator = slash == std::string::npos ? 1 : std::strtoull(text.c_str() + slash + 1, nullptr, 10);
    if (settings.stepNumerator == 0 || settings.stepDenominator == 0 || (slash == std::string::npos && *end != '\0')) {
        fail(std::string("bad ") + frameMsVariable + " '" + text + "': want a whole number of ms, a fraction or real");
    }
}

void parseFrames(const std::string& text, Settings& settings) {
    if (text == allFramesValue) {
        settings.allFrames = true;
        return;
    }
    std::string::size_type at = 0;
    while (at < text.size()) {
        std::string::size_type comma = text.find(',', at);
        if (comma == std::string::npos) {
            comma = text.size();
        }
        const std::string item = text.substr(at, comma - at);
        char* end = nullptr;
        FrameRange range{};
        range.first = std::strtoull(item.c_str(), &end, 10);
        range.last = *end == '-' ? std::strtoull(end + 1, &end, 10) : range.first;
        if (item.empty() || *end != '\0' || range.last < range.first) {
            fail(std::string("bad ") + framesVariable + " item '" + item + "'");
        }
        settings.frames.push_back(range);
        at = comma + 1;
    }
}

void parseQuit(const std::string& text, Settings& settings) {
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

FILE* openOutput(const char* variable) {
    const char* path = *variable != '\0' ? std::getenv(variable) : nullptr;
    if (path == nullptr || *path == '\0') {
        return nullptr;
    }
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        fail(std::string("cannot open ") + variable + " '" + path + "'");
    }
    return file;
}

bool readTinyViewport() {
    const char* tiny = std::getenv(tinyViewportVariable);
    return tiny != nullptr && std::string(tiny) == "1";
}

Settings readSettings() {
    Settings settings;
    const char* step = std::getenv(frameMsVariable);
    parseStep(step != nullptr && *step != '\0' ? step : defaultFrameMs, settings);
    if (const char* frames = std::getenv(framesVariable)) {
        parseFrames(frames, settings);
    }
    if (const char* directory = std::getenv(directoryVariable); directory != nullptr && *directory != '\0') {
        settings.directory = directory;
    }
    if (const char* quit = std::getenv(quitVariable); quit != nullptr && *quit != '\0') {
        parseQuit(quit, settings);
    }
    if (const char* clip = std::getenv(clipVariable)) {
        settings.clipUnread = std::string(clip) == "1";
    }
    settings.tinyViewport = readTinyViewport();
    settings.video = openOutput(videoVariable);
    settings.frameLog = openOutput(frameLogVariable);
    settings.audio = openOutput(settings.realClock ? "" : audioVariable);
    settings.audioLog = openOutput(settings.realClock ? audioLogVariable : "");
    if (settings.audio != nullptr && std::fseek(settings.audio, wavHeaderBytes, SEEK_SET) != 0) {
        fail(std::string("cannot seek in ") + audioVariable);
    }
    return settings;
}

// Read at the first wrapped call and never destroyed, so that the exit hook can still use it.
Settings* current = nullptr;

void observeAudio(const Uint8* buffer, int bytes);

Settings& settings() {
    if (current == nullptr) {
        current = new Settings(readSettings());
        Tramble::AudioPump::setObserver(observeAudio);
    }
    return *current;
}

// The device's rate, sample frames handed to it so far, and whether one was not silent.
int audioRate = 0;
std::uint64_t audioFrames = 0;
bool soundHeard = false;

std::uint64_t wallClockNanoseconds();

// Called on SDL's audio thread on the real clock, on the main thread otherwise; only it
// writes the two audio files until the exit hook closes them.
void observeAudio(const Uint8* buffer, int bytes) {
    Settings& s = *current;
    const std::uint64_t frames = static_cast<std::uint64_t>(bytes) / (audioChannels * bytesPerSample);
    if (s.audio != nullptr && std::fwrite(buffer, 1, bytes, s.audio) != static_cast<size_t>(bytes)) {
        fail(std::string("cannot write to ") + audioVariable);
    }
    if (audioFrames == 0) {
        audioRate = Tramble::AudioPump::frequency();
    }
    if (s.audioLog != nullptr) {
        if (audioFrames == 0) {
            std::fprintf(s.audioLog, "rate %d\n", audioRate);
        }
        const auto* samples = reinterpret_cast<const std::int16_t*>(buffer);
        for (std::uint64_t i = 0; !soundHeard && i < frames * audioChannels; ++i) {
            if (samples[i] != 0) {
                soundHeard = true;
                std::fprintf(s.audioLog, "sound %llu\n",
                             static_cast<unsigned long long>(audioFrames + i / audioChannels));
            }
        }
        std::fprintf(s.audioLog, "buffer %llu %llu %llu\n", static_cast<unsigned long long>(wallClockNanoseconds()),
                     static_cast<unsigned long long>(audioFrames + frames), static_cast<unsigned long long>(frames));
    }
    audioFrames += frames;
}

void putLittleEndian(unsigned char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// Fills in the header that readSettings() left room for, now that the length is known.
void finishWav(FILE* file) {
    const auto rate = static_cast<std::uint32_t>(audioRate);
    const auto dataBytes = static_cast<std::uint32_t>(audioFrames * audioChannels * bytesPerSample);
    unsigned char header[wavHeaderBytes] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    putLittleEndian(header + 4, dataBytes + wavHeaderBytes - 8, 4);
    putLittleEndian(header + 16, 16, 4);
    putLittleEndian(header + 20, 1, 2);  // PCM
    putLittleEndian(header + 22, audioChannels, 2);
    putLittleEndian(header + 24, rate, 4);
    putLittleEndian(header + 28, rate * audioChannels * bytesPerSample, 4);
    putLittleEndian(header + 32, audioChannels * bytesPerSample, 2);
    putLittleEndian(header + 34, 8 * bytesPerSample, 2);
    std::memcpy(header + 36, "data", 4);
    putLittleEndian(header + 40, dataBytes, 4);
    std::rewind(file);
    std::fwrite(header, 1, sizeof header, file);
}

// The number of the frame being drawn: how many swaps the program has asked for so far.
std::uint64_t frameNumber = 0;
// Whether this library has clipped the frame being drawn.
bool clipping = false;
// The first and the latest clock values handed to the program: their difference is the
// program's own clock, the sum of its timer deltas.
bool clockStarted = false;
Uint32 firstTicks = 0;
Uint32 latestTicks = 0;

bool wantsPng(const Settings& s, std::uint64_t frame) {
    if (s.allFrames) {
        return true;
    }
    for (const FrameRange& range : s.frames) {
        if (frame >= range.first && frame <= range.last) {
            return true;
        }
    }
    return false;
}

bool isRead(const Settings& s, std::uint64_t frame) {
    return s.video != nullptr || wantsPng(s, frame);
}

// The scissor state must be what this library left: otherwise the program uses the scissor
// test itself, and clipping would change what it draws.
void checkClipping() {
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    const bool enabled = glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
    if (enabled != clipping || (clipping && (box[0] != 0 || box[1] != 0 || box[2] != 1 || box[3] != 1))) {
        fail(std::string("the program changes the scissor test itself: run it without ") + clipVariable);
    }
}

void clipNextFrame(const Settings& s) {
    clipping = !isRead(s, frameNumber);
    if (clipping) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 1, 1);
    } else {
        glDisable(GL_SCISSOR_TEST);
    }
}

// The frame about to be shown, top row first, read before the swap from the buffer drawn.
std::vector<unsigned char> readFrame(int width, int height) {
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    std::vector<unsigned char> bottomUp(rowBytes * height);
    GLint alignment = 0;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    std::vector<unsigned char> topDown(bottomUp.size());
    for (int y = 0; y < height; ++y) {
        std::memcpy(topDown.data() + y * rowBytes, bottomUp.data() + (height - 1 - y) * rowBytes, rowBytes);
    }
    return topDown;
}

void captureFrame(Settings& s) {
    const bool png = wantsPng(s, frameNumber);
    const SDL_Surface* screen = SDL_GetVideoSurface();
    if (!isRead(s, frameNumber) || screen == nullptr) {
        return;
    }
    const std::vector<unsigned char> rgb = readFrame(screen->w, screen->h);
    if (png) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(frameNumber));
        if (!Tramble::writePng(s.directory + name, rgb.data(), screen->w, screen->h)) {
            fail("cannot write " + s.directory + name);
        }
    }
    if (s.video != nullptr && std::fwrite(rgb.data(), 1, rgb.size(), s.video) != rgb.size()) {
        fail(std::string("cannot write to ") + videoVariable);
    }
}

std::uint64_t wallClockNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * nanosecondsPerSecond + static_cast<std::uint64_t>(now.tv_nsec);
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
    if (current == nullptr) {
        return;
    }
    Settings& s = *current;
    if (s.frameLog != nullptr) {
        std::fprintf(s.frameLog, "peak_rss_kb %ld\n", peakResidentKilobytes());
        std::fclose(s.frameLog);
        s.frameLog = nullptr;
    }
    if (s.video != nullptr) {
        std::fclose(s.video);
        s.video = nullptr;
    }
    if (s.audio != nullptr) {
        finishWav(s.audio);
        std::fclose(s.audio);
        s.audio = nullptr;
    }
    if (s.audioLog != nullptr) {
        std::fclose(s.audioLog);
        s.audioLog = nullptr;
    }
}

// The device plays up to frame's clock: exactly rate * clock(frame) / 1000 frames in all,
// however the step divides the rate.
void playAudioUntilFrame(const Settings& s, std::uint64_t frame) {
    const std::uint64_t rate = static_cast<std::uint64_t>(Tramble::AudioPump::frequency());
    const std::uint64_t perFrame = s.stepDenominator * millisecondsPerSecond;
    Tramble::AudioPump::advance(frame * s.stepNumerator * rate / perFrame -
                                (frame - 1) * s.stepNumerator * rate / perFrame);
}

}  // namespace

bool Tramble::AudioPump::pullsByHand() {
    return !settings().realClock;
}

extern "C" {

__attribute__((visibility("default"))) Uint32 SDL_GetTicks() {
    static const auto real = reinterpret_cast<GetTicksFunction>(dlsym(RTLD_NEXT, "SDL_GetTicks"));
    const Settings& s = settings();
    const Uint32 ticks = s.realClock ? real() : static_cast<Uint32>(frameNumber * s.stepNumerator / s.stepDenominator);
    if (!clockStarted) {
        clockStarted = true;
        firstTicks = ticks;
    }
    latestTicks = ticks;
    return ticks;
}

__attribute__((visibility("default"))) void SDL_GL_SwapBuffers() {
    static const auto real = reinterpret_cast<SwapBuffersFunction>(dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers"));
    Settings& s = settings();
    if (s.clipUnread) {
        checkClipping();
    }
    captureFrame(s);
    // A timed frame ends when its drawing has finished, not when the driver has queued it.
    if (s.frameLog != nullptr) {
        glFinish();
    }
    real();
    if (s.frameLog != nullptr) {
        std::fprintf(s.frameLog, "frame %llu %u %llu\n", static_cast<unsigned long long>(frameNumber),
                     latestTicks - firstTicks, static_cast<unsigned long long>(wallClockNanoseconds()));
    }
    if (s.quitRequested && frameNumber == s.quitFrame) {
        SDL_PushEvent(&s.quitEvent);
    }
    ++frameNumber;
    if (!s.realClock) {
        playAudioUntilFrame(s, frameNumber);
    }
    if (s.clipUnread) {
        clipNextFrame(s);
    }
}

__attribute__((visibility("default"))) void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    static const auto real = reinterpret_cast<ViewportFunction>(dlsym(RTLD_NEXT, "glViewport"));
    const bool tiny = settings().tinyViewport;
    real(x, y, tiny ? 1 : width, tiny ? 1 : height);
}

}  // extern "C"
