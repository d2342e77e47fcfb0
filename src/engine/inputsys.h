// Input: the input task drains SDL's event queue once per pass and offers each event to a
// chain of receivers until one consumes it. Keyboard and mouse tables map keys, buttons
// and motion to callbacks; held keys and buttons repeat their callback once per pass.
#pragma once

#include <SDL.h>

#include <boost/function.hpp>
#include <list>

#include "engine/kernelsys.h"

namespace Tramble {

class Camera;

class IInputReceiver {
public:
    virtual ~IInputReceiver() = default;
    // True when the event was consumed and should go no further.
    virtual bool recieveInput(const SDL_Event& event) = 0;
};

class InputTask : public ITask {
public:
    bool start() override;
    // Forgets every receiver: after a stop, events are drained and dropped.
    void stop() override;
    void update() override;

    void addReceiver(IInputReceiver* receiver) { receivers.push_back(receiver); }

    // Not owned; offered each event in registration order.
    std::list<IInputReceiver*> receivers;
};

// Key symbols SDL 1.2 reports: 0 to 322.
const int keyCount = 323;
// Mouse buttons the table holds: 0 to 7. Higher numbers are ignored.
const int mouseButtonCount = 8;

class KeyboardInput : public IInputReceiver, public virtual ITask {
public:
    bool recieveInput(const SDL_Event& event) override;
    // Both return whether the key is bound: only bound keys are consumed.
    virtual bool keyDown(const SDL_keysym& key);
    virtual bool keyUp(const SDL_keysym& key);
    void update() override;

    boost::function<void()> bindings[keyCount];
    bool pressed[keyCount] = {};
};

class MouseInput : public IInputReceiver, public virtual ITask {
public:
    // Every mouse event is consumed, bound or not.
    bool recieveInput(const SDL_Event& event) override;
    virtual bool buttonDown(int button);
    virtual bool buttonUp(int button);
    virtual bool mouseMotion(Sint16 x, Sint16 y);
    void update() override;

    boost::function<void(Sint16, Sint16)> motion;
    boost::function<void()> buttonBindings[mouseButtonCount];
    bool pressed[mouseButtonCount] = {};
};

// The demo's free-flying camera: w/s move, a/d strafe, mouse motion turns.
class CameraControls : public IInputReceiver, public TaskGroup {
public:
    explicit CameraControls(Camera* camera);
    ~CameraControls() override;

    bool recieveInput(const SDL_Event& event) override;

    KeyboardInput keyboard;
    MouseInput mouse;
    Camera* camera;
};

}  // namespace Tramble
