// The retained drawing structure: a render node draws itself with the renderer; a render
// group draws its hooks and its children in order, depth first, and drops any child that
// asks to be removed right after that child has drawn.
#pragma once

#include "engine/cursorlist.h"

namespace Tramble {

class Renderer;

class RenderNode {
public:
    virtual ~RenderNode() = default;
    virtual void draw(Renderer& renderer) = 0;

    // Set during draw to be dropped by the group that drew this node, after this frame.
    bool removeMe = false;
};

class RenderGroup : public RenderNode {
public:
    void draw(Renderer& renderer) override;
    // Extension points around the children (state a group sets for them); both do nothing.
    virtual void preDraw(Renderer& renderer);
    virtual void postDraw(Renderer& renderer);

    void addNode(RenderNode* node) { children.append(node); }

    // Not owned.
    CursorList<RenderNode> children;
};

}  // namespace Tramble
