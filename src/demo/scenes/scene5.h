// The closing scene: the last words and the credits, white lines fading in one after
// another on an empty frame. When it ends the timeline is over.
#pragma once

#include <memory>

#include "demo/effects/effectgroup.h"
#include "demo/effects/textsequence.h"
#include "demo/scenesys.h"

namespace Tramble {

class Scene5 : public IDemoScene {
public:
    // Nine lines leave the scene's last 4 s empty.
    static constexpr const char* creditLines[] = {
        "You have seen, or not...",
        "One of the world's smallest demos",
        "by kel7 and reed alt torvik and pallo",
        "Deadline was way to early",
        "but we wanted to release something",
        "even though we know this sux ;D",
        "See you next year!",
        "T R A M B L E",
        "(Notice, no big ending! :-))",
    };

    Scene5();
    // Writes the credits; uses no texture.
    void load(TextureManager& textures) override;
    // Only the credits, until they have run out.
    void draw(Renderer& renderer) override;

    EffectGroup effects;
    // Created by load, freed with the scene.
    std::unique_ptr<TextSequence> credits;
};

}  // namespace Tramble
