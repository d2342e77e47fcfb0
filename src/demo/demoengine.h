// The demo engine: the engine plus what the demo needs on top of it — the free-flying
// camera steered by keyboard and mouse, and the frame counter printed once a second.
#pragma once

#include "engine/camera.h"
#include "engine/engine.h"
#include "engine/inputsys.h"
#include "engine/timersys.h"

namespace Tramble {

class DemoEngine : public Engine {
public:
    DemoEngine();
    ~DemoEngine() override;

    Camera camera;
    CameraControls cameraControls;
    FpsCounter fpsCounter;
    FpsPrinter fpsPrinter;
};

}  // namespace Tramble
