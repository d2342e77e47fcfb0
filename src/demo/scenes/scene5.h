// The closing scene: the last words and the credits, white lines fading in one after
// another on an empty frame. When it ends the timeline is over.
#pragma once

#include <memory>

#include "demo/effects/textsequence.h"
#include "demo/scenesys.h"

namespace Tramble {

class Scene5 : public IDemoScene {
public:
    // Only the credits, which keep being drawn (invisibly) once they have run out.
    void draw(Renderer& renderer) override;
    // Writes the credits; uses no texture.
    void load(TextureManager& textures) override;
    void update(unsigned int ms) override;

    // Created by load, freed with the scene.
    std::unique_ptr<TextSequence> credits;
};

}  // namespace Tramble
