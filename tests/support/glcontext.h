// A real OpenGL context for tests: one 800 x 600 SDL window per test process (under Xvfb
// with Mesa's llvmpipe in CI). Each test starts from the GL state the last one found and
// leaves it restored, so tests do not leak state into one another.
#pragma once

#include <gtest/gtest.h>

#include <vector>

namespace Tramble {

// Window size of the test context: the engine's own mode, windowed.
const int testWindowWidth = 800;
const int testWindowHeight = 600;

// Opens the window on first use; false (with the reason printed) if there is no display
// or no OpenGL visual. The window lives until the process exits or SDL is quit.
bool openTestWindow();

// RGB pixels of the back buffer, bottom row first, as glReadPixels gives them.
std::vector<unsigned char> readFrame(int x = 0, int y = 0, int width = testWindowWidth, int height = testWindowHeight);

// Saves every attribute, both matrix stacks' tops and the client arrays in SetUp, and
// restores them in TearDown. A test fails (never skips) when no context can be made:
// the test command always provides a display.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace Tramble
