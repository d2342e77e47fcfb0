// Sphere-map environment textures: what a mirrored ball shows of a made-up world, as
// OpenGL's sphere-map texture generation reads it (reflection up at the highest t, which
// is the last stored row, so the pictures look upside down in an image viewer).
#pragma once

#include "raster.h"

namespace Tramble {

// Side of every sphere map in pixels.
constexpr int sphereMapSize = 256;

// Night sky over water for the rippling surface: deep blue to cyan, a bright horizon band,
// a soft moon glow and faint clouds for the ripples to sweep across.
Raster makeWaterSphereMap();
// Liquid chrome for the metaballs: bright sky, dark ground, a sharp horizon, hot suns.
Raster makeChromeSphereMap();
// Brushed steel for the torus knot: grey tones, fine concentric brushing, soft highlights.
Raster makeBrushedSphereMap();

}  // namespace Tramble
