// Input routing: who consumes which event, held keys repeating once per pass, and events
// beyond the tables' ranges doing no harm.
#include "engine/inputsys.h"

#include <gtest/gtest.h>

#include "demo/demoengine.h"
#include "engine/camera.h"
#include "support/logcapture.h"

namespace Tramble {
namespace {

SDL_Event keyEvent(Uint8 type, int symbol) {
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.keysym.sym = static_cast<SDLKey>(symbol);
    return event;
}

SDL_Event buttonEvent(Uint8 type, Uint8 button) {
    SDL_Event event{};
    event.type = type;
    event.button.type = type;
    event.button.button = button;
    return event;
}

// Offers an event down the demo engine's chain the way the input task does.
bool offer(DemoEngine& engine, const SDL_Event& event) {
    for (IInputReceiver* receiver : engine.inputTask.receivers) {
        if (receiver->recieveInput(event)) {
            return true;
        }
    }
    return false;
}

TEST(InputChain, EscapeIsConsumedByTheEngineAndHalts) {
    LogCapture log;
    DemoEngine engine;
    EXPECT_TRUE(engine.recieveInput(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE)));
    EXPECT_TRUE(engine.kernel.flags & HaltFlag);
    EXPECT_TRUE(log.contains("=== Caught quit event, halting\n"));
    EXPECT_FALSE(engine.cameraControls.keyboard.pressed[SDLK_ESCAPE]) << "never reaches the camera controls";
}

TEST(InputChain, WindowCloseHalts) {
    DemoEngine engine;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_TRUE(offer(engine, quit));
    EXPECT_TRUE(engine.kernel.flags & HaltFlag);
}

TEST(InputChain, UnboundKeyReachesControlsAndNobodyConsumesIt) {
    DemoEngine engine;
    EXPECT_FALSE(offer(engine, keyEvent(SDL_KEYDOWN, SDLK_q)));
    EXPECT_TRUE(engine.cameraControls.keyboard.pressed[SDLK_q]);
    EXPECT_FALSE(engine.kernel.flags & HaltFlag);
}

TEST(InputChain, HeldKeyAddsOneStepPerPass) {
    DemoEngine engine;
    ASSERT_TRUE(offer(engine, keyEvent(SDL_KEYDOWN, SDLK_w)));
    for (int pass = 0; pass < 3; ++pass) {
        engine.cameraControls.updateTask();
    }
    // Yaw 0 and pitch 0 look along +z; each pass adds 10 units per second.
    EXPECT_FLOAT_EQ(engine.camera.velocity.z, 30.0f);
    ASSERT_TRUE(offer(engine, keyEvent(SDL_KEYUP, SDLK_w)));
    engine.cameraControls.updateTask();
    EXPECT_FLOAT_EQ(engine.camera.velocity.z, 30.0f);
}

TEST(InputChain, MouseButtonsAreConsumedEvenUnbound) {
    DemoEngine engine;
    EXPECT_TRUE(offer(engine, buttonEvent(SDL_MOUSEBUTTONDOWN, 1)));
    EXPECT_TRUE(engine.cameraControls.mouse.pressed[1]);
    EXPECT_TRUE(offer(engine, buttonEvent(SDL_MOUSEBUTTONUP, 1)));
    EXPECT_FALSE(engine.cameraControls.mouse.pressed[1]);
}

TEST(InputChain, MouseMotionTurnsTheCameraByHalfDegreesPerPixel) {
    DemoEngine engine;
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.xrel = 10;
    motion.motion.yrel = -4;
    EXPECT_TRUE(offer(engine, motion));
    EXPECT_FLOAT_EQ(engine.camera.angles.x, -2.0f);
    EXPECT_FLOAT_EQ(engine.camera.angles.y, 5.0f);
}

TEST(InputChain, OutOfRangeButtonsAndKeysDoNoHarm) {
    DemoEngine engine;
    MouseInput& mouse = engine.cameraControls.mouse;
    KeyboardInput& keyboard = engine.cameraControls.keyboard;
    EXPECT_TRUE(offer(engine, buttonEvent(SDL_MOUSEBUTTONDOWN, 9)));
    EXPECT_TRUE(offer(engine, buttonEvent(SDL_MOUSEBUTTONDOWN, 255)));
    EXPECT_FALSE(keyboard.recieveInput(keyEvent(SDL_KEYDOWN, 400)));
    for (bool held : mouse.pressed) {
        EXPECT_FALSE(held);
    }
    engine.cameraControls.updateTask();
}

TEST(InputTask, StopForgetsReceivers) {
    InputTask task;
    DemoEngine engine;
    task.addReceiver(&engine);
    task.stop();
    EXPECT_TRUE(task.receivers.empty());
}

TEST(Camera, PitchStaysWithinTheVertical) {
    Camera camera;
    camera.rotate(80.0f, 0.0f, 0.0f);
    camera.rotate(80.0f, 400.0f, 0.0f);
    EXPECT_EQ(camera.angles.x, 90.0f);
    EXPECT_EQ(camera.angles.y, 400.0f) << "yaw is not limited";
    camera.rotate(-500.0f, 0.0f, 0.0f);
    EXPECT_EQ(camera.angles.x, -90.0f);
}

TEST(Camera, VelocityHalvesPerTimedUpdateWhileMoving) {
    Camera camera;
    camera.velocity = Vector3(4.0f, 0.0f, -8.0f);
    camera.update(500);
    EXPECT_FLOAT_EQ(camera.position.x, 2.0f);
    EXPECT_FLOAT_EQ(camera.position.z, -4.0f);
    EXPECT_FLOAT_EQ(camera.velocity.x, 2.0f);
    EXPECT_FLOAT_EQ(camera.velocity.z, -4.0f);
}

TEST(Camera, MovementDirectionsFollowYaw) {
    Camera ahead;
    ahead.moveForward(1.0f);
    EXPECT_NEAR(ahead.velocity.x, 0.0f, 1e-5f);
    EXPECT_NEAR(ahead.velocity.z, 10.0f, 1e-5f);

    Camera turned;
    turned.rotate(0.0f, 90.0f, 0.0f);
    turned.moveForward(1.0f);
    EXPECT_NEAR(turned.velocity.x, -10.0f, 1e-5f);
    EXPECT_NEAR(turned.velocity.z, 0.0f, 1e-4f);
    turned.strafe(1.0f);
    EXPECT_NEAR(turned.velocity.z, -10.0f, 1e-4f);

    Camera side;
    side.strafe(1.0f);
    EXPECT_NEAR(side.velocity.x, -10.0f, 1e-5f);
    EXPECT_NEAR(side.velocity.z, 0.0f, 1e-5f);
}

}  // namespace
}  // namespace Tramble
