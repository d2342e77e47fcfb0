// The opening flash and the late white-out of a scene.
#include "demo/scenes/scenefades.h"

#include "demo/scenes/sceneparts.h"

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

void SceneFades::draw(Renderer& renderer) {
    drawFade(fadeIn, renderer);
    if (fadeOutStarted) {
        drawFade(fadeOut, renderer);
    }
}

}  // namespace Tramble
