// Flat, screen-facing pictures: the full-screen backdrops of the metaball, torus-knot and
// particle-trail scenes, and the particle sprite. Backdrops are painted in screen
// proportions because they are stretched over the 2:1 letterbox.
#pragma once

#include "raster.h"

namespace Tramble {

// Side of every backdrop in pixels, and of the particle sprite.
constexpr int backdropSize = 512;
constexpr int particleSize = 64;

// Deep blue and purple radial glow behind the metaballs.
Raster makeMetaballBackdrop();
// Dark steel-teal gradient with soft clouds and a faint grid behind the torus knot.
Raster makeKnotBackdrop();
// Very dark blue starfield with a faint nebula for the particle trails.
Raster makeStarfieldBackdrop();
// Soft round white blob that falls to pure black well inside the square.
Raster makeParticleSprite();

}  // namespace Tramble
