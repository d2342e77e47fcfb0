// What every scene test needs: a real context with the renderer set up as the video task
// sets it, the demo's textures and font, a camera, and the handler's part of driving a scene
// (loading it, moving its clock, drawing it behind the camera and reading the frame back).
#pragma once

#include <string>
#include <vector>

#include "demo/scenesys.h"
#include "engine/bitmapfont.h"
#include "engine/camera.h"
#include "engine/renderersys.h"
#include "engine/texturemanager.h"
#include "support/glcontext.h"

namespace Tramble {

// Brightness statistics of the 3D band of a frame.
struct FrameStats {
    // Pixels with any channel above a dark threshold.
    int lit = 0;
    // Mean of all channels, 0 to 255.
    double brightness = 0.0;
    int pixels = 0;
};

class SceneTest : public GLTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // What the handler does at its start and at the scene's start time.
    void attach(IDemoScene& scene, unsigned int length);
    // Timed updates of step ms, as the handler gives them, until the scene has been active
    // for `until` ms.
    void runUntil(IDemoScene& scene, unsigned int until, unsigned int step);
    // One frame as the video task draws it; fails the test on a GL error.
    FrameStats drawFrame(IDemoScene& scene);
    // A few frames of fixed steps, each drawn and checked for errors and blankness.
    void playFrames(IDemoScene& scene, int frames, unsigned int step);
    // The frame must not depend on the state another scene's draw left the renderer in, and,
    // for a scene that steers the camera, an update must put back a camera moved elsewhere.
    void expectIndependenceOfThePreviousFrame(IDemoScene& scene, bool steersCamera);

    Renderer renderer;
    TextureManager textures{&renderer};
    BitmapFont font;
    Camera camera;
};

// Mean red, green and blue (0 to 255) of the pixels of a frame region that are not dark.
struct Colour {
    double r = 0.0, g = 0.0, b = 0.0;
};
Colour litColour(const std::vector<unsigned char>& rgb);

// RGB pixels of the 800 x 400 band at (0, 100) where the 3D picture is drawn.
std::vector<unsigned char> bandPixels();
// Statistics of that band.
FrameStats bandStats();

}  // namespace Tramble
