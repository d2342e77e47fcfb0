// The picture: chosen frames read back from the window before their swap and written as PNG
// (through libpng) or as raw RGB for a video encoder; the frames nobody reads clipped to one
// pixel so that llvmpipe skips their fill; or every viewport shrunk to one pixel, so that a
// timed run shows the CPU side of a frame without the fill.
#include <GL/gl.h>
#include <dlfcn.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture.h"

namespace Tramble {
namespace Capture {

namespace {

// Frames to write as PNG: "all", or numbers and ranges separated by commas ("0,60-90").
const char* const framesVariable = "TRAMBLE_CAPTURE_FRAMES";
const char* const allFramesValue = "all";
// Where those PNGs go (the working directory when unset), as frame-NNNNNN.png.
const char* const directoryVariable = "TRAMBLE_CAPTURE_DIR";
// A file or FIFO that receives every frame as raw RGB24, top row first, for a video encoder.
const char* const videoVariable = "TRAMBLE_CAPTURE_VIDEO";
// "1": frames that are not read back are clipped to one pixel by the scissor test, so that
// llvmpipe skips their fill; the program still makes every call, and the frames read are
// drawn in full. The program never uses the scissor itself, and this library stops with an
// error if it ever finds the scissor state changed behind its back.
const char* const clipVariable = "TRAMBLE_CLIP_UNREAD";
// "1": every glViewport the program asks for becomes 1 x 1 pixel at its own corner, so that
// the fill costs next to nothing and the frame log times the program and the driver alone.
const char* const tinyViewportVariable = "TRAMBLE_TINY_VIEWPORT";
const char* const onValue = "1";
const int bytesPerPixel = 3;

using ViewportFunction = void (*)(GLint, GLint, GLsizei, GLsizei);

struct FrameRange {
    std::uint64_t first;
    std::uint64_t last;
};

struct PictureSettings {
    bool allFrames = false;
    std::vector<FrameRange> frames;
    std::string directory = ".";
    FILE* video = nullptr;
    bool clipUnread = false;
    bool tinyViewport = false;
};

bool isOn(const char* name) {
    return variable(name) != nullptr && std::string(variable(name)) == onValue;
}

void parseFrames(const std::string& text, PictureSettings& settings) {
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

PictureSettings readSettings() {
    PictureSettings settings;
    if (const char* frames = variable(framesVariable)) {
        parseFrames(frames, settings);
    }
    if (const char* directory = variable(directoryVariable)) {
        settings.directory = directory;
    }
    settings.video = openOutput(videoVariable);
    settings.clipUnread = isOn(clipVariable);
    settings.tinyViewport = isOn(tinyViewportVariable);
    return settings;
}

// Read at the first wrapped call and never destroyed, so that the exit hook can still use it.
PictureSettings* current = nullptr;

PictureSettings& settings() {
    if (current == nullptr) {
        current = new PictureSettings(readSettings());
    }
    return *current;
}

// Whether this library has clipped the frame being drawn.
bool clipping = false;

bool wantsPng(const PictureSettings& s, std::uint64_t frame) {
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

bool isRead(const PictureSettings& s, std::uint64_t frame) {
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

void writePng(const std::string& path, const std::vector<unsigned char>& rgb, int width, int height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) == 0) {
        fail("cannot write " + path + ": " + image.message);
    }
}

}  // namespace

void capturePicture(std::uint64_t frame) {
    PictureSettings& s = settings();
    if (s.clipUnread) {
        checkClipping();
    }
    const SDL_Surface* screen = SDL_GetVideoSurface();
    if (!isRead(s, frame) || screen == nullptr) {
        return;
    }
    const std::vector<unsigned char> rgb = readFrame(screen->w, screen->h);
    if (wantsPng(s, frame)) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06llu.png", static_cast<unsigned long long>(frame));
        writePng(s.directory + name, rgb, screen->w, screen->h);
    }
    if (s.video != nullptr && std::fwrite(rgb.data(), 1, rgb.size(), s.video) != rgb.size()) {
        fail(std::string("cannot write to ") + videoVariable);
    }
}

void preparePicture(std::uint64_t frame) {
    const PictureSettings& s = settings();
    if (!s.clipUnread) {
        return;
    }
    clipping = !isRead(s, frame);
    if (clipping) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 1, 1);
    } else {
        glDisable(GL_SCISSOR_TEST);
    }
}

void finishPicture() {
    if (current != nullptr && current->video != nullptr) {
        std::fclose(current->video);
        current->video = nullptr;
    }
}

}  // namespace Capture
}  // namespace Tramble

extern "C" __attribute__((visibility("default"))) void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    static const auto real = reinterpret_cast<Tramble::Capture::ViewportFunction>(dlsym(RTLD_NEXT, "glViewport"));
    const bool tiny = Tramble::Capture::settings().tinyViewport;
    real(x, y, tiny ? 1 : width, tiny ? 1 : height);
}
