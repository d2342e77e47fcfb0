// What the scenes have in common: the white flash, the particle clouds and their sprite,
// backdrops, the two specular lights of the lit scenes, the title in the corner, the text
// lines of the first and last scenes, the paths their camera and emitters follow, and the
// log line of a stage change.
#pragma once

#include <memory>
#include <string>

#include "demo/effects/particles.h"
#include "demo/effects/screenquad.h"
#include "demo/effects/textsequence.h"
#include "demo/scenesys.h"
#include "engine/bitmapfont.h"
#include "engine/renderersys.h"
#include "engine/texturemanager.h"
#include "engine/vecmath.h"

namespace Tramble {

// Every white flash, clearing at a scene's start or rising at its end, runs 3 s.
const float flashLength = 3000.0f;
// The sprite every particle system is drawn with.
extern const char* const particleSprite;

// A white material showing a whole texture with the given generation and blending.
Material textureMaterial(unsigned int texture, TexGen texGen, Blend blend);

// A cloud thrown in every direction from its emitter at the origin, every dead particle
// respawned at once, with a faint pull downwards: the sparks of scenes 2 and 3 and the
// trails of scene 4.
ParticleSettings sparkCloud(int amount, float lifespan, float speed, float size, const float colour[4]);

// Fetches the particle sprite and gives it to the system as additive sprites.
void loadParticleSprite(ParticleSystem& particles, TextureManager& textures);
// Fetches a picture and shows it, opaque, on the full-screen quad.
void loadBackdrop(ScreenQuad& backdrop, TextureManager& textures, const std::string& name);

// Lights 1 and 2 for the sphere-mapped, specular surfaces: two white point lights facing
// each other across the origin replace light 0.
void setupSpecularLights(Renderer& renderer);

// "T R A M B L E D" in the lower right corner, in the title's blue.
void printTitle(BitmapFont& font, Renderer& renderer);

// Each line of the scenes' text fades in over 3 s and holds for 1 s.
const unsigned int lineFade = 3000;
const unsigned int lineHold = 1000;

// The lines centred on the screen, one after another.
template <std::size_t N>
std::unique_ptr<TextSequence> centredLines(BitmapFont* font, const char* const (&lines)[N]) {
    std::unique_ptr<TextSequence> text = std::make_unique<TextSequence>(lineFade, lineHold, font, Centre, Middle);
    for (const char* line : lines) {
        text->addLine(line);
    }
    return text;
}

// A circle around the origin whose height sways: the camera's path at angle a.
Vector3 orbitPath(float a, float radius);
// A Lissajous figure around the origin: the path of the spark emitters at angle a.
Vector3 sparkPath(float a, float radius);

// The scene's stage change, as the log shows it: "Running state <stage> during length <ms>".
void logStage(SceneStage stage, unsigned int length);

}  // namespace Tramble
