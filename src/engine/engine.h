// The engine: owns the kernel and the four standard tasks (timer, input, video, sound),
// puts the log on standard output, wires the tasks into the kernel and turns a window
// close or Escape into the kernel's halt.
#pragma once

#include "engine/inputsys.h"
#include "engine/kernelsys.h"
#include "engine/logsys.h"
#include "engine/soundsys.h"
#include "engine/timersys.h"
#include "engine/videosys.h"

namespace Tramble {

class Engine : public IInputReceiver {
public:
    // Wires everything but starts nothing: the owner starts the kernel, then runs it.
    Engine();
    // Only releases: every task must already have been stopped by the kernel.
    ~Engine() override;

    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    bool recieveInput(const SDL_Event& event) override;

    Kernel kernel;
    TimerTask timerTask;
    InputTask inputTask;
    VideoTask videoTask;
    SoundTask soundTask;
    LogOutput logOutput;
};

}  // namespace Tramble
