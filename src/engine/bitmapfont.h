// The bitmap font: a 16 x 16 glyph sheet texture compiled into 256 display lists, one per
// cell, and text printed with them in a fixed 800 x 600 screen space with a jittered,
// additively blended second copy.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "engine/renderersys.h"

namespace Tramble {

// Alignment of a line of text on the screen. Any other value puts the line at coordinate 0
// on that axis, as Left and Bottom do.
enum HorizontalAlign : int { Left = 0, Centre = 1, Right = 2 };
enum VerticalAlign : int { Top = 0, Middle = 1, Bottom = 2 };

// What the two renderer back ends share is here and in bitmapfont.cpp; each back end draws
// the glyphs its own way (bitmapfont_fixed.cpp: display lists; bitmapfont_shaders.cpp: one
// vertex array for both copies of a print).
class BitmapFont {
public:
    BitmapFont();
    ~BitmapFont();
    // The display lists belong to the OpenGL context: release() frees them while it exists.
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;

    // Compiles the glyph quads of size (width, height) screen units; the pen moves half the
    // width plus spacing per glyph. Sets the material to the sheet, additive, in colour.
    // A font built twice keeps its first set of lists allocated: build once.
    void build(const unsigned int& texture, const float size[2], float spacing, const float colour[4]);

    // Draws text with its first glyph's lower left corner at position (x, y; origin at the
    // bottom left of the 800 x 600 text space), unlit and without the depth test, with all
    // lists of a copy in one call. Draws nothing unless built. Leaves both matrices as they
    // were, and lighting and the depth test on, whatever they were before.
    void print(const std::string& text, const float position[2], Renderer& renderer);

    // The sheet cell (0..255, one display list each) that draws character: its cell from the
    // space on, noCell for characters before the space, which the sheet does not hold.
    static int glyphCell(unsigned char character);
    static constexpr int noCell = -1;

    // Where a line of length characters starts when aligned as asked. The line height
    // taken for vertical alignment is the advance: the font does not keep the glyph height.
    std::array<float, 2> alignedPosition(int horizontal, int vertical, int length) const;
    void printAligned(const std::string& text, int horizontal, int vertical, Renderer& renderer);

    // Deletes the display lists; the texture stays with whoever fetched it.
    void release();

    unsigned int listBase = 0;
    unsigned int texture = 0;
    // Callers change material.colour between prints to tint or fade text.
    Material material;
    float advance = 0.0f;

    // The sheet's 16 x 16 cells, one per character from the space on.
    static constexpr int glyphCount = 256;

private:
    // A cell's texture coordinates: s0 to s1 left to right, t0 to t1 bottom to top.
    struct CellCoordinates {
        float s0, s1, t0, t1;
    };
    static CellCoordinates cellCoordinates(int cell);
    // Makes the glyphs of size (width, height) text units and sets listBase.
    void buildGlyphs(const float size[2]);
    // Draws the cells twice, with the pen starting at each position in turn, in the text box
    // with the material applied.
    void drawCopies(const float first[2], const float second[2], Renderer& renderer);

    // The sheet cell of each drawn character of the text being printed; kept between prints
    // so that printing allocates only for a longer line than any before.
    std::vector<unsigned char> cells;
    // What the back end keeps of the built glyphs.
    struct Glyphs;
    std::unique_ptr<Glyphs> glyphs;
};

}  // namespace Tramble
