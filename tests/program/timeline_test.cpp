// The whole demo from outside, on a clock sped up twenty times by the fastclock preload
// library: every scene change in order, the halt at the end of the timeline, the stop
// sequence with the scenes' unloading, and a clean exit with status 0.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/process.h"

namespace Tramble {
namespace {

// The demo's 205 seconds play in about ten at this speed.
const char* const clockScale = "20";
// Real seconds the sped-up run may take before the test calls it a hang.
const double runSeconds = 180.0;

std::string fastclockLibrary() {
    return std::string(TRAMBLE_BINARY_DIR) + "/tools/fastclock/libtramble_fastclock.so";
}

// Where each needle is found, in this order; npos from the first one that is missing.
std::string::size_type findInOrder(const std::string& text, const std::vector<std::string>& needles) {
    std::string::size_type at = 0;
    for (const std::string& needle : needles) {
        at = text.find(needle, at);
        if (at == std::string::npos) {
            ADD_FAILURE() << "missing, or out of order: \"" << needle << "\"";
            return at;
        }
        at += needle.size();
    }
    return at;
}

int count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

TEST(Timeline, TheWholeDemoPlaysEverySceneInOrderAndExitsCleanly) {
    struct stat info;
    ASSERT_EQ(stat(fastclockLibrary().c_str(), &info), 0)
        << "build the tramble_fastclock target (tools/fastclock) first: " << fastclockLibrary();
    XServer x(true);
    ASSERT_TRUE(x.ready());
    // A sanitizer build wants its runtime first among the libraries; the preloaded clock
    // comes before it and is harmless to it.
    const char* asan = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0";
    const RunResult run = runProgram({trambleBinary()},
                                     {{"DISPLAY", x.display},
                                      {"SDL_AUDIODRIVER", "dummy"},
                                      {"LD_PRELOAD", fastclockLibrary()},
                                      {"TRAMBLE_CLOCK_SCALE", clockScale},
                                      {"ASAN_OPTIONS", asanOptions}},
                                     runSeconds);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 0) << run.output;

    // Frame counts may come between any two lines: each stage line is a needle of its own.
    const std::string starting = "    === Running state 1 during length 0\n";
    const std::string running = "    === Running state 3 during length 40000\n";
    const std::string stopping = "    === Running state 2 during length 0\n";
    const std::string stopped = "    === Running state 0 during length 0\n";
    findInOrder(run.output, {
                                "    === Adding scene from 0 to 45000\n",
                                "    === Adding scene from 45000 to 85000\n",
                                "    === Adding scene from 85000 to 125000\n",
                                "    === Adding scene from 125000 to 165000\n",
                                "    === Adding scene from 165000 to 205000\n",
                                "    === Starting demo scene handler\n",
                                "    --- Fetching resource 'fontmap.jpg'\n",
                                starting,
                                running,
                                stopping,
                                stopped,  // Scene2
                                starting,
                                running,
                                stopping,
                                stopped,  // Scene3
                                starting,
                                running,
                                stopping,
                                stopped,  // Scene4
                                "    === No scenes left, exiting\n",
                                "    --- Stopping sound task\n",
                                "    --- Stopping video task\n",
                                "    --- Stopping input task\n",
                                "    --- Stop timer task\n",
                                "        === Stopping demo scene handler\n",
                                "        --- Dropping resource 'back.jpg'\n",
                                "        --- Dropping resource 'particle.jpg'\n",
                                "    --- Stopping kernel\n",
                                "--- Stopping engine\n",
                            });
    EXPECT_EQ(count(run.output, "Running state "), 12) << "only the three middle scenes log their stages";
    EXPECT_EQ(count(run.output, "No scenes left, exiting"), 1);
    EXPECT_GT(count(run.output, "FPS: "), 0);
    EXPECT_EQ(count(run.output, "*** "), 0) << "no error on the way: every texture and the music load";
    EXPECT_EQ(count(run.output, "+++ "), 0) << "no warning either";
}

}  // namespace
}  // namespace Tramble
