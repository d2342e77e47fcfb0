// The group's two walks. Both drop a finished effect right after it has been visited, so
// an effect that finishes while drawing is not advanced again, and vice versa.
#include "demo/effects/effectgroup.h"

namespace Tramble {

void EffectGroup::draw(Renderer& renderer) {
    for (TimedEffect* effect = effects.first(); effect != nullptr; effect = effects.next()) {
        effect->draw(renderer);
        if ((effect->flags & effectFinished) != 0) {
            effects.removeCurrent();
        }
    }
}

void EffectGroup::update(unsigned int ms) {
    for (TimedEffect* effect = effects.first(); effect != nullptr; effect = effects.next()) {
        effect->update(ms);
        if ((effect->flags & effectFinished) != 0) {
            effects.removeCurrent();
        }
    }
}

}  // namespace Tramble
