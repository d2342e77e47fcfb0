// Shared scene pieces: texture dressing, spark clouds, the specular light rig, the title and
// the paths.
#include "demo/scenes/sceneparts.h"

#include <cmath>

#include "engine/logsys.h"

namespace Tramble {

namespace {

// The specular surfaces: white highlights, moderately tight, from two white point lights
// opposite each other, far outside every scene's geometry.
const SpecularLights specularLights = {{1.0f, 1.0f, 1.0f, 1.0f},
                                       20.0f,
                                       {1.0f, 1.0f, 1.0f, 1.0f},
                                       {{20.0f, 20.0f, 20.0f, 1.0f}, {-20.0f, -20.0f, -20.0f, 1.0f}}};

const char* const title = "T R A M B L E D";
// The title's blue, fully opaque (the font blends additively).
const float titleColour[4] = {0.3f, 0.5f, 1.0f, 1.0f};

}  // namespace

const char* const particleSprite = "particle.jpg";

Material textureMaterial(unsigned int texture, int texGen, int blend) {
    Material material;
    material.texture = texture;
    material.texGen = texGen;
    material.blend = blend;
    return material;
}

void loadParticleSprite(ParticleSystem& particles, TextureManager& textures, const float colour[4]) {
    const unsigned int sprite = textures.fetchResource(particleSprite);
    particles.setColour(colour[0], colour[1], colour[2], colour[3]);
    particles.setMaterial(textureMaterial(sprite, texGenOff, blendAdditive));
}

void loadBackdrop(ScreenQuad& backdrop, TextureManager& textures, const std::string& name) {
    backdrop.setMaterial(textureMaterial(textures.fetchResource(name), texGenOff, blendOff));
}

namespace {

// Unlit and without depth writes: additive sprites never hide one another, and a fade hides
// nothing drawn after it.
void drawOver(RenderNode& node, Renderer& renderer) {
    RenderState over = renderer.state();
    over.lighting = false;
    over.depthWrite = false;
    const ScopedState scope(renderer, over);
    node.draw(renderer);
}

}  // namespace

void drawSprites(ParticleSystem& particles, Renderer& renderer) {
    drawOver(particles, renderer);
}

void drawBackdrop(ScreenQuad& backdrop, Renderer& renderer) {
    RenderState behind = renderer.state();
    behind.lighting = false;
    behind.depthTest = false;
    const ScopedState scope(renderer, behind);
    backdrop.draw(renderer);
}

void drawFade(ScreenFade& fade, Renderer& renderer) {
    if (fade.alpha > 0.0f) {
        drawOver(fade, renderer);
    }
}

SceneFades::SceneFades(float fadeOutAfter)
    : fadeOutAfter(fadeOutAfter), fadeIn(flashLength, false), fadeOut(flashLength, true) {}

void SceneFades::updateFades(unsigned int ms) {
    clock += static_cast<float>(ms);
    if (clock > fadeOutAfter) {
        fadeOutStarted = true;
    }
    fadeIn.update(ms);
    if (fadeOutStarted) {
        fadeOut.update(ms);
    }
}

void SceneFades::drawFades(Renderer& renderer) {
    drawFade(fadeIn, renderer);
    if (fadeOutStarted) {
        drawFade(fadeOut, renderer);
    }
}

void setupSpecularLights(Renderer& renderer) {
    renderer.setSpecularLights(specularLights);
}

void printTitle(BitmapFont& font, Renderer& renderer) {
    for (int c = 0; c < 4; ++c) {
        font.material.colour[c] = titleColour[c];
    }
    font.printAligned(title, Right, Bottom, renderer);
}

Vector3 orbitPath(float a, float radius) {
    return Vector3(std::sin(a), std::cos(a), std::cos(std::sin(a))) * radius;
}

Vector3 sparkPath(float a, float radius) {
    return Vector3(std::sin(2.0f * a), std::cos(3.0f * a), std::cos(2.0f * a)) * radius;
}

void logStage(SceneStage stage, unsigned int length) {
    LOG(Notice) << "Running state " << static_cast<int>(stage) << " during length " << length << "\n";
}

}  // namespace Tramble
