// The clock: the timer task turns the kernel's untimed passes into timed updates of its
// group, and three small timed building blocks ride on it: a schedule of callbacks, a task
// that fires once per interval, and the frame counter with its once-a-second printout.
#pragma once

#include <boost/function.hpp>
#include <iosfwd>
#include <list>

#include "engine/basictask.h"
#include "engine/kernelsys.h"

namespace Tramble {

// Measures the milliseconds between passes with SDL's tick counter and hands them to its
// group. There is no clamp and no smoothing: a stall arrives as one large step.
class TimerTask : public ITask {
public:
    bool start() override;
    void stop() override;
    void update() override;

    unsigned int lastTicks = 0;
    unsigned int elapsed = 0;
    TimeTaskGroup group;
};

// Callbacks fired when the accumulated time passes their instants. Each update covers the
// window [old now, new now): an instant on the window's start fires, one on its end waits
// for the next update, and a 0 ms update fires nothing.
class ScheduleTask : public virtual ITimeTask {
public:
    struct Event {
        unsigned int time;
        boost::function<void()> callback;
    };

    // Callbacks must not be empty: calling an empty one throws.
    void addEvent(unsigned int time, const boost::function<void()>& callback);
    void update(unsigned int ms) override;

    std::list<Event> events;
    unsigned int now = 0;
    unsigned int lastEventTime = 0;
};

// Calls fire() once whenever at least `interval` ms have accumulated; a long step that
// spans several intervals still fires once and keeps the remainder.
class IntervalTask : public virtual ITimeTask {
public:
    explicit IntervalTask(unsigned int interval) : interval(interval) {}

    void update(unsigned int ms) override;
    virtual void fire() = 0;

    unsigned int interval;
    unsigned int accumulated = 0;
};

// Counts timed updates; `fps` is the count of the last window of at least one second,
// not divided by the window's exact length.
class FpsCounter : public virtual ITimeTask {
public:
    void update(unsigned int ms) override;

    float fps = 0.0f;
    float accumulatedMs = 0.0f;
    unsigned int frames = 0;
};

// Writes "FPS: <n>" once a second, straight to its stream rather than through the log.
class FpsPrinter : public IntervalTask {
public:
    FpsPrinter(FpsCounter* counter, std::ostream* stream);

    void fire() override;

    FpsCounter* counter;
    std::ostream* stream;
};

}  // namespace Tramble
