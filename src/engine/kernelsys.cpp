// Group start with roll-back, reverse stop, ordered update, and the kernel's main loop.
#include "engine/kernelsys.h"

#include <SDL.h>

#include "engine/logsys.h"

namespace Tramble {

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

bool Kernel::run() {
    while (!children.empty() && (flags & haltFlag) == 0) {
        updateTask();
    }
    stopTask();
    return true;
}

}  // namespace Tramble
