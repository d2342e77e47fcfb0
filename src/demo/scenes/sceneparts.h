// What the scenes have in common: how they dress their textures, particles and backdrops,
// the two specular lights of the lit scenes, the title in the corner, the paths their
// camera and emitters follow, and the log line of a stage change.
#pragma once

#include <string>

#include "demo/effects/particles.h"
#include "demo/effects/screenquad.h"
#include "demo/scenesys.h"
#include "engine/bitmapfont.h"
#include "engine/renderersys.h"
#include "engine/texturemanager.h"
#include "engine/vecmath.h"

namespace Tramble {

// A white material showing a whole texture with the given generation and blending.
Material textureMaterial(unsigned int texture, int texGen, int blend);

// Fetches the particle sprite and gives it to the system as additive sprites of the given
// colour (red, green, blue, alpha; the alpha is replaced by each particle's life).
void loadParticleSprite(ParticleSystem& particles, TextureManager& textures, const float colour[4]);
// Fetches a picture and shows it, opaque, on the full-screen quad.
void loadBackdrop(ScreenQuad& backdrop, TextureManager& textures, const std::string& name);

// Front material and lights 1 and 2 for the sphere-mapped, specular surfaces: two white
// point lights facing each other across the origin replace light 0. Lighting itself is
// left as it is.
void setupSpecularLights();

// A white fade, unlit: lit, its quad (which has no normals) would show only the ambient
// fifth of its white. Lighting is on afterwards, as the font and the particles leave it.
// A fade that adds nothing (alpha 0 or below) is skipped.
void drawFade(ScreenFade& fade, Renderer& renderer);

// "T R A M B L E D" in the lower right corner, in the title's blue.
void printTitle(BitmapFont& font, Renderer& renderer);

// A circle around the origin whose height sways: the camera's path at angle a.
Vector3 orbitPath(float a, float radius);
// A Lissajous figure around the origin: the path of the spark emitters at angle a.
Vector3 sparkPath(float a, float radius);

// The scene's stage change, as the log shows it: "Running state <stage> during length <ms>".
void logStage(SceneStage stage, unsigned int length);

}  // namespace Tramble
