// The particle scene: three blue particle trails, two of whose emitters fly on large
// Lissajous paths while the third stays at the centre, seen by a circling camera, with the
// title in the corner. It opens with a white flash. Its backdrop is loaded like the other
// scenes' but not drawn: the trails play over black.
#pragma once

#include "demo/effects/particles.h"
#include "demo/effects/screenquad.h"
#include "demo/scenes/sceneparts.h"
#include "demo/scenesys.h"

namespace Tramble {

class Scene4 : public IDemoScene, public SceneFades {
public:
    static constexpr int trailCount = 3;

    Scene4();
    void load(TextureManager& textures) override;
    void setupStage(SceneStage stage, unsigned int length) override;
    void update(unsigned int ms) override;
    // The trails, the clearing flash, the white-out once started, and the title.
    void draw(Renderer& renderer) override;

    // Radians.
    float angle = 0.0f;
    // Holds "background3.jpg" for the scene's lifetime; never drawn.
    ScreenQuad backdrop;
    // The first and third fly; the second stays at the origin.
    ParticleSystem trails[trailCount];
};

}  // namespace Tramble
