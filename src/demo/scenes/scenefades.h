// The white flashes around a scene: a flash that clears over the scene's first seconds,
// and a white-out that starts once the scene's own clock has passed a threshold.
#pragma once

#include "demo/effects/screenquad.h"

namespace Tramble {

class Renderer;

class SceneFades {
public:
    // fadeOutAfter: milliseconds of the scene's updates after which the white-out starts.
    explicit SceneFades(float fadeOutAfter);

    // Advances the clock, the opening flash and, once started, the white-out.
    void update(unsigned int ms);
    // Both are drawn additively over whatever the scene has drawn so far.
    void draw(Renderer& renderer);

    float fadeOutAfter;
    // Milliseconds of updates.
    float clock = 0.0f;
    ScreenFade fadeIn;
    ScreenFade fadeOut;
    bool fadeOutStarted = false;
};

}  // namespace Tramble
