// The task interfaces: everything that runs is a task that can be started, stopped and
// updated, either once per pass (ITask) or with the milliseconds since the last pass
// (ITimeTask). The guarded *Task() operations add the start/stop warnings and lazy start.
#pragma once

namespace Tramble {

// Bit 0 of IBasicTask::flags: on the kernel it ends the main loop after the current pass.
const unsigned int haltFlag = 1;

class IBasicTask {
public:
    virtual ~IBasicTask() = default;

    // The task's own start-up and shut-down; defaults succeed and do nothing.
    virtual bool start();
    virtual void stop();
    // Guarded versions: warn on a start while started or a stop while never started,
    // then do it anyway. `started` keeps the result of the last start().
    virtual bool startTask();
    virtual void stopTask();

    unsigned int flags = 0;
    bool started = false;
};

class ITask : public IBasicTask {
public:
    virtual void update();
    // Starts the task lazily if needed; a failed start skips this pass's update.
    virtual void updateTask();
};

class ITimeTask : public IBasicTask {
public:
    virtual void update(unsigned int ms);
    virtual void updateTask(unsigned int ms);
};

}  // namespace Tramble
