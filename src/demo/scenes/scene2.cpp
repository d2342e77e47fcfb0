// The metaball scene: the balls' dance, the sparks, the camera, and a draw that layers
// backdrop, lit blob, additive sparks, the clearing flash and the title.
#include "demo/scenes/scene2.h"

#include <cmath>

#include "demo/scenes/sceneparts.h"

namespace Tramble {

namespace {

// The blob's surface is cut at this field value and holds this many triangles and vertices.
const float isoLevel = 0.1f;
const int surfaceTriangles = 2800;
const int surfaceVertices = 8400;
// The grid's unit cube is enlarged to this size in the world.
const Vector3 surfaceScale(3.3f, 3.3f, 3.3f);

// The sparks: 1000 blue ones living 5 s, fast and large.
const int sparkAmount = 1000;
const float sparkLifespan = 5.0f;
const float sparkSpeed = 4.05f;
const float sparkSize = 1.5f;
const float sparkColour[4] = {0.3f, 0.3f, 1.0f, 1.0f};
// How far the spark emitter swings out.
const float sparkReach = 9.0f;

// Radians of animation per millisecond.
const float angleSpeed = 0.002f;
// The camera circles at unit distance.
const float cameraDistance = 1.0f;
const Vector3 cameraTarget(0.0f, 0.0f, 0.0f);

const char* const surfaceTexture = "metaballs.jpg";
const char* const backdropTexture = "background2.jpg";

}  // namespace

// Where each ball is at angle a: its reach times a wave of a per axis.
Vector3 Scene2::ballPosition(int ball, float a) {
    const float s = std::sin(a);
    const float c = std::cos(a);
    const Vector3 waves[ballCount] = {
        {s, c, s}, {c, c, s}, {s, c, std::sin(c)}, {s, std::cos(std::sin(3.0f * a)), 0.0f}};
    const Vector3& reach = ballReach[ball];
    return Vector3(reach.x * waves[ball].x, reach.y * waves[ball].y, reach.z * waves[ball].z);
}

Scene2::Scene2()
    : sparks(sparkAmount, sparkLifespan, cloudRespawn, cloudSpread, cloudDirection, cloudStart, sparkSpeed, cloudJerk,
             sparkSize),
      flash(flashLength, false) {
    metaballs.setIsoLevel(isoLevel);
    metaballs.setBallCount(ballCount);
    for (int i = 0; i < ballCount; ++i) {
        metaballs.setBallStrength(i, ballStrengths[i]);
    }
    metaballs.setCapacity(surfaceTriangles, surfaceVertices);
    metaballs.polygonise();
}

void Scene2::load(TextureManager& textures) {
    metaballs.getSurface().material =
        textureMaterial(textures.fetchResource(surfaceTexture), texGenSphereMap, blendOff);
    loadParticleSprite(sparks, textures, sparkColour);
    loadBackdrop(backdrop, textures, backdropTexture);
}

void Scene2::setupStage(SceneStage stage, unsigned int length) {
    logStage(stage, length);
}

void Scene2::update(unsigned int ms) {
    flash.update(ms);
    angle += static_cast<float>(ms) * angleSpeed;
    const float a = angle;

    // The surface follows the positions of the previous update.
    metaballs.polygonise();
    metaballs.getSurface().vertexArray.scale(surfaceScale);
    sparks.setPosition(sparkPath(a, sparkReach));
    sparks.update(ms);

    for (int i = 0; i < ballCount; ++i) {
        metaballs.setBallPosition(i, ballPosition(i, a));
    }

    camera->setPosition(orbitPath(a, cameraDistance));
    camera->setTarget(cameraTarget);
}

void Scene2::draw(Renderer& renderer) {
    renderer.setState(RenderState());
    drawBackdrop(backdrop, renderer);
    setupSpecularLights(renderer);
    metaballs.getSurface().draw(renderer);
    drawSprites(sparks, renderer);
    drawFade(flash, renderer);
    printTitle(*font, renderer);
}

}  // namespace Tramble
