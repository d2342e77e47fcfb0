// The bitmap font's glyph sheet layout, printing in the 800 x 600 text space with the
// jittered second copy, and alignment on that screen.
#include "engine/bitmapfont.h"

#include "engine/logsys.h"
#include "engine/random.h"

namespace Tramble {

namespace {

// The glyph sheet's grid: 16 x 16 cells.
const int gridCells = 16;
// Side of one cell in texture coordinates.
const float cellSize = 1.0f / gridCells;
// The first character code on the sheet: cell 0 holds the space.
const int firstCharacter = 32;
// The text space, whatever the viewport it is mapped onto.
const double screenWidth = 800.0;
const double screenHeight = 600.0;
const ScreenBox textBox = {0.0, screenWidth, 0.0, screenHeight};
// The jitter of the second pass: sharedRandom() % range - offset, an integer from -5 to 4.
const int jitterRange = 10;
const int jitterOffset = 5;

}  // namespace

// Row 0 of the grid is the band at the highest t, where the last rows stored in the sheet
// file end up: the sheet is stored flipped, so that each quad's top edge takes its glyph's top.
BitmapFont::CellCoordinates BitmapFont::cellCoordinates(int cell) {
    CellCoordinates c;
    c.s0 = static_cast<float>(cell % gridCells) * cellSize;
    c.s1 = c.s0 + cellSize;
    c.t1 = 1.0f - static_cast<float>(cell / gridCells) * cellSize;
    c.t0 = c.t1 - cellSize;
    return c;
}

void BitmapFont::build(const unsigned int& texture, const float size[2], float spacing, const float colour[4]) {
    this->texture = texture;
    advance = size[0] * 0.5f + spacing;
    buildGlyphs(size);
    material.texture = texture;
    material.blend = blendAdditive;
    for (int i = 0; i < 4; ++i) {
        material.colour[i] = colour[i];
    }
}

void BitmapFont::print(const std::string& text, const float position[2], Renderer& renderer) {
    if (listBase == 0) {
        LOG(Warning) << "Font printed before build or after release, text dropped\n";
        return;
    }
    // Characters the sheet does not hold are left out, so they draw nothing and move the
    // pen nowhere; calling the lists with the raw text would run whatever list lies below
    // the font's for a control character.
    cells.clear();
    for (const char character : text) {
        const int cell = glyphCell(static_cast<unsigned char>(character));
        if (cell != noCell) {
            cells.push_back(static_cast<unsigned char>(cell));
        }
    }
    // The vertical offset is taken first: the two calls consume the shared sequence in this order.
    const int jitterY = sharedRandom() % jitterRange - jitterOffset;
    const int jitterX = sharedRandom() % jitterRange - jitterOffset;
    const float jittered[2] = {position[0] + static_cast<float>(jitterX), position[1] + static_cast<float>(jitterY)};
    renderer.applyMaterial(material);
    renderer.setLighting(false);
    renderer.setDepthTest(false);
    {
        const ScopedBox box(renderer, textBox);
        drawCopies(position, jittered, renderer);
    }
    renderer.setDepthTest(true);
    renderer.setLighting(true);
}

int BitmapFont::glyphCell(unsigned char character) {
    const int cell = character - firstCharacter;
    return cell >= 0 && cell < glyphCount ? cell : noCell;
}

std::array<float, 2> BitmapFont::alignedPosition(int horizontal, int vertical, int length) const {
    const float width = static_cast<float>(length) * advance;
    const float screenRight = static_cast<float>(screenWidth);
    const float screenTop = static_cast<float>(screenHeight);
    std::array<float, 2> position = {0.0f, 0.0f};
    switch (horizontal) {
        case Centre: position[0] = (screenRight - width) * 0.5f; break;
        case Right: position[0] = screenRight - width; break;
        default: break;
    }
    switch (vertical) {
        case Top: position[1] = screenTop - advance; break;
        case Middle: position[1] = (screenTop - advance) * 0.5f; break;
        default: break;
    }
    return position;
}

void BitmapFont::printAligned(const std::string& text, int horizontal, int vertical, Renderer& renderer) {
    print(text, alignedPosition(horizontal, vertical, static_cast<int>(text.size())).data(), renderer);
}

}  // namespace Tramble
