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
Material textureMaterial(unsigned int texture, int texGen, int blend);

// The clouds of scenes 2 to 4 (the sparks and the trails): every dead particle respawned at
// once, thrown in every direction from an emitter that starts at the origin, with a faint
// pull downwards.
const float cloudRespawn = 0.0f;
const int cloudSpread = 360;
const Vector3 cloudDirection(0.0f, 0.0f, 0.0f);
const Vector3 cloudStart(0.0f, 0.0f, 0.0f);
const Vector3 cloudJerk(0.0f, -0.01f, 0.0f);

// Fetches the particle sprite and gives it to the system as additive sprites in colour.
void loadParticleSprite(ParticleSystem& particles, TextureManager& textures, const float colour[4]);
// Fetches a picture and shows it, opaque, on the full-screen quad.
void loadBackdrop(ScreenQuad& backdrop, TextureManager& textures, const std::string& name);

// The unlit draws, each with the depth state it needs set around it and the scene's state
// put back afterwards. Sprites write no depth, so that additive sprites never hide one
// another. A backdrop is drawn without the depth test, behind whatever follows. A fade is
// drawn unlit (its quad has no normals: lit, it would show only the ambient fifth of its
// white, which is what a flash drawn right after the sparks, whose draw leaves lighting on,
// would get) and without writing depth (it would hide what the scene draws after it); a fade
// that adds nothing, at alpha 0 or below, is skipped.
void drawSprites(ParticleSystem& particles, Renderer& renderer);
void drawBackdrop(ScreenQuad& backdrop, Renderer& renderer);
void drawFade(ScreenFade& fade, Renderer& renderer);

// The white flashes of scenes 3 and 4, which those scenes hold as their own members: the
// one that clears at the scene's start, and the white-out that rises once the scene's own
// clock (milliseconds of updates) passes fadeOutAfter, which only an update that comes late at
// the scene's end can carry it past.
class SceneFades {
public:
    explicit SceneFades(float fadeOutAfter);
    void updateFades(unsigned int ms);
    // The clearing flash, then the white-out once it has started.
    void drawFades(Renderer& renderer);

    float fadeOutAfter;
    float clock = 0.0f;
    ScreenFade fadeIn;
    ScreenFade fadeOut;
    bool fadeOutStarted = false;
};

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
