// Program entry: builds the demo engine, starts its kernel, puts the scene handler and the
// five scenes on a 205-second timeline, runs the main loop and tears everything down in
// reverse order. Exit status 1 means start-up failed.
#include <signal.h>

#include "demo/demoengine.h"
#include "demo/scenes/scene1.h"
#include "demo/scenes/scene2.h"
#include "demo/scenes/scene3.h"
#include "demo/scenes/scene4.h"
#include "demo/scenes/scene5.h"
#include "demo/scenesys.h"

namespace {

// Scenes switch at once: no Starting or Stopping stage of their own length.
const unsigned int transitionTime = 0;

}  // namespace

int main(int, char**) {
    using namespace Tramble;
    // Standard output is only the console's view of the run: when it is a pipe whose reader
    // has gone, the write fails and the stream drops the line, rather than the signal ending
    // the demo. Set here, before the first line, as it holds for the whole process.
    signal(SIGPIPE, SIG_IGN);
    DemoEngine engine;
    if (!engine.kernel.startTask()) {
        return 1;
    }
    // Added after the kernel has started, so the handler's first timed update starts it.
    DemoSceneHandler handler(&engine, transitionTime);
    engine.timerTask.group.addTask(&handler);
    engine.videoTask.renderGroup.addNode(&handler);

    Scene1 opening;
    Scene2 metaballs;
    Scene3 knot;
    Scene4 trails;
    Scene5 closing;
    // The timeline in milliseconds: each scene's start and length, back to back.
    handler.addDemoScene(0, 45000, &opening);
    handler.addDemoScene(45000, 40000, &metaballs);
    handler.addDemoScene(85000, 40000, &knot);
    handler.addDemoScene(125000, 40000, &trails);
    handler.addDemoScene(165000, 40000, &closing);

    engine.kernel.run();
    return 0;
}
