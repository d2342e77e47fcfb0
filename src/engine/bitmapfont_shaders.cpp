// The font's glyphs for the shader back end, which has no display lists: a print writes both
// copies' glyph quads, two triangles each, into one vertex array kept between prints and draws
// it at once, in the text box. The glyph cells, the advance and the jitter are those of the
// display lists. Touches nothing of OpenGL itself; the renderer draws.
#include "engine/bitmapfont.h"

namespace Tramble {

namespace {

// Without display lists listBase only says whether the font is built.
const unsigned int builtMark = 1;
// The corners of a glyph quad (lower left, lower right, upper right, upper left) in the
// order of its two triangles, split as OpenGL splits the quads the display lists draw.
const int triangleCorners[] = {0, 1, 3, 1, 2, 3};
const int verticesPerGlyph = sizeof triangleCorners / sizeof triangleCorners[0];
// A print draws the text twice.
const int copies = 2;

}  // namespace

struct BitmapFont::Glyphs {
    float size[2] = {0.0f, 0.0f};
    // Both copies of the longest text printed so far.
    VertexArray quads;
};

BitmapFont::BitmapFont() : glyphs(std::make_unique<Glyphs>()) {
    glyphs->quads.hasTexCoords = true;
}

BitmapFont::~BitmapFont() = default;

void BitmapFont::buildGlyphs(const float size[2]) {
    glyphs->size[0] = size[0];
    glyphs->size[1] = size[1];
    listBase = builtMark;
}

// The pen moves as the display lists move it: the advance added to the x of the copy's
// matrix, in float, glyph after glyph.
void BitmapFont::drawCopies(const float first[2], const float second[2], Renderer& renderer) {
    VertexArray& quads = glyphs->quads;
    const int needed = static_cast<int>(cells.size()) * verticesPerGlyph * copies;
    if (needed > quads.count) {
        quads.allocate(needed);
    }
    const float width = glyphs->size[0];
    const float height = glyphs->size[1];
    int v = 0;
    for (const float* pen : {first, second}) {
        float x = pen[0];
        for (const unsigned char cell : cells) {
            const CellCoordinates c = cellCoordinates(cell);
            const Vector3 corners[4] = {Vector3(x, pen[1], 0.0f), Vector3(x + width, pen[1], 0.0f),
                                        Vector3(x + width, pen[1] + height, 0.0f), Vector3(x, pen[1] + height, 0.0f)};
            const TexCoord texCoords[4] = {{c.s0, c.t0}, {c.s1, c.t0}, {c.s1, c.t1}, {c.s0, c.t1}};
            for (const int corner : triangleCorners) {
                quads.vertices[v] = corners[corner];
                quads.texCoords[v] = texCoords[corner];
                ++v;
            }
            x += advance;
        }
    }
    renderer.drawArrays(PrimitiveType::Triangles, quads, static_cast<unsigned int>(v));
}

void BitmapFont::release() {
    listBase = 0;
}

}  // namespace Tramble
