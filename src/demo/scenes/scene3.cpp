// The knot scene. The draw marks the window's pixels in the stencil buffer with an
// invisible quad, then draws the tube twice: solid where the mark is 0, wireframe where it
// is 1. Where the folded quad covers a pixel twice the mark is 2 and neither shows.
#include "demo/scenes/scene3.h"

#include <SDL_opengl.h>

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

// The sparks: 500 grey ones living 5 s, respawned at once, in every direction, fast and
// very large, with a faint pull downwards.
const int sparkAmount = 500;
const float sparkLifespan = 5.0f;
const float sparkRespawn = 0.0f;
const int sparkSpread = 360;
const Vector3 sparkDirection(0.0f, 0.0f, 0.0f);
const Vector3 sparkStart(0.0f, 0.0f, 0.0f);
const float sparkSpeed = 4.05f;
const Vector3 sparkJerk(0.0f, -0.01f, 0.0f);
const float sparkSize = 3.0f;
const float sparkColour[4] = {0.3f, 0.3f, 0.3f, 1.0f};
const float sparkReach = 9.0f;

// Radians of animation per millisecond; the window wobbles twice as fast.
const float angleSpeed = 0.002f;
const float windowSpeed = 2.0f;
// The camera circles at ten units.
const float cameraDistance = 10.0f;
const Vector3 cameraTarget(0.0f, 0.0f, 0.0f);
// The white-out would start after 40 s of updates: the scene is over by then.
const float fadeOutAfter = 40000.0f;

// The window in the unit box: each corner swings this far around its rest point, and the
// rest points lie this far left or right of the centre and above or below it.
const float windowSwing = 0.5f;
const float windowHalfWidth = 0.4f;
const float windowHalfHeight = 0.6f;

// Stencil marks are counted in 8 bits.
const GLuint stencilMask = 0xFF;
const GLint outsideWindow = 0;
const GLint insideWindow = 1;
// The window's outline.
const GLfloat outlineColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
// The marking quad writes no colour: fully transparent, added.
const GLfloat markColour[4] = {1.0f, 1.0f, 1.0f, 0.0f};

const char* const knotTexture = "metallic.jpg";
const char* const backdropTexture = "background.jpg";

// The unit box for the window: both matrices saved and reset, projection orthographic.
void pushUnitBox(Renderer& renderer) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    renderer.setProjection(0.0f);
}

void popUnitBox() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

}  // namespace

Scene3::Scene3()
    : knot(knotP, knotQ, knotSegments, knotSides, tubeRadius, knotScale),
      sparks(sparkAmount, sparkLifespan, sparkRespawn, sparkSpread, sparkDirection, sparkStart, sparkSpeed, sparkJerk,
             sparkSize),
      fades(fadeOutAfter) {
    knot.setPulsing(true);
    knot.setPulseTurns(pulseTurns);
    knot.setPulseOffset(pulseOffset);
    knot.generate();
    knot.getMesh().useMaterial = true;
}

void Scene3::load(TextureManager& textures) {
    knot.getMesh().material = textureMaterial(textures.fetchResource(knotTexture), TexGenSphereMap, 0);
    loadParticleSprite(sparks, textures, sparkColour);
    loadBackdrop(backdrop, textures, backdropTexture);
}

void Scene3::setupStage(SceneStage stage, unsigned int length) {
    logStage(stage, length);
}

void Scene3::update(unsigned int ms) {
    fades.update(ms);
    angle += static_cast<float>(ms) * angleSpeed;
    const float a = angle;
    sparks.setPosition(sparkPath(a, sparkReach));
    sparks.update(ms);
    knot.setPhase(a);
    knot.generate();
    camera->setPosition(orbitPath(a, cameraDistance));
    camera->setTarget(cameraTarget);
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

void Scene3::drawWindow() const {
    float corners[4][2];
    windowCorners(angle, corners);
    glBegin(GL_QUADS);
    for (const float* corner : corners) {
        glVertex2fv(corner);
    }
    glEnd();
}

void Scene3::draw(Renderer& renderer) {
    renderer.setLighting(false);
    glDisable(GL_DEPTH_TEST);
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
    backdrop.draw(renderer);

    glDisable(GL_TEXTURE_2D);
    glEnable(GL_STENCIL_TEST);
    glDisable(GL_DEPTH_TEST);
    pushUnitBox(renderer);
    glStencilOp(GL_KEEP, GL_INCR, GL_INCR);
    glStencilMask(stencilMask);
    glStencilFunc(GL_ALWAYS, outsideWindow, stencilMask);
    // Set here rather than trusted to the earlier draws: with any other blending the
    // marking quad would paint the window.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glColor4fv(markColour);
    renderer.setPolygonMode(PolygonMode::Fill);
    drawWindow();
    popUnitBox();
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    setupSpecularLights();

    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glStencilMask(stencilMask);
    glStencilFunc(GL_EQUAL, outsideWindow, stencilMask);
    knot.getMesh().draw(renderer);
    glStencilFunc(GL_EQUAL, insideWindow, stencilMask);
    renderer.setPolygonMode(PolygonMode::Lines);
    knot.getMesh().draw(renderer);
    renderer.setPolygonMode(PolygonMode::Fill);
    glDisable(GL_STENCIL_TEST);

    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    sparks.draw(renderer);
    fades.draw(renderer);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    renderer.setLighting(false);

    pushUnitBox(renderer);
    renderer.setPolygonMode(PolygonMode::Lines);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4fv(outlineColour);
    drawWindow();
    popUnitBox();
    renderer.setPolygonMode(PolygonMode::Fill);
}

}  // namespace Tramble
