// The closing scene: its credits, run by the effect group.
#include "demo/scenes/scene5.h"

#include "demo/scenes/sceneparts.h"

namespace Tramble {

Scene5::Scene5() {
    addTask(&effects);
}

void Scene5::load(TextureManager&) {
    credits = centredLines(font, creditLines);
    effects.add(credits.get());
}

void Scene5::draw(Renderer& renderer) {
    renderer.setState(RenderState());
    effects.draw(renderer);
}

}  // namespace Tramble
