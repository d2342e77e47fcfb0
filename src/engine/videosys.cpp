// Window and context set-up, the per-pass frame, and the video subsystem's shut-down. In a
// browser the window is the page's canvas, which the page sizes: the picture follows it.
#include "engine/videosys.h"

#include <SDL.h>
#ifdef __EMSCRIPTEN__
#include <emscripten/html5.h>
#endif

#include <ostream>

#include "engine/logsys.h"

namespace Tramble {

namespace {

// Minimum OpenGL buffer formats, in bits. Stencil bits are asked for besides colour and
// depth because the knot scene cuts its window with the stencil test.
const int colourBits = 5;
const int depthBits = 16;
const int stencilBits = 8;

#ifdef __EMSCRIPTEN__
// The canvas the page draws the demo in.
const char* const canvasSelector = "#canvas";

// The canvas's drawing buffer in pixels, as the page has sized it.
void canvasSize(int& width, int& height) {
    emscripten_get_canvas_element_size(canvasSelector, &width, &height);
}
#endif

}  // namespace

VideoSetup::VideoSetup(int width, int height, int bpp, bool fullscreen)
    : width(width), height(height), bpp(bpp), fullscreen(fullscreen) {}

bool VideoSetup::use() {
    LOG(Info) << "Trying to use video setup '" << *this << "'" << std::endl;
    LogIndent indent;
    const Uint32 flags = SDL_OPENGL | (fullscreen ? SDL_FULLSCREEN : 0);
    if (SDL_SetVideoMode(width, height, bpp, flags) != nullptr) {
        active = true;
        return true;
    }
    LOG(Error) << "Could not setup\n";
    active = false;
    return false;
}

std::ostream& operator<<(std::ostream& out, const VideoSetup& setup) {
    return out << (setup.fullscreen ? "fullscreen" : "nonfullscreen") << " (" << setup.width << "x" << setup.height
               << "x" << setup.bpp << ")";
}

VideoTask::~VideoTask() {
    renderGroup.children.clear();
}

bool VideoTask::start() {
    LOG(Info) << "Starting video task" << std::endl;
    LogIndent indent;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == -1) {
        LOG(Error) << "Could not initialize video system: " << SDL_GetError() << std::endl;
        return false;
    }
#ifdef __EMSCRIPTEN__
    // A canvas with alpha lets the page show through wherever a frame leaves alpha below one,
    // and nothing we draw blends with the alpha already there.
    canvasSize(setup.width, setup.height);
#else
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, colourBits);
#endif
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, colourBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, colourBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, colourBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!setup.use()) {
        LOG(Error) << "Could not set video\n";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    // Hidden and grabbed, so relative mouse motion keeps arriving at the window's edge.
    SDL_ShowCursor(SDL_DISABLE);
    SDL_WM_GrabInput(SDL_GRAB_ON);
    renderer.initialize();
    renderer.setWindowSize(setup.width, setup.height);
    active = true;
    return true;
}

// Shutting the subsystem down closes the window and releases the cursor and the grab.
void VideoTask::stop() {
    LOG(Info) << "Stopping video task" << std::endl;
    LogIndent indent;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void VideoTask::update() {
#ifdef __EMSCRIPTEN__
    int width = 0;
    int height = 0;
    canvasSize(width, height);
    if (width != setup.width || height != setup.height) {
        setup.width = width;
        setup.height = height;
        renderer.setWindowSize(width, height);
    }
#endif
    renderer.beginFrame();
    renderGroup.draw(renderer);
    SDL_GL_SwapBuffers();
}

bool VideoTask::setVideoSetup(const VideoSetup& newSetup) {
    setup = newSetup;
    return true;
}

}  // namespace Tramble
