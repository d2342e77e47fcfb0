// Shared scene pieces: texture dressing, the specular light rig, the title and the paths.
#include "demo/scenes/sceneparts.h"

#include <SDL_opengl.h>

#include <cmath>

#include "engine/logsys.h"

namespace Tramble {

namespace {

const char* const particleSprite = "particle.jpg";

// The specular surfaces: white highlights, moderately tight.
const GLfloat surfaceSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat surfaceShininess = 20.0f;
// Two white point lights, opposite each other, far outside every scene's geometry.
const GLfloat lightSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat firstLightPosition[4] = {20.0f, 20.0f, 20.0f, 1.0f};
const GLfloat secondLightPosition[4] = {-20.0f, -20.0f, -20.0f, 1.0f};

const char* const title = "T R A M B L E D";
// The title's blue, fully opaque (the font blends additively).
const float titleColour[4] = {0.3f, 0.5f, 1.0f, 1.0f};

}  // namespace

Material textureMaterial(unsigned int texture, int texGen, int blend) {
    Material material;
    material.texture = texture;
    material.texGen = texGen;
    material.blend = blend;
    return material;
}

void loadParticleSprite(ParticleSystem& particles, TextureManager& textures, const float colour[4]) {
    particles.setMaterial(textureMaterial(textures.fetchResource(particleSprite), TexGenOff, BlendAdditive));
    particles.setColour(colour[0], colour[1], colour[2], colour[3]);
}

void loadBackdrop(ScreenQuad& backdrop, TextureManager& textures, const std::string& name) {
    backdrop.setMaterial(textureMaterial(textures.fetchResource(name), TexGenOff, 0));
}

void setupSpecularLights() {
    glMaterialfv(GL_FRONT, GL_SPECULAR, surfaceSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, surfaceShininess);
    glLightfv(GL_LIGHT1, GL_SPECULAR, lightSpecular);
    glLightfv(GL_LIGHT2, GL_SPECULAR, lightSpecular);
    glLightfv(GL_LIGHT1, GL_POSITION, firstLightPosition);
    glLightfv(GL_LIGHT2, GL_POSITION, secondLightPosition);
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHT2);
}

void drawFade(ScreenFade& fade, Renderer& renderer) {
    if (fade.alpha <= 0.0f) {
        return;
    }
    renderer.setLighting(false);
    fade.draw(renderer);
    renderer.setLighting(true);
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
