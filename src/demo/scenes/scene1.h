// The opening scene: blue drops rain from a looping emitter onto a rippling, sphere-mapped
// water surface under black fog, while white text lines fade in one after another. In its
// last seconds a wireframe copy of the surface glows up, the fog thickens and all turns white.
#pragma once

#include <memory>

#include "demo/effects/effectgroup.h"
#include "demo/effects/particles.h"
#include "demo/effects/screenquad.h"
#include "demo/effects/textsequence.h"
#include "demo/effects/water.h"
#include "demo/scenesys.h"
#include "engine/renderersys.h"

namespace Tramble {

class Scene1 : public IDemoScene {
public:
    // The intro, one line after another; the first is blank.
    static constexpr const char* introLines[] = {
        " ",
        "Everything that has a beginning...",
        "...has an end...",
        "...we do not agree!",
        "This demo barely has a start",
        "and no sight of an ending",
        "...still...",
        "T R A M B L E",
        "GIVES YOU",
        "- T R A M B L E D -",
    };

    Scene1();
    void load(TextureManager& textures) override;
    void update(unsigned int ms) override;
    // Fog, the surface, its wireframe overlay, the rain, the text, and the white-out last.
    void draw(Renderer& renderer) override;
    // Gives the textures back and frees the text; safe without a load before it.
    void unload(TextureManager& textures) override;

    // Every live drop that has fallen below the surface under it pushes the water down
    // where it landed, as hard as it was falling, and is gone.
    void landDrops();

    WaterSurface water;
    ParticleSystem rain;
    EffectGroup effects;
    std::unique_ptr<TextSequence> intro;
    FogSettings fog;
    // Opacity of the wireframe overlay; grows past 1, which OpenGL clamps.
    float wireAlpha = 0.0f;
    // Rises from 42 s into the scene; invisible until then.
    ScreenFade whiteOut;
    // Radians; the emitter's loop advances per update, not per millisecond.
    float emitterAngle = 0.0f;

private:
    void drawWireframe(Renderer& renderer);
};

}  // namespace Tramble
