// The bitmap font: a 16 x 16 glyph sheet texture compiled into 256 display lists, one per
// cell, and text printed with them in a fixed 800 x 600 screen space with a jittered,
// additively blended second copy.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/renderersys.h"

namespace Tramble {

// Alignment of a line of text on the screen. Any other value puts the line at coordinate 0
// on that axis, as Left and Bottom do.
enum HorizontalAlign : int { Left = 0, Centre = 1, Right = 2 };
enum VerticalAlign : int { Top = 0, Middle = 1, Bottom = 2 };

class BitmapFont {
public:
    BitmapFont() = default;
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

private:
    // The sheet cell of each drawn character of the text being printed; kept between prints
    // so that printing allocates only for a longer line than any before.
    std::vector<unsigned char> cells;
};

}  // namespace Tramble
