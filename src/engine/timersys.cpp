// The timer task, the schedule of timed callbacks, the interval task and the frame counter.
#include "engine/timersys.h"

#include <SDL.h>

#include <ostream>

#include "engine/logsys.h"

namespace Tramble {

namespace {

// The first pass's delta if it came before any measurement (start sets a real base).
const unsigned int initialElapsedMs = 10;
// The frame counter's window, in milliseconds.
const float fpsWindowMs = 1000.0f;
// The printer's interval, in milliseconds.
const unsigned int fpsPrintIntervalMs = 1000;

}  // namespace

bool TimerTask::start() {
    LOG(Info) << "Starting timer task" << std::endl;
    LogIndent indent;
    lastTicks = SDL_GetTicks();
    elapsed = initialElapsedMs;
    return group.startTask();
}

void TimerTask::stop() {
    LOG(Info) << "Stop timer task" << std::endl;
    LogIndent indent;
    group.stopTask();
}

// Unsigned subtraction keeps the delta right across the tick counter's wrap-around.
void TimerTask::update() {
    const unsigned int ticks = SDL_GetTicks();
    elapsed = ticks - lastTicks;
    lastTicks = ticks;
    group.updateTask(elapsed);
}

void ScheduleTask::addEvent(unsigned int time, const boost::function<void()>& callback) {
    events.push_back(Event{time, callback});
    if (time > lastEventTime) {
        lastEventTime = time;
    }
}

// The window is measured from its start in unsigned arithmetic, so that it stays whole when
// the clock wraps past 2^32 ms inside it.
void ScheduleTask::update(unsigned int ms) {
    const unsigned int windowStart = now;
    now += ms;
    for (const Event& event : events) {
        if (event.time - windowStart < ms) {
            event.callback();
        }
    }
}

void IntervalTask::update(unsigned int ms) {
    accumulated += ms;
    if (accumulated < interval) {
        return;
    }
    // An interval of 0 fires on every update and keeps nothing.
    accumulated = interval > 0 ? accumulated % interval : 0;
    fire();
}

void FpsCounter::update(unsigned int ms) {
    ++frames;
    accumulatedMs += static_cast<float>(ms);
    if (accumulatedMs >= fpsWindowMs) {
        fps = static_cast<float>(frames);
        accumulatedMs = 0.0f;
        frames = 0;
    }
}

FpsPrinter::FpsPrinter(FpsCounter* counter, std::ostream* stream)
    : IntervalTask(fpsPrintIntervalMs), counter(counter), stream(stream) {}

// Flushed, so the count shows once a second even when standard output is a pipe or file.
void FpsPrinter::fire() {
    *stream << "FPS: " << counter->fps << "\n" << std::flush;
}

}  // namespace Tramble
