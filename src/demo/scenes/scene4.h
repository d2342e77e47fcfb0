// The particle scene: three blue particle trails, two of whose emitters fly on large
// Lissajous paths while the third stays at the centre, seen by a circling camera, with the
// title in the corner. It opens with a white flash; it has no backdrop.
#pragma once

#include "demo/effects/particles.h"
#include "demo/scenes/scenefades.h"
#include "demo/scenesys.h"

namespace Tramble {

class Scene4 : public IDemoScene {
public:
    Scene4();

    void draw(Renderer& renderer) override;
    void load(TextureManager& textures) override;
    void setupStage(SceneStage stage, unsigned int length) override;
    void update(unsigned int ms) override;

    static const int TrailCount = 3;

    // Radians.
    float angle = 0.0f;
    // The first and third fly; the second stays at the origin.
    ParticleSystem trails[TrailCount];
    SceneFades fades;
};

}  // namespace Tramble
