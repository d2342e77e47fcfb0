// Program entry: builds the demo engine, starts its kernel, puts the scene handler and the
// five scenes on the timeline, runs the main loop and tears everything down in
// reverse order once the kernel has stopped. Exit status 1 means start-up failed.
#include <signal.h>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#else
#include <malloc.h>
#endif

#include <memory>

#include "demo/demoengine.h"
#include "demo/scenes/scene1.h"
#include "demo/scenes/scene2.h"
#include "demo/scenes/scene3.h"
#include "demo/scenes/scene4.h"
#include "demo/scenes/scene5.h"
#include "demo/scenesys.h"
#include "demo/timeline.h"
#include "engine/logsys.h"

namespace Tramble {
namespace {

// Scenes switch at once: no Starting or Stopping stage of their own length.
const unsigned int transitionTime = 0;

#ifndef __EMSCRIPTEN__
// Allocations at least this large get their own mapping: 32 MiB, the most glibc accepts, so
// that the software driver's per-draw buffers (a few MiB) stay in the heap.
const int mmapThresholdBytes = 32 * 1024 * 1024;
// Free memory at the top of the heap is handed back to the kernel only above this: 256 MiB.
const int trimThresholdBytes = 256 * 1024 * 1024;

// The OpenGL driver frees and reallocates buffers of several MiB on every draw; with glibc's
// defaults each one goes back to the kernel and comes back as fresh zeroed pages, so a frame
// spends its time in page faults. This is a policy for the whole process, not the engine's
// (which also runs inside the test programs), so it is set here, before the window opens,
// and after the engine has built its log output, so that a failure is seen. A browser has
// no glibc: its heap is the program's own memory, grown as needed.
void keepLargeAllocations() {
    if (mallopt(M_MMAP_THRESHOLD, mmapThresholdBytes) == 0 || mallopt(M_TRIM_THRESHOLD, trimThresholdBytes) == 0) {
        LOG(Warning) << "Cannot keep large allocations in the heap: frames will be slower" << std::endl;
    }
}
#endif

// The scene handler and the five scenes, put on a started engine's timeline. Built after
// the kernel has started, so that the handler's first timed update starts it.
class DemoTimeline {
public:
    explicit DemoTimeline(DemoEngine& engine) : handler(&engine, transitionTime) {
        engine.timerTask.group.addTask(&handler);
        engine.videoTask.renderGroup.addNode(&handler);
        // In the timeline's order: each takes its slot.
        IDemoScene* const scenes[] = {&opening, &metaballs, &knot, &trails, &closing};
        static_assert(sizeof scenes / sizeof scenes[0] == sceneCount, "one scene per slot of the timeline");
        for (std::size_t i = 0; i < sceneCount; ++i) {
            handler.addDemoScene(timeline[i].start, timeline[i].length, scenes[i]);
        }
    }

    DemoSceneHandler handler;
    Scene1 opening;
    Scene2 metaballs;
    Scene3 knot;
    Scene4 trails;
    Scene5 closing;
};

// What main builds, outside main: in a browser main is gone long before the kernel stops,
// so the teardown runs from the kernel's stop, in the reverse order of building.
struct Demo {
    DemoEngine engine;
    std::unique_ptr<DemoTimeline> timeline;
};
std::unique_ptr<Demo> demo;

void tearDown() {
    demo.reset();
#ifdef __EMSCRIPTEN__
    // What returning from main does on the desktop: the runtime ends, though the browser's
    // timers would keep it going, and the page hears of it.
    emscripten_force_exit(0);
#endif
}

}  // namespace
}  // namespace Tramble

int main(int, char**) {
    using namespace Tramble;
    // Standard output is only the console's view of the run: when it is a pipe whose reader
    // has gone, the write fails and the stream drops the line, rather than the signal ending
    // the demo. Set here, before the first line, as it holds for the whole process.
    signal(SIGPIPE, SIG_IGN);
    demo = std::make_unique<Demo>();
#ifndef __EMSCRIPTEN__
    keepLargeAllocations();
#endif
    if (!demo->engine.kernel.startTask()) {
        demo.reset();
        return 1;
    }
    demo->timeline = std::make_unique<DemoTimeline>(demo->engine);
    demo->engine.kernel.run(tearDown);
    return 0;
}
