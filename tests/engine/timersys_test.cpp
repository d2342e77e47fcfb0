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

// Each pass covers [now, now + ms): its start fires, its end waits for the next pass.
TEST(ScheduleTask, FiresEachEventOnceInTheWindowThatHoldsIt) {
    const struct {
        const char* name;
        unsigned int start;
        std::vector<std::pair<unsigned int, std::string>> events;
        std::vector<unsigned int> steps;
        std::vector<std::string> fired;
    } cases[] = {
        {"start in, end out", 0, {{0, "a"}, {16, "b"}}, {16}, {"a"}},
        {"end fires next pass", 0, {{0, "a"}, {16, "b"}}, {16, 1}, {"a", "b"}},
        {"zero ms fires nothing", 0, {{0, "a"}}, {0}, {}},
        {"registration order",
         0,
         {{300, "c"}, {100, "a"}, {200, "b"}, {100, "a2"}},
         {1000, 1000},
         {"c", "a", "b", "a2"}},
        {"window across the wrap",
         UINT_MAX - 9,
         {{UINT_MAX - 5, "before"}, {0, "wrap"}, {5, "after"}, {6, "end"}},
         {16},
         {"before", "wrap", "after"}},
    };
    for (const auto& c : cases) {
        ScheduleTask task;
        std::vector<std::string> fired;
        for (const auto& event : c.events) {
            const std::string name = event.second;
            task.addEvent(event.first, [&fired, name] { fired.push_back(name); });
        }
        task.now = c.start;
        for (unsigned int ms : c.steps) {
            task.update(ms);
        }
        EXPECT_EQ(fired, c.fired) << c.name;
    }
}

class CountingInterval : public IntervalTask {
public:
    explicit CountingInterval(unsigned int interval) : IntervalTask(interval) {}
    void fire() override { ++fires; }
    int fires = 0;
};

TEST(IntervalTask, FiresOncePerStepThatCompletesAnIntervalAndKeepsTheRemainder) {
    const struct {
        unsigned int interval;
        std::vector<unsigned int> steps;
        int fires;
        unsigned int accumulated;
    } cases[] = {
        {1000, {2500}, 1, 500},
        {1000, {2500, 499}, 1, 999},
        {1000, {2500, 499, 1}, 2, 0},
        {0, {0, 16, 1000}, 3, 0},
    };
    for (const auto& c : cases) {
        CountingInterval task(c.interval);
        for (unsigned int ms : c.steps) {
            task.update(ms);
        }
        EXPECT_EQ(task.fires, c.fires) << c.interval << ", " << c.steps.size() << " steps";
        EXPECT_EQ(task.accumulated, c.accumulated) << c.interval << ", " << c.steps.size() << " steps";
    }
}

TEST(FpsCounter, SixteenMsFramesGiveSixtyThreeOnTheSixtyThirdFrame) {
    FpsCounter counter;
    for (int i = 0; i < 62; ++i) {
        counter.update(16);
    }
    EXPECT_EQ(counter.fps, 0.0f);
    counter.update(16);
    EXPECT_EQ(counter.fps, 63.0f);
    std::ostringstream out;
    FpsPrinter printer(&counter, &out);
    for (int i = 0; i < 3; ++i) {
        printer.update(600);
    }
    EXPECT_EQ(out.str(), "FPS: 63\n");
}

class StepRecorder : public ITimeTask {
public:
    void update(unsigned int ms) override { steps.push_back(ms); }
    std::vector<unsigned int> steps;
};

TEST(TimerTask, HandsEveryChildTheSameDeltaAcrossTheTickWrap) {
    ASSERT_EQ(SDL_Init(0), 0);
    TimerTask timer;
    StepRecorder first;
    StepRecorder second;
    timer.group.addTask(&first);
    timer.group.addTask(&second);
    ASSERT_TRUE(timer.startTask());
    timer.lastTicks = UINT_MAX - 9;
    const unsigned int before = SDL_GetTicks();
    timer.update();
    const unsigned int after = SDL_GetTicks();
    EXPECT_GE(timer.elapsed, before + 10);
    EXPECT_LE(timer.elapsed, after + 10);
    EXPECT_EQ(first.steps, std::vector<unsigned int>{timer.elapsed});
    EXPECT_EQ(second.steps, first.steps);
    timer.stopTask();
    SDL_Quit();
}

}  // namespace
}  // namespace Tramble
