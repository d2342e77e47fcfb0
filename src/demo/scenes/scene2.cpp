// The metaball scene: the balls' dance, the sparks, the camera, and a draw that layers
// backdrop, lit blob, additive sparks, the clearing flash and the title.
#include "demo/scenes/scene2.h"

#include <SDL_opengl.h>

#include <cmath>

#include "demo/scenes/sceneparts.h"

namespace Tramble {

namespace {

// The blob: four balls of these strengths, cut at this field value; surface capacity.
const float isoLevel = 0.1f;
const int ballCount = 4;
const float ballStrengths[ballCount] = {0.0016f, 0.0019f, 0.001f, 0.0015f};
const int surfaceTriangles = 2800;
const int surfaceVertices = 8400;
// The grid's unit cube is enlarged to this size in the world.
const Vector3 surfaceScale(3.3f, 3.3f, 3.3f);
// How far each ball swings along x, y and z, in the grid's space (half a unit from its
// centre to its sides); the waves they follow are in update.
const Vector3 ballReach[ballCount] = {{0.25f, 0.15625f, -0.2f},
                                      {0.2f, -0.2f, 0.2f},
                                      {-0.16666667f, 0.16666667f, 0.20408162f},
                                      {-0.14285715f, 0.2f, 0.0f}};

// The sparks: 1000 of them living 5 s, respawned at once, in every direction, fast and
// large, with a faint pull downwards; blue.
const int sparkAmount = 1000;
const float sparkLifespan = 5.0f;
const float sparkRespawn = 0.0f;
const int sparkSpread = 360;
const Vector3 sparkDirection(0.0f, 0.0f, 0.0f);
const Vector3 sparkStart(0.0f, 0.0f, 0.0f);
const float sparkSpeed = 4.05f;
const Vector3 sparkJerk(0.0f, -0.01f, 0.0f);
const float sparkSize = 1.5f;
const float sparkColour[4] = {0.3f, 0.3f, 1.0f, 1.0f};
// How far the spark emitter swings out.
const float sparkReach = 9.0f;

// Radians of animation per millisecond.
const float angleSpeed = 0.002f;
// The camera circles at unit distance.
const float cameraDistance = 1.0f;
const Vector3 cameraTarget(0.0f, 0.0f, 0.0f);
// The flash of the scene change clears over 3 s.
const float flashLength = 3000.0f;

const char* const surfaceTexture = "metaballs.jpg";
const char* const backdropTexture = "background2.jpg";

}  // namespace

Scene2::Scene2()
    : sparks(sparkAmount, sparkLifespan, sparkRespawn, sparkSpread, sparkDirection, sparkStart, sparkSpeed, sparkJerk,
             sparkSize),
      fadeIn(flashLength, false) {
    metaballs.setIsoLevel(isoLevel);
    metaballs.setBallCount(ballCount);
    for (int i = 0; i < ballCount; ++i) {
        metaballs.setBallStrength(i, ballStrengths[i]);
    }
    metaballs.setCapacity(surfaceTriangles, surfaceVertices);
    metaballs.polygonise();
}

void Scene2::load(TextureManager& textures) {
    metaballs.getSurface().material = textureMaterial(textures.fetchResource(surfaceTexture), TexGenSphereMap, 0);
    loadParticleSprite(sparks, textures, sparkColour);
    loadBackdrop(backdrop, textures, backdropTexture);
}

void Scene2::setupStage(SceneStage stage, unsigned int length) {
    logStage(stage, length);
}

void Scene2::update(unsigned int ms) {
    fadeIn.update(ms);
    angle += static_cast<float>(ms) * angleSpeed;
    const float a = angle;

    // The surface follows the positions of the previous update.
    metaballs.polygonise();
    metaballs.getSurface().vertexArray.scale(surfaceScale);
    sparks.setPosition(sparkPath(a, sparkReach));
    sparks.update(ms);

    const float s = std::sin(a);
    const float c = std::cos(a);
    const Vector3 waves[ballCount] = {
        {s, c, s}, {c, c, s}, {s, c, std::sin(c)}, {s, std::cos(std::sin(3.0f * a)), 0.0f}};
    for (int i = 0; i < ballCount; ++i) {
        const Vector3& reach = ballReach[i];
        metaballs.setBallPosition(i, Vector3(reach.x * waves[i].x, reach.y * waves[i].y, reach.z * waves[i].z));
    }

    camera->setPosition(orbitPath(a, cameraDistance));
    camera->setTarget(cameraTarget);
}

void Scene2::draw(Renderer& renderer) {
    renderer.setFog(false);
    renderer.setLighting(false);
    glDisable(GL_DEPTH_TEST);
    backdrop.draw(renderer);
    glEnable(GL_DEPTH_TEST);

    glEnable(GL_LIGHTING);
    setupSpecularLights();
    metaballs.getSurface().draw(renderer);

    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    sparks.draw(renderer);
    drawFade(fadeIn, renderer);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);

    renderer.setLighting(false);
    printTitle(*font, renderer);
}

}  // namespace Tramble
