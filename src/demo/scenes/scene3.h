// The knot scene: a pulsing, sphere-mapped torus-knot tube in front of a backdrop, grey
// sparks streaming around it and the camera circling. Through a four-cornered window that
// wobbles across the screen, cut out with the stencil buffer, the tube shows as wireframe.
#pragma once

#include "demo/effects/knottube.h"
#include "demo/effects/particles.h"
#include "demo/effects/screenquad.h"
#include "demo/scenes/sceneparts.h"
#include "demo/scenesys.h"

namespace Tramble {

class Scene3 : public IDemoScene, public SceneFades {
public:
    // Corner k of the window (x, y in the unit box), in drawing order, for an angle.
    static void windowCorners(float angle, float corners[4][2]);

    // Builds the knot once.
    Scene3();
    void load(TextureManager& textures) override;
    void setupStage(SceneStage stage, unsigned int length) override;
    void update(unsigned int ms) override;
    // Backdrop, the tube through the window, sparks, the clearing flash, the white-out once
    // started, the window's outline.
    void draw(Renderer& renderer) override;

    // Radians.
    float angle = 0.0f;
    ScreenQuad backdrop;
    KnotTube knot;
    ParticleSystem sparks;

private:
    void drawKnotThroughWindow(Renderer& renderer);
    void drawWindowOutline(Renderer& renderer);

    // The window's corners in the unit box, as update last placed them.
    VertexArray window;
};

}  // namespace Tramble
