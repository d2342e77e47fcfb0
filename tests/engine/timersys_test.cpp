// The schedule: which pass fires which event, in which order.
#include "engine/timersys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace Tramble {
namespace {

// Each pass covers [now, now + ms): its start fires, its end waits for the next pass.
TEST(ScheduleTask, FiresEachEventOnceInTheWindowThatHoldsIt) {
    const struct {
        const char* name;
        std::vector<std::pair<unsigned int, std::string>> events;
        std::vector<unsigned int> steps;
        std::vector<std::string> fired;
    } cases[] = {
        {"start in, end out", {{0, "a"}, {16, "b"}}, {16}, {"a"}},
        {"end fires next pass", {{0, "a"}, {16, "b"}}, {16, 1}, {"a", "b"}},
        {"zero ms fires nothing", {{0, "a"}}, {0}, {}},
        {"registration order", {{300, "c"}, {100, "a"}, {200, "b"}, {100, "d"}}, {1000, 1000}, {"c", "a", "b", "d"}},
    };
    for (const auto& c : cases) {
        ScheduleTask task;
        std::vector<std::string> fired;
        for (const auto& event : c.events) {
            const std::string name = event.second;
            task.addEvent(event.first, [&fired, name] { fired.push_back(name); });
        }
        for (unsigned int ms : c.steps) {
            task.update(ms);
        }
        EXPECT_EQ(fired, c.fired) << c.name;
    }
}

}  // namespace
}  // namespace Tramble
