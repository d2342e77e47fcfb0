// Demo engine wiring: the camera goes first in the timer's group and the render group, so
// scenes updated and drawn after it see the world through it.
#include "demo/demoengine.h"

#include <iostream>

#include "engine/logsys.h"

namespace Tramble {

DemoEngine::DemoEngine() : cameraControls(&camera), fpsPrinter(&fpsCounter, &std::cout) {
    LOG(Info) << "Starting demo engine" << std::endl;
    LogIndent indent;
    inputTask.addReceiver(&cameraControls);
    kernel.addTask(&cameraControls);
    videoTask.renderGroup.addNode(&camera);
    timerTask.group.addTask(&camera);
    timerTask.group.addTask(&fpsCounter);
    timerTask.group.addTask(&fpsPrinter);
}

// The groups hold pointers to members about to go: empty them before the members die.
DemoEngine::~DemoEngine() {
    timerTask.group.children.clear();
    videoTask.renderGroup.children.clear();
    kernel.children.clear();
    inputTask.receivers.clear();
}

}  // namespace Tramble
