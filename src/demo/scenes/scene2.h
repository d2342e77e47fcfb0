// The metaball scene: four metaballs melt into one sphere-mapped, specularly lit blob in
// front of a backdrop, inside a blue cloud of sparks from an emitter swinging around it,
// while the camera circles; the title sits in the corner. It opens with a white flash.
#pragma once

#include "demo/effects/metaballs.h"
#include "demo/effects/particles.h"
#include "demo/effects/screenquad.h"
#include "demo/scenesys.h"

namespace Tramble {

class Scene2 : public IDemoScene {
public:
    // Sets the balls up and builds their first surface.
    Scene2();

    void draw(Renderer& renderer) override;
    void load(TextureManager& textures) override;
    void setupStage(SceneStage stage, unsigned int length) override;
    // Everything follows the angle, which advances with time, not with frames.
    void update(unsigned int ms) override;

    Metaballs metaballs;
    // Radians.
    float angle = 0.0f;
    ScreenQuad backdrop;
    ParticleSystem sparks;
    // Clears the white of the scene change over the scene's first seconds.
    ScreenFade fadeIn;
};

}  // namespace Tramble
