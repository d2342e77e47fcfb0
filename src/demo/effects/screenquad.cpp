// The full-screen rectangle and its two users. The corner array is allocated once per
// drawable, not per draw.
#include "demo/effects/screenquad.h"

namespace Tramble {

ScreenRectangle::ScreenRectangle(bool texCoords) {
    corners.hasNormals = true;
    corners.hasTexCoords = true;
    corners.allocate(4);
    corners.vertices[0] = Vector3(-1.0f, -1.0f, 0.0f);
    corners.vertices[1] = Vector3(1.0f, -1.0f, 0.0f);
    corners.vertices[2] = Vector3(1.0f, 1.0f, 0.0f);
    corners.vertices[3] = Vector3(-1.0f, 1.0f, 0.0f);
    if (texCoords) {
        corners.texCoords[0] = TexCoord{0.0f, 1.0f};
        corners.texCoords[1] = TexCoord{1.0f, 1.0f};
        corners.texCoords[2] = TexCoord{1.0f, 0.0f};
        corners.texCoords[3] = TexCoord{0.0f, 0.0f};
    }
}

void ScreenRectangle::draw(Renderer& renderer, const Material& material) const {
    const ScopedBox box(renderer, unitBox);
    renderer.applyMaterial(material);
    renderer.drawArrays(PrimitiveType::Quads, corners);
}

ScreenQuad::ScreenQuad() : rectangle(true) {}

void ScreenQuad::draw(Renderer& renderer) {
    rectangle.draw(renderer, material);
}

ScreenFade::ScreenFade(float length, bool rising)
    : length(length), rising(rising), alpha(rising ? 0.0f : 1.0f), rectangle(false) {}

void ScreenFade::update(unsigned int ms) {
    if (elapsed >= length) {
        return;
    }
    elapsed += static_cast<float>(ms);
    const float progress = elapsed / length;
    alpha = rising ? progress : 1.0f - progress;
}

void ScreenFade::draw(Renderer& renderer) {
    Material flash;
    flash.colour[3] = alpha;
    flash.blend = blendAdditive;
    rectangle.draw(renderer, flash);
}

}  // namespace Tramble
