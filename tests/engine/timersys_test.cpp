// The clock's tasks: which pass fires which scheduled event, in which order, across the tick
// counter's wrap; and the interval task's remainder.
#include "engine/timersys.h"

#include <gtest/gtest.h>

#include <climits>
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
        {"registration order", 0, {{300, "c"}, {100, "a"}, {200, "b"}, {100, "d"}}, {1000, 1000}, {"c", "a", "b", "d"}},
        {"the wrap", UINT_MAX - 9, {{UINT_MAX - 5, "a"}, {0, "b"}, {5, "c"}, {6, "d"}}, {16}, {"a", "b", "c"}},
    };
    for (const auto& c : cases) {
        ScheduleTask task;
        std::vector<std::string> fired;
        for (const auto& event : c.events) {
            task.addEvent(event.first, [&fired, name = event.second] { fired.push_back(name); });
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
    using IntervalTask::IntervalTask;
    void fire() override { ++fires; }
    int fires = 0;
};

// 2500 ms fire once and leave 500 ms, which 499 ms do not complete and 1 ms more does; an
// interval of 0 fires on every step.
TEST(IntervalTask, FiresOncePerStepThatCompletesAnIntervalAndKeepsTheRemainder) {
    for (const unsigned int interval : {1000u, 0u}) {
        CountingInterval task(interval);
        for (unsigned int ms : {2500u, 499u, 1u}) {
            task.update(ms);
        }
        EXPECT_EQ(task.fires, interval == 0 ? 3 : 2) << interval;
    }
}

}  // namespace
}  // namespace Tramble
