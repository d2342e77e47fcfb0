// The opening flash and the late white-out of a scene.
#include "demo/scenes/scenefades.h"

namespace Tramble {

namespace {

// Both fades run for three seconds.
const float fadeLength = 3000.0f;

}  // namespace

SceneFades::SceneFades(float fadeOutAfter)
    : fadeOutAfter(fadeOutAfter), fadeIn(fadeLength, false), fadeOut(fadeLength, true) {}

void SceneFades::update(unsigned int ms) {
    clock += static_cast<float>(ms);
    if (clock > fadeOutAfter) {
        fadeOutStarted = true;
    }
    fadeIn.update(ms);
    if (fadeOutStarted) {
        fadeOut.update(ms);
    }
}

// A flash that has cleared adds nothing: skip its full-screen blend.
void SceneFades::draw(Renderer& renderer) {
    if (fadeIn.alpha > 0.0f) {
        fadeIn.draw(renderer);
    }
    if (fadeOutStarted) {
        fadeOut.draw(renderer);
    }
}

}  // namespace Tramble
