// The bitmap font's display lists, printing in the 800 x 600 text space with the jittered
// second pass, and alignment on that screen.
#include "engine/bitmapfont.h"

#include <SDL_opengl.h>

#include "engine/logsys.h"
#include "engine/random.h"

namespace Tramble {

namespace {

// The glyph sheet's grid: 16 x 16 cells, one per display list.
const int gridCells = 16;
const int glyphCount = gridCells * gridCells;
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
void BitmapFont::build(const unsigned int& texture, const float size[2], float spacing, const float colour[4]) {
    this->texture = texture;
    listBase = glGenLists(glyphCount);
    glBindTexture(GL_TEXTURE_2D, texture);
    advance = size[0] * 0.5f + spacing;
    for (int k = 0; k < glyphCount; ++k) {
        const float s0 = static_cast<float>(k % gridCells) * cellSize;
        const float s1 = s0 + cellSize;
        const float t1 = 1.0f - static_cast<float>(k / gridCells) * cellSize;
        const float t0 = t1 - cellSize;
        glNewList(listBase + k, GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(s0, t0);
        glVertex2f(0.0f, 0.0f);
        glTexCoord2f(s1, t0);
        glVertex2f(size[0], 0.0f);
        glTexCoord2f(s1, t1);
        glVertex2f(size[0], size[1]);
        glTexCoord2f(s0, t1);
        glVertex2f(0.0f, size[1]);
        glEnd();
        glTranslated(advance, 0.0, 0.0);
        glEndList();
    }
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
    renderer.applyMaterial(material);
    renderer.setLighting(false);
    renderer.setDepthTest(false);
    const ScopedBox box(renderer, textBox);
    glListBase(listBase);

    renderer.translate(Vector3(position[0], position[1], 0.0f));
    glCallLists(static_cast<GLsizei>(cells.size()), GL_UNSIGNED_BYTE, cells.data());
    // The vertical offset is taken first: the two calls consume the shared sequence in this order.
    const int jitterY = sharedRandom() % jitterRange - jitterOffset;
    const int jitterX = sharedRandom() % jitterRange - jitterOffset;
    renderer.loadMatrix(Matrix4(), MatrixMode::Modelview);
    renderer.translate(
        Vector3(position[0] + static_cast<float>(jitterX), position[1] + static_cast<float>(jitterY), 0.0f));
    glCallLists(static_cast<GLsizei>(cells.size()), GL_UNSIGNED_BYTE, cells.data());
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

void BitmapFont::release() {
    if (listBase != 0) {
        glDeleteLists(listBase, glyphCount);
        listBase = 0;
    }
}

}  // namespace Tramble
