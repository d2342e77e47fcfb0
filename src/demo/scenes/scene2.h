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
    // Four balls of these strengths; each swings this far along x, y and z, in the grid's
    // space (half a unit from its centre to its sides), on the waves of ballPosition.
    static constexpr int ballCount = 4;
    static constexpr float ballStrengths[ballCount] = {0.0016f, 0.0019f, 0.001f, 0.0015f};
    static inline const Vector3 ballReach[ballCount] = {{0.25f, 0.15625f, -0.2f},
                                                        {0.2f, -0.2f, 0.2f},
                                                        {-0.16666667f, 0.16666667f, 0.20408162f},
                                                        {-0.14285715f, 0.2f, 0.0f}};
    static Vector3 ballPosition(int ball, float angle);

    // Sets the balls up and builds their first surface.
    Scene2();
    void load(TextureManager& textures) override;
    void setupStage(SceneStage stage, unsigned int length) override;
    // Everything follows the angle, which advances with time, not with frames.
    void update(unsigned int ms) override;
    // Backdrop, lit blob, sparks, the clearing flash and the title.
    void draw(Renderer& renderer) override;

    Metaballs metaballs;
    // Radians.
    float angle = 0.0f;
    ScreenQuad backdrop;
    ParticleSystem sparks;
    // Clears the white of the scene change over the scene's first seconds.
    ScreenFade flash;
};

}  // namespace Tramble
