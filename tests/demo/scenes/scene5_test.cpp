// The closing scene under a real context: the credits in order, one per four seconds also
// across a long frame, an empty frame after the last one, and drawing on harmlessly until
// the scene ends.
#include "demo/scenes/scene5.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "demo/scenes/scenetesting.h"
#include "demo/timeline.h"

namespace Tramble {
namespace {

class Scene5Test : public SceneTest {};

TEST_F(Scene5Test, ShowsTheCreditsOneEveryFourSecondsThenNothing) {
    Scene5 scene;
    attach(scene, timeline[4].length);
    ASSERT_TRUE(scene.credits);
    const char* const* expected = Scene5::creditLines;
    // Frames of 20 ms, each drawn; one of 8 s from 3 s lands 3 s into the third line.
    Lit last;
    auto showUntil = [&](unsigned int until) {
        while (scene.elapsed < until) {
            const unsigned int ms = scene.elapsed == 3000 ? 8000 : 20;
            scene.elapsed += ms;
            scene.updateTask(ms);
            last = drawFrame(scene);
        }
    };
    for (int line = 0; line < static_cast<int>(std::size(Scene5::creditLines)); ++line) {
        // Three seconds into each line it has faded in far enough to see.
        showUntil(4000 * line + 3000);
        ASSERT_FALSE(scene.credits->lines.empty());
        EXPECT_EQ(scene.credits->lines.front(), expected[line == 1 ? 2 : line]);
        EXPECT_GT(last.pixels, 500) << line;
    }
    expectIndependenceOfThePreviousFrame(scene, false);
    showUntil(36100);
    EXPECT_TRUE(scene.credits->lines.empty());
    EXPECT_EQ(last.pixels, 0) << "the last four seconds are empty";
    showUntil(40000);
    EXPECT_NE(scene.credits->flags & effectFinished, 0u);
}

}  // namespace
}  // namespace Tramble
