// Group start with roll-back, reverse stop, ordered update, and the kernel's main loop: a
// loop of its own on the desktop, the browser's frame callback in a web page.
#include "engine/kernelsys.h"

#include <SDL.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "engine/logsys.h"

namespace Tramble {

#ifdef __EMSCRIPTEN__
namespace {

// The browser calls a plain function once per frame: it finds the kernel and what follows
// its stop here. One kernel runs at a time.
Kernel* runningKernel = nullptr;
std::function<void()> afterStop;

// One frame: a pass when one is due, then the stop once none is, so passes and stop come in
// the desktop loop's order.
void runFrame() {
    Kernel& kernel = *runningKernel;
    if (kernel.running()) {
        kernel.updateTask();
    }
    if (kernel.running()) {
        return;
    }
    emscripten_cancel_main_loop();
    kernel.stopTask();
    runningKernel = nullptr;
    // Moved out first: the call may destroy the kernel, and a new run may set another.
    const std::function<void()> stopped = std::move(afterStop);
    if (stopped) {
        stopped();
    }
}

}  // namespace
#endif

void TaskGroup::updateTask() {
    update();
    for (ITask* child = children.first(); child != nullptr; child = children.next()) {
        child->updateTask();
    }
}

void TimeTaskGroup::updateTask(unsigned int ms) {
    update(ms);
    for (ITimeTask* child = children.first(); child != nullptr; child = children.next()) {
        child->updateTask(ms);
    }
}

bool Kernel::start() {
    LOG(Info) << "Starting kernel" << std::endl;
    LogIndent indent;
    if (SDL_Init(0) == -1) {
        LOG(Error) << "Could not initialize SDL: " << SDL_GetError() << "\n";
        return false;
    }
    return true;
}

void Kernel::stop() {
    LOG(Info) << "Stopping kernel" << std::endl;
    LogIndent indent;
    SDL_Quit();
}

bool Kernel::running() const {
    return !children.empty() && (flags & haltFlag) == 0;
}

#ifdef __EMSCRIPTEN__
// The frame rate is the browser's (0: its animation frames); the call unwinds out of main.
bool Kernel::run(const std::function<void()>& stopped) {
    runningKernel = this;
    afterStop = stopped;
    emscripten_set_main_loop(runFrame, 0, 1);
    return true;
}
#else
bool Kernel::run(const std::function<void()>& stopped) {
    while (running()) {
        updateTask();
    }
    stopTask();
    if (stopped) {
        stopped();
    }
    return true;
}
#endif

}  // namespace Tramble
