// Effects that are drawn and timed at once (text sequences), and the group that draws and
// advances them and lets go of each one as soon as it reports that it has finished.
#pragma once

#include "engine/basictask.h"
#include "engine/cursorlist.h"
#include "engine/rendernode.h"

namespace Tramble {

class Renderer;

// Bit 0 of an effect's task flags: the effect has finished and its group drops it.
const unsigned int effectFinished = 1;

// A drawable that also advances with time; one task object shared by both roles.
class TimedEffect : public RenderNode, public virtual ITimeTask {};

class EffectGroup : public TimedEffect {
public:
    // Appends at the back; the effect is not owned and must outlive its membership.
    void add(TimedEffect* effect) { effects.append(effect); }
    // Drops an effect before it has finished, for an owner that destroys it early.
    void remove(TimedEffect* effect) { effects.remove(effect); }

    // Each effect in order, dropping the ones that have finished afterwards.
    void draw(Renderer& renderer) override;
    // Each effect's own update (not its guarded updateTask), with the same dropping.
    void update(unsigned int ms) override;

    CursorList<TimedEffect> effects;
};

}  // namespace Tramble
