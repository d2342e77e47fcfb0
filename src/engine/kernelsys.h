// Task groups and the kernel. A group starts its children in order and rolls back on the
// first failure, stops them in reverse and forgets them, and updates itself before them.
// The kernel is the root group: it owns SDL's lifetime and the main loop.
#pragma once

#include <functional>

#include "engine/basictask.h"
#include "engine/cursorlist.h"

namespace Tramble {

// The start and stop rules shared by both kinds of group; Task is ITask or ITimeTask,
// the kind of the group and of its children alike.
template <class Task>
class BasicTaskGroup : public virtual Task {
public:
    // Starts itself, then its children in order. On the first failure, the failed child and
    // every child before it are stopped, newest first; the children after it never start.
    // The group itself stays started.
    bool startTask() override {
        if (!IBasicTask::startTask()) {
            return false;
        }
        for (Task* child = children.first(); child != nullptr; child = children.next()) {
            if (!child->startTask()) {
                for (Task* done = children.current(); done != nullptr; done = children.previous()) {
                    done->stopTask();
                }
                return false;
            }
        }
        return true;
    }

    // Stops the children newest first, then itself; a stopped group has no children left.
    void stopTask() override {
        for (Task* child = children.last(); child != nullptr; child = children.previous()) {
            child->stopTask();
        }
        IBasicTask::stopTask();
        children.clear();
    }

    void addTask(Task* task) { children.append(task); }

    CursorList<Task> children;
};

// Unlike a plain task, a group never starts itself lazily: its owner starts it.
class TaskGroup : public BasicTaskGroup<ITask> {
public:
    void updateTask() override;
};

class TimeTaskGroup : public BasicTaskGroup<ITimeTask> {
public:
    void updateTask(unsigned int ms) override;
};

class Kernel : public TaskGroup {
public:
    // SDL with no subsystem: each task initialises the subsystem it needs.
    bool start() override;
    // Quits SDL: the last thing the loop's shut-down does.
    void stop() override;

    // Runs passes until the halt flag is set or no child is left, then stops the tree and
    // calls `stopped`, where the caller tears down what the tree used. The caller starts the
    // kernel first; run() starts nothing. On the desktop it returns once `stopped` has run.
    // In a browser it never returns: each pass is one of the browser's frames, control goes
    // back to the browser between them, and `stopped` is where the program goes on.
    bool run(const std::function<void()>& stopped = {});

    // True while another pass is due: no halt asked for and a child left to update.
    bool running() const;
};

}  // namespace Tramble
