// The particle scene: the trails' flight, the circling camera, and the additive draw.
#include "demo/scenes/scene4.h"

#include <SDL_opengl.h>

#include <cmath>

#include "demo/scenes/sceneparts.h"

namespace Tramble {

namespace {

// Every trail: respawned at once, thrown in every direction from its emitter, with a
// faint pull downwards; blue.
const float trailRespawn = 0.0f;
const int trailSpread = 360;
const Vector3 trailDirection(0.0f, 0.0f, 0.0f);
const Vector3 trailStart(0.0f, 0.0f, 0.0f);
const Vector3 trailJerk(0.0f, -0.01f, 0.0f);
const float trailColour[4] = {0.3f, 0.3f, 1.0f, 1.0f};
// Per trail: particles, their life in seconds, how fast they are thrown, their size.
const int trailAmounts[Scene4::TrailCount] = {1000, 600, 400};
const float trailLifespans[Scene4::TrailCount] = {5.0f, 8.0f, 5.0f};
const float trailSpeeds[Scene4::TrailCount] = {1.0f, 2.05f, 0.15f};
const float trailSizes[Scene4::TrailCount] = {0.9f, 1.0f, 0.5f};
// How far the flying emitters reach out: the long and the short axis of their paths.
const float longReach = 36.0f;
const float midReach = 18.0f;
const float shortReach = 9.0f;

// Radians of animation per millisecond.
const float angleSpeed = 0.002f;
// The camera circles at unit distance.
const float cameraDistance = 1.0f;
const Vector3 cameraTarget(0.0f, 0.0f, 0.0f);
// The white-out would start after 50 s of updates: never within the scene's 40 s.
const float fadeOutAfter = 50000.0f;

const char* const backdropTexture = "background3.jpg";

}  // namespace

Scene4::Scene4()
    : trails{{trailAmounts[0], trailLifespans[0], trailRespawn, trailSpread, trailDirection, trailStart, trailSpeeds[0],
              trailJerk, trailSizes[0]},
             {trailAmounts[1], trailLifespans[1], trailRespawn, trailSpread, trailDirection, trailStart, trailSpeeds[1],
              trailJerk, trailSizes[1]},
             {trailAmounts[2], trailLifespans[2], trailRespawn, trailSpread, trailDirection, trailStart, trailSpeeds[2],
              trailJerk, trailSizes[2]}},
      fades(fadeOutAfter) {}

// One reference to the sprite per trail, and one to the backdrop; all kept until the end.
void Scene4::load(TextureManager& textures) {
    for (ParticleSystem& trail : trails) {
        loadParticleSprite(trail, textures, trailColour);
    }
    loadBackdrop(backdrop, textures, backdropTexture);
}

void Scene4::setupStage(SceneStage stage, unsigned int length) {
    logStage(stage, length);
}

void Scene4::update(unsigned int ms) {
    fades.update(ms);
    angle += static_cast<float>(ms) * angleSpeed;
    const float a = angle;
    trails[0].setPosition(
        Vector3(midReach * std::sin(2.0f * a), longReach * std::cos(3.0f * a), shortReach * std::cos(2.0f * a)));
    trails[0].update(ms);
    trails[1].update(ms);
    trails[2].setPosition(Vector3(longReach * std::cos(std::sin(2.0f * a)), midReach * std::sin(2.0f * a),
                                  shortReach * std::sin(2.0f * a)));
    trails[2].update(ms);
    camera->setPosition(orbitPath(a, cameraDistance));
    camera->setTarget(cameraTarget);
}

void Scene4::draw(Renderer& renderer) {
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    for (ParticleSystem& trail : trails) {
        trail.draw(renderer);
    }
    fades.draw(renderer);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    printTitle(*font, renderer);
}

}  // namespace Tramble
