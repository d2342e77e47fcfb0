// The clock: schedule windows, the interval task, the frame counter and printer, and the
// timer's delta across the tick counter's wrap-around.
#include "engine/timersys.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>
#include <vector>

namespace Tramble {
namespace {

// Registers named events and records the order in which they fire.
struct Schedule {
    void add(unsigned int time, const std::string& name) {
        task.addEvent(time, [this, name] { fired.push_back(name); });
    }
    ScheduleTask task;
    std::vector<std::string> fired;
};

TEST(ScheduleTask, WindowIncludesStartExcludesEnd) {
    Schedule s;
    s.add(0, "at0");
    s.add(16, "at16");
    s.task.update(16);
    EXPECT_EQ(s.fired, (std::vector<std::string>{"at0"}));
    s.task.update(1);
    EXPECT_EQ(s.fired, (std::vector<std::string>{"at0", "at16"}));
}

TEST(ScheduleTask, ZeroMsFiresNothingEvenAtTimeZero) {
    Schedule s;
    s.add(0, "at0");
    s.task.update(0);
    EXPECT_TRUE(s.fired.empty());
    s.task.update(1);
    EXPECT_EQ(s.fired, (std::vector<std::string>{"at0"}));
}

TEST(ScheduleTask, LongPassFiresInRegistrationOrderNotTimeOrder) {
    Schedule s;
    s.add(300, "late");
    s.add(100, "early");
    s.add(200, "middle");
    s.add(100, "early again");
    s.task.update(1000);
    EXPECT_EQ(s.fired, (std::vector<std::string>{"late", "early", "middle", "early again"}));
    s.task.update(1000);
    EXPECT_EQ(s.fired.size(), 4u) << "each event fires once";
}

TEST(ScheduleTask, WindowThatWrapsPast32BitsFiresTheEventsOnBothSides) {
    Schedule s;
    s.add(UINT_MAX - 5, "before");
    s.add(0, "at the wrap");
    s.add(5, "after");
    s.add(6, "at the end");
    s.task.now = UINT_MAX - 9;
    s.task.update(16);
    EXPECT_EQ(s.fired, (std::vector<std::string>{"before", "at the wrap", "after"}));
}

TEST(ScheduleTask, LastEventTimeTracksTheLargestInstant) {
    Schedule s;
    EXPECT_EQ(s.task.lastEventTime, 0u);
    s.add(500, "a");
    s.add(200, "b");
    EXPECT_EQ(s.task.lastEventTime, 500u);
}

class CountingInterval : public IntervalTask {
public:
    explicit CountingInterval(unsigned int interval) : IntervalTask(interval) {}
    void fire() override { ++fires; }
    int fires = 0;
};

// Steps in ms, then the fires and the remainder they leave.
struct IntervalCase {
    unsigned int interval;
    std::vector<unsigned int> steps;
    int fires;
    unsigned int accumulated;
};

TEST(IntervalTask, FiresOncePerStepThatCompletesAnIntervalAndKeepsTheRemainder) {
    const IntervalCase cases[] = {
        {1000, {2500}, 1, 500},
        {1000, {2500, 499}, 1, 999},
        {1000, {2500, 499, 1}, 2, 0},
        {0, {0, 16, 1000}, 3, 0},
    };
    for (const IntervalCase& c : cases) {
        SCOPED_TRACE("interval " + std::to_string(c.interval) + ", " + std::to_string(c.steps.size()) + " steps");
        CountingInterval task(c.interval);
        for (unsigned int ms : c.steps) {
            task.update(ms);
        }
        EXPECT_EQ(task.fires, c.fires);
        EXPECT_EQ(task.accumulated, c.accumulated);
    }
}

TEST(FpsCounter, SixteenMsFramesGiveSixtyThreeOnTheSixtyThirdUpdate) {
    FpsCounter counter;
    for (int i = 0; i < 62; ++i) {
        counter.update(16);
    }
    EXPECT_EQ(counter.fps, 0.0f);
    counter.update(16);
    EXPECT_EQ(counter.fps, 63.0f);
    EXPECT_EQ(counter.frames, 0u);
    EXPECT_EQ(counter.accumulatedMs, 0.0f);
}

TEST(FpsCounter, ZeroMsPassStillCountsAFrame) {
    FpsCounter counter;
    counter.update(0);
    EXPECT_EQ(counter.frames, 1u);
}

TEST(FpsPrinter, WritesCountOncePerSecond) {
    FpsCounter counter;
    counter.fps = 59.5f;
    std::ostringstream out;
    FpsPrinter printer(&counter, &out);
    printer.update(600);
    printer.update(600);
    printer.update(600);
    EXPECT_EQ(out.str(), "FPS: 59.5\n");
}

TEST(TimerTask, DeltaSurvivesTickWrapAround) {
    ASSERT_EQ(SDL_Init(0), 0);
    TimerTask timer;
    timer.lastTicks = UINT_MAX - 9;
    const unsigned int before = SDL_GetTicks();
    timer.update();
    const unsigned int after = SDL_GetTicks();
    EXPECT_GE(timer.elapsed, before + 10);
    EXPECT_LE(timer.elapsed, after + 10);
    SDL_Quit();
}

TEST(TimerTask, HandsTheSameDeltaToEveryChild) {
    ASSERT_EQ(SDL_Init(0), 0);
    TimerTask timer;
    FpsCounter first;
    FpsCounter second;
    timer.group.addTask(&first);
    timer.group.addTask(&second);
    ASSERT_TRUE(timer.startTask());
    SDL_Delay(20);
    timer.update();
    EXPECT_GE(timer.elapsed, 20u);
    EXPECT_EQ(first.accumulatedMs, static_cast<float>(timer.elapsed));
    EXPECT_EQ(second.accumulatedMs, static_cast<float>(timer.elapsed));
    timer.stopTask();
    EXPECT_TRUE(timer.group.children.empty());
    SDL_Quit();
}

}  // namespace
}  // namespace Tramble
