// The closing scene under a real context: the credits in order, one per four seconds, an
// empty frame after the last one, and drawing on harmlessly until the scene ends.
#include "demo/scenes/scene5.h"

#include <gtest/gtest.h>

#include <string>

#include "demo/scenes/scenetesting.h"

namespace Tramble {
namespace {

class Scene5Test : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        attach(scene, 40000);
    }

    // Frames of 20 ms, each drawn, until the scene has run `until` ms.
    FrameStats showUntil(unsigned int until) {
        FrameStats last;
        while (scene.elapsed < until) {
            scene.elapsed += 20;
            scene.updateTask(20);
            last = drawFrame(scene);
        }
        return last;
    }

    Scene5 scene;
};

TEST_F(Scene5Test, ShowsTheCreditsOneEveryFourSecondsThenNothing) {
    ASSERT_TRUE(scene.credits);
    const std::string expected[] = {"You have seen, or not...",
                                    "One of the world's smallest demos",
                                    "by kel7 and reed alt torvik and pallo",
                                    "Deadline was way to early",
                                    "but we wanted to release something",
                                    "even though we know this sux ;D",
                                    "See you next year!",
                                    "T R A M B L E",
                                    "(Notice, no big ending! :-))"};
    unsigned int lineEnd = 4000;
    for (const std::string& line : expected) {
        // Three seconds into each line it has faded in far enough to see.
        const FrameStats shown = showUntil(lineEnd - 1000);
        ASSERT_FALSE(scene.credits->lines.empty());
        EXPECT_EQ(scene.credits->lines.front(), line);
        EXPECT_GT(shown.lit, 500) << line;
        lineEnd += 4000;
    }
    const FrameStats after = showUntil(36100);
    EXPECT_TRUE(scene.credits->lines.empty());
    EXPECT_EQ(after.lit, 0) << "the last four seconds are empty";
    showUntil(40000);
    EXPECT_NE(scene.credits->flags & effectFinished, 0u);
}

TEST_F(Scene5Test, ALongFrameKeepsTheCreditsOnTime) {
    showUntil(100);
    scene.elapsed += 8000;
    scene.updateTask(8000);
    drawFrame(scene);
    EXPECT_EQ(scene.credits->lines.front(), "by kel7 and reed alt torvik and pallo");
    showUntil(12100);
    EXPECT_EQ(scene.credits->lines.front(), "Deadline was way to early");
    expectIndependenceOfThePreviousFrame(scene, false);
}

}  // namespace
}  // namespace Tramble
