// The font's glyphs as display lists, for the fixed-function back end: list k draws cell k's
// textured quad and moves the pen on by the advance, so a print is one glCallLists per copy.
// Touches the display lists, the bound texture and the modelview matrix (inside the box).
#include <SDL_opengl.h>

#include "engine/bitmapfont.h"

namespace Tramble {

// Display lists live in the context.
struct BitmapFont::Glyphs {};

BitmapFont::BitmapFont() : glyphs(std::make_unique<Glyphs>()) {}

BitmapFont::~BitmapFont() = default;

void BitmapFont::buildGlyphs(const float size[2]) {
    listBase = glGenLists(glyphCount);
    glBindTexture(GL_TEXTURE_2D, texture);
    for (int k = 0; k < glyphCount; ++k) {
        const CellCoordinates c = cellCoordinates(k);
        glNewList(listBase + k, GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(c.s0, c.t0);
        glVertex2f(0.0f, 0.0f);
        glTexCoord2f(c.s1, c.t0);
        glVertex2f(size[0], 0.0f);
        glTexCoord2f(c.s1, c.t1);
        glVertex2f(size[0], size[1]);
        glTexCoord2f(c.s0, c.t1);
        glVertex2f(0.0f, size[1]);
        glEnd();
        glTranslated(advance, 0.0, 0.0);
        glEndList();
    }
}

void BitmapFont::drawCopies(const float first[2], const float second[2], Renderer& renderer) {
    glListBase(listBase);
    renderer.translate(Vector3(first[0], first[1], 0.0f));
    glCallLists(static_cast<GLsizei>(cells.size()), GL_UNSIGNED_BYTE, cells.data());
    renderer.loadMatrix(Matrix4(), MatrixMode::Modelview);
    renderer.translate(Vector3(second[0], second[1], 0.0f));
    glCallLists(static_cast<GLsizei>(cells.size()), GL_UNSIGNED_BYTE, cells.data());
}

void BitmapFont::release() {
    if (listBase != 0) {
        glDeleteLists(listBase, glyphCount);
        listBase = 0;
    }
}

}  // namespace Tramble
