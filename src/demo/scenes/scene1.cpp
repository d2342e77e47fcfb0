// The opening scene: the water and rain simulation, the intro text, and the late effects
// that lead into the white flash of the next scene.
#include "demo/scenes/scene1.h"

#include <cmath>

#include "demo/scenes/sceneparts.h"

namespace Tramble {

namespace {

// The water: 30 x 30 vertices over 10 x 10 units; damping per second and neighbour pull.
const int waterColumns = 30;
const int waterRows = 30;
const float waterWidth = 10.0f;
const float waterDepth = 10.0f;
const float waterDamping = 3.0f;
const float waterStiffness = 5.0f;
// Water and rain are integrated explicitly, which stays stable only for short steps: a
// longer frame is simulated in steps of at most this many ms. Measured on this water with
// every vertex kicked and steady steps, the slowest wave loses 96 % of its energy over
// 15 s at 21 ms, only 78 % at 22 ms, and grows from 23 ms on; a frame at 50 fps or faster
// is one step.
const unsigned int longestStep = 21;

// The rain: 200 blue drops living 10 s, respawned at once, thrown weakly in any direction
// below the emitter (which starts 10 units up), and pulled down by a growing jerk; a drop
// is 0.3 units across.
const int rainAmount = 200;
const float rainLifespan = 10.0f;
const float rainRespawn = 0.0f;
const int rainSpread = 180;
const Vector3 rainDirection(0.0f, -1.0f, 0.0f);
const Vector3 rainStart(0.0f, 10.0f, 0.0f);
const float rainSpeed = 0.1f;
const Vector3 rainJerk(0.0f, -0.5f, 0.0f);
const float rainSize = 0.3f;
const float rainColour[4] = {0.0f, 0.35f, 1.0f, 1.0f};
// A landing drop disturbs the water within this radius.
const float splashRadius = 0.3f;

// The emitter loops around above the water: radians per update, and height of the loop.
const float emitterStep = 0.03f;
const float emitterHeight = 4.0f;

// Just above the water, looking down on it slightly.
const Vector3 cameraTarget(0.0f, 0.1f, 0.0f);
const Vector3 cameraPosition(0.0f, 0.5f, 2.0f);

const char* const waterTexture = "back.jpg";

// The whole scene is drawn in fog, lit, with the depth test.
RenderState sceneState() {
    RenderState state;
    state.fog = true;
    return state;
}

// Black squared-exponential fog, close and dense.
const float fogColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const float fogDensity = 0.6f;
const float fogStart = 0.1f;
const float fogEnd = 10.0f;

// The late effects, by milliseconds of the scene: the wireframe glows up from 36 s, the
// fog thickens from 40 s, and the white-out rises from 42 s. The first two grow by this
// much per millisecond.
const unsigned int wireFrom = 36000;
const unsigned int fogFrom = 40000;
const unsigned int whiteFrom = 42000;
const float lateGrowth = 0.0002f;
// The wireframe floats just above the surface, so that it is not lost in it.
const Vector3 wireLift(0.0f, 0.01f, 0.0f);

}  // namespace

Scene1::Scene1()
    : water(waterColumns, waterRows, waterWidth, waterDepth, waterDamping, waterStiffness),
      rain(rainAmount, rainLifespan, rainRespawn, rainSpread, rainDirection, rainStart, rainSpeed, rainJerk, rainSize),
      whiteOut(flashLength, true) {
    addTask(&effects);
    for (int c = 0; c < 4; ++c) {
        fog.colour[c] = 1.0f;
    }
}

void Scene1::load(TextureManager& textures) {
    water.material = textureMaterial(textures.fetchResource(waterTexture), texGenSphereMap, blendOff);
    water.useMaterial = true;
    loadParticleSprite(rain, textures, rainColour);
    intro = centredLines(font, introLines);
    effects.add(intro.get());
    fog.mode = FogMode::Exp2;
    for (int c = 0; c < 4; ++c) {
        fog.colour[c] = fogColour[c];
    }
    fog.density = fogDensity;
    fog.start = fogStart;
    fog.end = fogEnd;
}

void Scene1::update(unsigned int ms) {
    // Drops land in the step in which they reach the water, not deep below it after a
    // long frame, and push it no harder than they would at a steady frame rate.
    unsigned int left = ms;
    do {
        const unsigned int step = left < longestStep ? left : longestStep;
        water.update(step);
        rain.update(step);
        landDrops();
        left -= step;
    } while (left > 0);

    emitterAngle += emitterStep;
    const float a = emitterAngle;
    rain.setPosition(Vector3(std::sin(a) * std::cos(a), std::sin(std::cos(a)) + emitterHeight, std::cos(a)));

    camera->setTarget(cameraTarget);
    camera->setPosition(cameraPosition);

    const float growth = static_cast<float>(ms) * lateGrowth;
    if (elapsed > wireFrom) {
        wireAlpha += growth;
        if (elapsed > fogFrom) {
            fog.density += growth;
            if (elapsed > whiteFrom) {
                whiteOut.update(ms);
            }
        }
    }
}

void Scene1::landDrops() {
    for (int i = 0; i < rain.count; ++i) {
        Particle& drop = rain.particles[i];
        if (!drop.isAlive()) {
            continue;
        }
        const Vector3& p = drop.position;
        const bool overWater =
            -water.halfWidth < p.x && p.x < water.halfWidth && -water.halfDepth < p.z && p.z < water.halfDepth;
        if (overWater && water.heightAt(p.x, p.z) > p.y) {
            water.disturb(p.x, p.z, -drop.velocity.y, splashRadius);
            drop.kill();
        }
    }
}

void Scene1::draw(Renderer& renderer) {
    renderer.setState(sceneState());
    renderer.setupFog(fog);
    water.draw(renderer);
    drawWireframe(renderer);
    drawSprites(rain, renderer);
    effects.draw(renderer);
    drawFade(whiteOut, renderer);
}

// The wireframe is the surface again, lifted, untextured and added in lines. The lift stays
// on for the rest of the frame: the rain is drawn lifted with it.
void Scene1::drawWireframe(Renderer& renderer) {
    RenderState lines = renderer.state();
    lines.polygonMode = PolygonMode::Lines;
    const ScopedState scope(renderer, lines);
    const Material surface = water.material;
    water.material = textureMaterial(0, texGenOff, blendAdditive);
    water.material.colour[3] = wireAlpha;
    renderer.translate(wireLift);
    water.draw(renderer);
    water.material = surface;
}

void Scene1::unload(TextureManager& textures) {
    if (!intro) {
        return;
    }
    textures.dropResource(waterTexture);
    textures.dropResource(particleSprite);
    // The group would otherwise keep a pointer to the freed text if it has not finished.
    effects.remove(intro.get());
    intro.reset();
}

}  // namespace Tramble
