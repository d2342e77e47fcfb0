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

// The spark clouds: respawned at once, thrown in every direction, pulled faintly down.
const float cloudRespawn = 0.0f;
const int cloudSpread = 360;
const Vector3 cloudJerk(0.0f, -0.01f, 0.0f);

const char* const title = "T R A M B L E D";
// The title's blue, fully opaque (the font blends additively).
const float titleColour[4] = {0.3f, 0.5f, 1.0f, 1.0f};

}  // namespace

const char* const particleSprite = "particle.jpg";

Material textureMaterial(unsigned int texture, TexGen texGen, Blend blend) {
    Material material;
    material.texture = texture;
    material.texGen = texGen;
    material.blend = blend;
    return material;
}

ParticleSettings sparkCloud(int amount, float lifespan, float speed, float size, const float colour[4]) {
    return ParticleSettings{
        amount,    lifespan, cloudRespawn, cloudSpread, Vector3(),
        Vector3(), speed,    cloudJerk,    size,        {colour[0], colour[1], colour[2], colour[3]}};
}

void loadParticleSprite(ParticleSystem& particles, TextureManager& textures) {
    particles.setMaterial(textureMaterial(textures.fetchResource(particleSprite), TexGen::Off, Blend::Additive));
}

void loadBackdrop(ScreenQuad& backdrop, TextureManager& textures, const std::string& name) {
    backdrop.setMaterial(textureMaterial(textures.fetchResource(name), TexGen::Off, Blend::Off));
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
