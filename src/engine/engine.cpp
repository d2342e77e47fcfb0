// Engine construction order, the log's lifetime indentation, and the quit handling.
#include "engine/engine.h"

#include <iostream>

namespace Tramble {

namespace {

// The audio output's sample rate, Hz.
const unsigned int outputFrequency = 44100;
// The window: 800 x 600, 32 bits per pixel, fullscreen.
const VideoSetup windowSetup(800, 600, 32, true);

}  // namespace

// Levels, no time, no origin: the log as the viewer's console shows it.
Engine::Engine()
    : soundTask(outputFrequency), logOutput(&std::cout, Error | Warning | Info | Notice, true, false, false) {
    LOG(Info) << "Starting engine\n";
    // Everything the engine does from here to its destruction shows one step deeper.
    logBuf.indent();
    kernel.addTask(&timerTask);
    kernel.addTask(&inputTask);
    kernel.addTask(&videoTask);
    kernel.addTask(&soundTask);
    inputTask.addReceiver(this);
    videoTask.setVideoSetup(windowSetup);
}

Engine::~Engine() {
    logBuf.unindent();
    LOG(Info) << "Stopping engine\n";
    kernel.children.clear();
}

bool Engine::recieveInput(const SDL_Event& event) {
    const bool quit = event.type == SDL_QUIT || (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE);
    if (!quit) {
        return false;
    }
    LOG(Notice) << "Caught quit event, halting\n";
    kernel.flags |= haltFlag;
    return true;
}

}  // namespace Tramble
