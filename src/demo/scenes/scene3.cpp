// The knot scene: the tube's pulse, the sparks, the circling camera, and the draw through
// the wobbling stencil window.
#include "demo/scenes/scene3.h"

#include <cmath>

#include "demo/scenes/sceneparts.h"

namespace Tramble {

namespace {

// The tube: a (2, 3) torus knot of 180 rings of 12 sides, radius 0.5, curve scale 4, whose
// radius pulses in ten bulges (five turns of sin 2 phase) around 2 times its size.
const float knotP = 2.0f;
const float knotQ = 3.0f;
const int knotSegments = 180;
const int knotSides = 12;
const float tubeRadius = 0.5f;
const float knotScale = 4.0f;
const float pulseTurns = 5.0f;
const float pulseOffset = 2.0f;

// The sparks: 500 grey ones living 5 s, fast and very large.
const int sparkAmount = 500;
const float sparkLifespan = 5.0f;
const float sparkSpeed = 4.05f;
const float sparkSize = 3.0f;
const float sparkColour[4] = {0.3f, 0.3f, 0.3f, 1.0f};
const float sparkReach = 9.0f;

// Radians of animation per millisecond; the window wobbles twice as fast.
const float angleSpeed = 0.002f;
const float windowSpeed = 2.0f;
// The camera circles at ten units.
const float cameraDistance = 10.0f;
const Vector3 cameraTarget(0.0f, 0.0f, 0.0f);
// The white-out starts once the scene has been updated for longer than this: only an
// update that comes late at the scene's end (after a stall) gets that far.
const float whiteOutAfter = 40000.0f;

// The window in the unit box: each corner swings this far around its rest point, and the
// rest points lie this far left or right of the centre and above or below it.
const float windowSwing = 0.5f;
const float windowHalfWidth = 0.4f;
const float windowHalfHeight = 0.6f;

// The stencil marks: 0 outside the window, 1 inside it (2 where the quad folds over itself).
const int outsideWindow = 0;
const int insideWindow = 1;
// The marking quad writes no colour: fully transparent, added, untextured.
const Material markMaterial = {0, {1.0f, 1.0f, 1.0f, 0.0f}, texGenOff, blendAdditive};
// The window's outline: opaque white lines.
const Material outlineMaterial = {0, {1.0f, 1.0f, 1.0f, 1.0f}, texGenOff, blendOff};
// The window's four corners.
const int windowCornerCount = 4;

const char* const knotTexture = "metallic.jpg";
const char* const backdropTexture = "background.jpg";

}  // namespace

Scene3::Scene3()
    : SceneFades(whiteOutAfter),
      knot(knotP, knotQ, knotSegments, knotSides, tubeRadius, knotScale),
      sparks(sparkAmount, sparkLifespan, cloudRespawn, cloudSpread, cloudDirection, cloudStart, sparkSpeed, cloudJerk,
             sparkSize) {
    knot.setPulsing(true);
    knot.setPulseTurns(pulseTurns);
    knot.setPulseOffset(pulseOffset);
    knot.generate();
    knot.getMesh().useMaterial = true;
    window.allocate(windowCornerCount);
}

void Scene3::load(TextureManager& textures) {
    knot.getMesh().material = textureMaterial(textures.fetchResource(knotTexture), texGenSphereMap, blendOff);
    loadParticleSprite(sparks, textures, sparkColour);
    loadBackdrop(backdrop, textures, backdropTexture);
}

void Scene3::setupStage(SceneStage stage, unsigned int length) {
    logStage(stage, length);
}

void Scene3::update(unsigned int ms) {
    updateFades(ms);
    angle += static_cast<float>(ms) * angleSpeed;
    const float a = angle;
    sparks.setPosition(sparkPath(a, sparkReach));
    sparks.update(ms);
    knot.setPhase(a);
    knot.generate();
    camera->setPosition(orbitPath(a, cameraDistance));
    camera->setTarget(cameraTarget);
    float corners[windowCornerCount][2];
    windowCorners(a, corners);
    for (int k = 0; k < windowCornerCount; ++k) {
        window.vertices[k] = Vector3(corners[k][0], corners[k][1], 0.0f);
    }
}

void Scene3::windowCorners(float angle, float corners[4][2]) {
    const float b = windowSpeed * angle;
    const float s = std::sin(b);
    const float c = std::cos(b);
    corners[0][0] = windowSwing * s - windowHalfWidth;
    corners[0][1] = windowSwing * c + windowHalfHeight;
    corners[1][0] = windowSwing * (s + c) + windowHalfWidth;
    corners[1][1] = windowSwing * s * c + windowHalfHeight;
    corners[2][0] = windowSwing * s + windowHalfWidth;
    corners[2][1] = windowSwing * s - windowHalfHeight;
    corners[3][0] = windowSwing * c - windowHalfWidth;
    corners[3][1] = windowSwing * s - windowHalfHeight;
}

void Scene3::draw(Renderer& renderer) {
    renderer.setState(RenderState());
    renderer.clearStencil();
    drawBackdrop(backdrop, renderer);
    drawKnotThroughWindow(renderer);
    drawSprites(sparks, renderer);
    drawFades(renderer);
    drawWindowOutline(renderer);
}

// The order is the contract: the window's pixels are marked first, with the quad drawn
// invisibly, unlit and without the depth test (a pixel it covers twice is marked 2); then
// the tube is drawn solid where the mark is 0 and as wireframe where it is 1.
void Scene3::drawKnotThroughWindow(Renderer& renderer) {
    {
        RenderState mark = renderer.state();
        mark.lighting = false;
        mark.depthTest = false;
        mark.stencil = Stencil::Mark;
        const ScopedState scope(renderer, mark);
        const ScopedBox box(renderer, unitBox);
        renderer.applyMaterial(markMaterial);
        renderer.drawArrays(PrimitiveType::Quads, window);
    }
    setupSpecularLights(renderer);
    RenderState tube = renderer.state();
    tube.stencil = Stencil::Equal;
    tube.stencilValue = outsideWindow;
    const ScopedState scope(renderer, tube);
    knot.getMesh().draw(renderer);
    tube.stencilValue = insideWindow;
    tube.polygonMode = PolygonMode::Lines;
    renderer.setState(tube);
    knot.getMesh().draw(renderer);
}

// Drawn last, unlit, in lines; the depth test stays on, so the tube may hide it.
void Scene3::drawWindowOutline(Renderer& renderer) {
    RenderState outline = renderer.state();
    outline.lighting = false;
    outline.polygonMode = PolygonMode::Lines;
    const ScopedState scope(renderer, outline);
    const ScopedBox box(renderer, unitBox);
    renderer.applyMaterial(outlineMaterial);
    renderer.drawArrays(PrimitiveType::Quads, window);
}

}  // namespace Tramble
