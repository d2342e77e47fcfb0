// The video task: owns the window, the OpenGL context and the renderer. Each pass it
// clears, draws its render group (everything on screen hangs from it) and swaps buffers.
#pragma once

#include <iosfwd>

#include "engine/kernelsys.h"
#include "engine/renderersys.h"
#include "engine/rendernode.h"

namespace Tramble {

// One window mode. Only one is held: there is no list of candidates and no fallback.
class VideoSetup {
public:
    VideoSetup() = default;
    VideoSetup(int width, int height, int bpp, bool fullscreen);

    // Opens the window in this mode; `active` tells whether that worked.
    bool use();

    int width = 800;
    int height = 600;
    int bpp = 16;
    bool fullscreen = false;
    bool active = false;
};

// "fullscreen (800x600x32)" or "nonfullscreen (640x480x16)", as the log shows it.
std::ostream& operator<<(std::ostream& out, const VideoSetup& setup);

class VideoTask : public TaskGroup {
public:
    ~VideoTask() override;

    bool start() override;
    void stop() override;
    void update() override;

    // Always true: it keeps the failing-operation shape, so a setup that could be refused
    // needs no change to its callers.
    bool setVideoSetup(const VideoSetup& setup);

    // True once start has succeeded; never reset. Nothing in the demo reads it: it is the
    // task's state for whoever embeds the engine.
    bool active = false;
    VideoSetup setup;
    Renderer renderer;
    RenderGroup renderGroup;
};

}  // namespace Tramble
