// Default task hooks and the guarded start, stop and update shared by every task.
#include "engine/basictask.h"

#include "engine/logsys.h"

namespace Tramble {

bool IBasicTask::start() {
    return true;
}

void IBasicTask::stop() {}

bool IBasicTask::startTask() {
    if (started) {
        LOG(Warning) << "Trying to run start on already started task\n";
    }
    started = start();
    return started;
}

// `started` is deliberately left set: a stopped task still reads as started, so only a
// task whose start never succeeded warns here.
void IBasicTask::stopTask() {
    if (!started) {
        LOG(Warning) << "Trying to run stop on already stopped task\n";
    }
    stop();
}

void ITask::update() {}

void ITask::updateTask() {
    if (!started && !startTask()) {
        LOG(Error) << "Could not start task... FUCK!\n";
        return;
    }
    update();
}

void ITimeTask::update(unsigned int) {}

void ITimeTask::updateTask(unsigned int ms) {
    if (!started && !startTask()) {
        LOG(Error) << "Could not start task... FUCK!\n";
        return;
    }
    update(ms);
}

}  // namespace Tramble
