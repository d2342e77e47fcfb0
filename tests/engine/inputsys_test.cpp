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
            event.key.keysym.sym = static_cast<SDLKey>(code);
        } else if (type == SDL_MOUSEMOTION) {
            event.motion.xrel = xrel;
            event.motion.yrel = yrel;
        } else {
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
    push(SDL_KEYDOWN, keyCount + 77);
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
    EXPECT_EQ(SDL_PollEvent(nullptr), 0);
}

// Pitch stops at the vertical, yaw runs on; each update moves by half the velocity per
// second of its time and halves the velocity; forward and strafe follow the yaw.
TEST(Camera, PitchStopsAtTheVerticalVelocityHalvesAndMovementFollowsYaw) {
    Camera camera;
    camera.rotate(80.0f, 400.0f, 0.0f);
    camera.rotate(80.0f, 0.0f, 0.0f);
    EXPECT_EQ(camera.angles.x, 90.0f);
    EXPECT_EQ(camera.angles.y, 400.0f);
    camera.rotate(-500.0f, 0.0f, 0.0f);
    EXPECT_EQ(camera.angles.x, -90.0f);
    camera.velocity = Vector3(4.0f, 0.0f, -8.0f);
    camera.update(500);
    EXPECT_FLOAT_EQ(camera.position.x, 2.0f);
    EXPECT_FLOAT_EQ(camera.velocity.z, -4.0f);
    const struct {
        float yaw;
        bool strafe;
        float x, z;
    } cases[] = {{0, false, 0, 10}, {90, false, -10, 0}, {0, true, -10, 0}, {90, true, 0, -10}};
    for (const auto& c : cases) {
        Camera moved;
        moved.rotate(0.0f, c.yaw, 0.0f);
        c.strafe ? moved.strafe(1.0f) : moved.moveForward(1.0f);
        EXPECT_NEAR((moved.velocity - Vector3(c.x, 0.0f, c.z)).length(), 0.0f, 1e-4f) << c.yaw << c.strafe;
    }
}

}  // namespace
}  // namespace Tramble
