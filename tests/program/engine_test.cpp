// The real binary from outside: it starts, runs and stops with the log nested as designed,
// quits on Escape with status 0, and fails cleanly with status 1 when there is no display
// or no OpenGL.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/process.h"

namespace Tramble {
namespace {

// Seconds a start-up or shut-down may take before the test calls it a hang.
const double startSeconds = 60.0;
const double stopSeconds = 30.0;

// True when every needle appears in text, in this order.
bool inOrder(const std::string& text, const std::vector<std::string>& needles) {
    std::string::size_type at = 0;
    for (const std::string& needle : needles) {
        at = text.find(needle, at);
        if (at == std::string::npos) {
            return false;
        }
        at += needle.size();
    }
    return true;
}

const Environment silentAudio{{"SDL_AUDIODRIVER", "dummy"}};

TEST(Program, EscapeQuitsCleanlyWithTheFullStopSequence) {
    XServer x(true);
    ASSERT_TRUE(x.ready());
    Environment env = silentAudio;
    env.emplace_back("DISPLAY", x.display);
    ChildProcess demo({trambleBinary()}, env);
    ASSERT_TRUE(demo.waitForOutput("FPS: ", startSeconds)) << demo.output();
    runProgram({"xdotool", "key", "Escape"}, {{"DISPLAY", x.display}}, 10.0);
    ASSERT_TRUE(demo.wait(stopSeconds)) << demo.output();
    EXPECT_EQ(demo.exitCode, 0) << demo.output();
    EXPECT_TRUE(inOrder(demo.output(),
                        {
                            "--- Starting engine\n",
                            "    --- Starting demo engine\n",
                            "    --- Starting kernel\n",
                            "    --- Starting timer task\n",
                            "    --- Starting input task\n",
                            "    --- Starting video task\n",
                            "        --- Trying to use video setup 'fullscreen (800x600x32)'\n",
                            "        --- Initializing renderer\n",
                            "    --- Starting sound task\n",
                            "    === Caught quit event, halting\n",
                            "    --- Stopping sound task\n",
                            "    --- Stopping video task\n",
                            "    --- Stopping input task\n",
                            "    --- Stop timer task\n",
                            "    --- Stopping kernel\n",
                            "--- Stopping engine\n",
                        }))
        << demo.output();
}

TEST(Program, DisplayWithoutOpenGLFailsWithStatusOne) {
    XServer x(false);
    ASSERT_TRUE(x.ready());
    Environment env = silentAudio;
    env.emplace_back("DISPLAY", x.display);
    const RunResult run = runProgram({trambleBinary()}, env, startSeconds);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(inOrder(run.output,
                        {
                            "    --- Starting video task\n",
                            "        --- Trying to use video setup 'fullscreen (800x600x32)'\n",
                            "            *** Could not setup\n",
                            "        *** Could not set video\n",
                            "    +++ Trying to run stop on already stopped task\n",
                            "    --- Stopping video task\n",
                            "    --- Stopping input task\n",
                            "    --- Stop timer task\n",
                            "--- Stopping engine\n",
                        }))
        << run.output;
    EXPECT_EQ(run.output.find("Starting sound task"), std::string::npos);
    EXPECT_EQ(run.output.find("Stopping kernel"), std::string::npos) << "SDL is not quit on this path";
}

TEST(Program, NoDisplayFailsWithStatusOne) {
    Environment env = silentAudio;
    env.emplace_back("DISPLAY", "");
    env.emplace_back("WAYLAND_DISPLAY", "");
    env.emplace_back("SDL_VIDEODRIVER", "x11");
    const RunResult run = runProgram({trambleBinary()}, env, startSeconds);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(inOrder(run.output, {"    --- Starting video task\n", "        *** Could not initialize video system: ",
                                     "    --- Stopping input task\n", "    --- Stop timer task\n"}))
        << run.output;
}

TEST(Program, NoAudioDeviceFailsWithStatusOne) {
    XServer x(true);
    ASSERT_TRUE(x.ready());
    const RunResult run =
        runProgram({trambleBinary()}, {{"DISPLAY", x.display}, {"SDL_AUDIODRIVER", "no-such-driver"}}, startSeconds);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(inOrder(run.output, {"    --- Starting sound task\n", "        *** Could not initialize\n",
                                     "    --- Stopping sound task\n", "    --- Stopping video task\n",
                                     "    --- Stopping input task\n", "    --- Stop timer task\n"}))
        << run.output;
}

}  // namespace
}  // namespace Tramble
