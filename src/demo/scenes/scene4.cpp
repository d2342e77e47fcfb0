// The particle scene: the trails' flight, the circling camera, and the additive draw.
#include "demo/scenes/scene4.h"

#include <cmath>

#include "demo/scenes/sceneparts.h"

namespace Tramble {

namespace {

// Per trail, all blue: particles, their life in seconds, how fast they are thrown, their size.
const float trailColour[4] = {0.3f, 0.3f, 1.0f, 1.0f};
const int trailAmounts[Scene4::trailCount] = {1000, 600, 400};
const float trailLifespans[Scene4::trailCount] = {5.0f, 8.0f, 5.0f};
const float trailSpeeds[Scene4::trailCount] = {1.0f, 2.05f, 0.15f};
const float trailSizes[Scene4::trailCount] = {0.9f, 1.0f, 0.5f};

ParticleSystem makeTrail(int t) {
    return ParticleSystem(trailAmounts[t], trailLifespans[t], cloudRespawn, cloudSpread, cloudDirection, cloudStart,
                          trailSpeeds[t], cloudJerk, trailSizes[t]);
}

// How far the flying emitters reach out: the long and the short axis of their paths.
const float longReach = 36.0f;
const float midReach = 18.0f;
const float shortReach = 9.0f;

// Radians of animation per millisecond.
const float angleSpeed = 0.002f;
// The camera circles at unit distance.
const float cameraDistance = 1.0f;
const Vector3 cameraTarget(0.0f, 0.0f, 0.0f);
// The white-out starts once the scene has been updated for longer than this, 10 s past its
// length: only a single update that comes very late (after a stall) gets that far.
const float whiteOutAfter = 50000.0f;

const char* const backdropTexture = "background3.jpg";

}  // namespace

Scene4::Scene4() : SceneFades(whiteOutAfter), trails{makeTrail(0), makeTrail(1), makeTrail(2)} {}

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
    updateFades(ms);
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
    renderer.setState(RenderState());
    for (ParticleSystem& trail : trails) {
        drawSprites(trail, renderer);
    }
    drawFades(renderer);
    printTitle(*font, renderer);
}

}  // namespace Tramble
