// The render group's walk: hooks around the children, removal right after a child's draw.
#include "engine/rendernode.h"

namespace Tramble {

void RenderGroup::draw(Renderer& renderer) {
    preDraw(renderer);
    for (RenderNode* child = children.first(); child != nullptr; child = children.next()) {
        child->draw(renderer);
        if (child->removeMe) {
            children.removeCurrent();
        }
    }
    postDraw(renderer);
}

void RenderGroup::preDraw(Renderer&) {}

void RenderGroup::postDraw(Renderer&) {}

}  // namespace Tramble
