// The event pump, the keyboard and mouse tables, and the camera's key and mouse bindings.
#include "engine/inputsys.h"

#include <boost/bind/bind.hpp>

#include "engine/camera.h"
#include "engine/logsys.h"

namespace Tramble {

namespace {

// Camera steps per held key per pass, and degrees of turn per pixel of mouse motion.
const float moveStep = 1.0f;
const float strafeStep = 1.0f;
const float degreesPerPixel = 0.5f;

bool validKey(SDLKey symbol) {
    return symbol >= 0 && symbol < keyCount;
}
bool validButton(int button) {
    return button >= 0 && button < mouseButtonCount;
}

}  // namespace

bool InputTask::start() {
    LOG(Info) << "Starting input task" << std::endl;
    LogIndent indent;
    SDL_EnableUNICODE(1);
    return true;
}

void InputTask::stop() {
    LOG(Info) << "Stopping input task" << std::endl;
    LogIndent indent;
    receivers.clear();
}

void InputTask::update() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        for (IInputReceiver* receiver : receivers) {
            if (receiver->recieveInput(event)) {
                break;
            }
        }
    }
}

bool KeyboardInput::recieveInput(const SDL_Event& event) {
    switch (event.type) {
        case SDL_KEYDOWN: return keyDown(event.key.keysym);
        case SDL_KEYUP: return keyUp(event.key.keysym);
        default: return false;
    }
}

// Symbols outside the table are neither recorded nor consumed.
bool KeyboardInput::keyDown(const SDL_keysym& key) {
    if (!validKey(key.sym)) {
        return false;
    }
    pressed[key.sym] = true;
    return !bindings[key.sym].empty();
}

bool KeyboardInput::keyUp(const SDL_keysym& key) {
    if (!validKey(key.sym)) {
        return false;
    }
    pressed[key.sym] = false;
    return !bindings[key.sym].empty();
}

void KeyboardInput::update() {
    for (int symbol = 0; symbol < keyCount; ++symbol) {
        if (pressed[symbol] && !bindings[symbol].empty()) {
            bindings[symbol]();
        }
    }
}

bool MouseInput::recieveInput(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN: return buttonDown(event.button.button);
        case SDL_MOUSEBUTTONUP: return buttonUp(event.button.button);
        case SDL_MOUSEMOTION: return mouseMotion(event.motion.xrel, event.motion.yrel);
        default: return false;
    }
}

// Buttons beyond the table (some systems report more than eight) are consumed and ignored.
bool MouseInput::buttonDown(int button) {
    if (validButton(button)) {
        pressed[button] = true;
    }
    return true;
}

bool MouseInput::buttonUp(int button) {
    if (validButton(button)) {
        pressed[button] = false;
    }
    return true;
}

bool MouseInput::mouseMotion(Sint16 x, Sint16 y) {
    if (!motion.empty()) {
        motion(x, y);
    }
    return true;
}

void MouseInput::update() {
    for (int button = 0; button < mouseButtonCount; ++button) {
        if (pressed[button] && !buttonBindings[button].empty()) {
            buttonBindings[button]();
        }
    }
}

CameraControls::CameraControls(Camera* camera) : camera(camera) {
    keyboard.bindings[SDLK_w] = boost::bind(&Camera::moveForward, camera, moveStep);
    keyboard.bindings[SDLK_s] = boost::bind(&Camera::moveForward, camera, -moveStep);
    keyboard.bindings[SDLK_a] = boost::bind(&Camera::strafe, camera, -strafeStep);
    keyboard.bindings[SDLK_d] = boost::bind(&Camera::strafe, camera, strafeStep);
    // Vertical motion pitches, horizontal motion yaws.
    mouse.motion = [camera](Sint16 x, Sint16 y) { camera->rotate(y * degreesPerPixel, x * degreesPerPixel, 0.0f); };
    addTask(&keyboard);
    addTask(&mouse);
}

CameraControls::~CameraControls() {
    children.clear();
}

bool CameraControls::recieveInput(const SDL_Event& event) {
    if (keyboard.recieveInput(event)) {
        return true;
    }
    return mouse.recieveInput(event);
}

}  // namespace Tramble
