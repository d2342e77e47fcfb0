// Full-screen drawables in the unit orthographic box: ScreenQuad shows a material over the
// whole viewport (a backdrop), ScreenFade an additive white flash that rises or fades once.
// Both only apply their material and draw: lighting, depth test and depth mask are the
// scene's to set around them (the renderer's table).
#pragma once

#include "engine/renderersys.h"
#include "engine/rendernode.h"
#include "engine/vertexarray.h"

namespace Tramble {

// The four corners of the viewport, built once; `texCoords` maps the image's first row to
// the top of the screen.
class ScreenRectangle {
public:
    explicit ScreenRectangle(bool texCoords);

    // Draws the rectangle with the material in the unit box, leaving both matrices as found.
    void draw(Renderer& renderer, const Material& material) const;

private:
    VertexArray corners;
};

class ScreenQuad : public RenderNode {
public:
    ScreenQuad();

    void setMaterial(Material m) { material = m; }
    void draw(Renderer& renderer) override;

    Material material;

private:
    ScreenRectangle rectangle;
};

class ScreenFade : public RenderNode {
public:
    // length in milliseconds; rising goes from clear to white, falling from white to clear.
    ScreenFade(float length, bool rising);

    // Advances the fade until it has run its length; afterwards alpha stays where the last
    // step left it (possibly a little past 0 or 1, which OpenGL clamps).
    void update(unsigned int ms);
    // White, added over the picture with the current alpha.
    void draw(Renderer& renderer) override;

    float length;
    bool rising;
    float elapsed = 0.0f;
    float alpha;

private:
    ScreenRectangle rectangle;
};

}  // namespace Tramble
