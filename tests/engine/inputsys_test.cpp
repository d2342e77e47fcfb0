// Input routing through SDL's real event queue: who consumes which event, and events beyond
// the tables' ranges doing no harm.
#include "engine/inputsys.h"

#include <gtest/gtest.h>

#include "demo/demoengine.h"
#include "support/glcontext.h"
#include "support/logcapture.h"

namespace Tramble {
namespace {

// Queues events as SDL does and lets the engine's input task drain them in one pass.
class InputChain : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        SDL_Event stale;
        while (SDL_PollEvent(&stale)) {
        }
    }
    void push(Uint8 type, int code, Sint16 xrel = 0, Sint16 yrel = 0) {
        SDL_Event event{};
        event.type = type;
        if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
            event.key.type = type;
            event.key.keysym.sym = static_cast<SDLKey>(code);
        } else if (type == SDL_MOUSEMOTION) {
            event.motion.xrel = xrel;
            event.motion.yrel = yrel;
        } else {
            event.button.type = type;
            event.button.button = static_cast<Uint8>(code);
        }
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    DemoEngine engine;
    KeyboardInput& keyboard = engine.cameraControls.keyboard;
    MouseInput& mouse = engine.cameraControls.mouse;
};

TEST_F(InputChain, EveryQueuedEventGoesDownTheChainUntilConsumed) {
    LogCapture log;
    push(SDL_KEYDOWN, SDLK_q);
    push(SDL_MOUSEMOTION, 0, 10, -4);
    push(SDL_MOUSEBUTTONDOWN, 3);
    push(SDL_MOUSEBUTTONDOWN, 255);
    push(SDL_KEYDOWN, SDLK_ESCAPE);
    engine.inputTask.update();
    EXPECT_TRUE(keyboard.pressed[SDLK_q]) << "unbound keys reach the controls";
    // Half a degree per pixel: vertical motion pitches, horizontal motion yaws.
    EXPECT_FLOAT_EQ(engine.camera.angles.x, -2.0f);
    EXPECT_FLOAT_EQ(engine.camera.angles.y, 5.0f);
    EXPECT_TRUE(mouse.pressed[3]);
    EXPECT_TRUE(engine.kernel.flags & haltFlag);
    EXPECT_FALSE(keyboard.pressed[SDLK_ESCAPE]) << "the engine consumes escape";
    EXPECT_TRUE(log.contains("=== Caught quit event, halting\n"));
    SDL_Event left;
    EXPECT_EQ(SDL_PollEvent(&left), 0);
}

}  // namespace
}  // namespace Tramble
