// Glyph sheet rendering with FreeType. The font draws each 32-pixel cell as a 40 x 40
// quad but advances only 20 units, so ink is kept within the left half of the cell, the
// part the pen advance covers, centred on it: aligned text then ends where its advances
// end. The few very wide glyphs are squeezed horizontally to fit. Glyphs are stretched
// 1.5x vertically to undo the letterbox squeezing text to two thirds height.
#include "glyphsheet.h"

#include <ft2build.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <type_traits>
#include FT_FREETYPE_H

namespace Tramble {

namespace {

// Pixels of the cell that the 20-unit pen advance covers, from its left edge.
constexpr int advanceWidth = glyphCellSize / 2;
// Widest ink any glyph may have, in pixels: this leaves neighbouring glyphs at least a
// pixel apart.
constexpr int maxInkWidth = advanceWidth - 1;
// Ink width the typical letters are sized to; wider glyphs (W, M, m, @) are squeezed
// horizontally to maxInkWidth instead of shrinking the whole font for them.
constexpr int typicalInkWidth = 14;
// Characters of typical width that set the font size.
constexpr const char* sizingCharacters = "HNOUnou0";
// Vertical over horizontal glyph scale, undoing the letterbox's 2/3 squeeze.
constexpr float verticalStretch = 1.5f;
// Horizontal pixel size the size search starts from, and its step down.
constexpr float startPixelSize = 32.0f;
constexpr float pixelSizeStep = 0.25f;
// Blank rows kept above and below the ink so linear filtering never reads a neighbour cell.
constexpr int verticalMargin = 1;
// FreeType's 26.6 fixed point: 64 units per pixel.
constexpr float fixedPointOne = 64.0f;
// Light hinting snaps only vertical metrics, keeping horizontal shapes (and centring) true.
constexpr FT_Int32 loadFlags = FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT;

struct LibraryCloser {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceCloser {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryHandle = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryCloser>;
using FaceHandle = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceCloser>;

// Vertical extent of all glyphs above and below the baseline, in pixels.
struct InkExtent {
    int ascent = 0;
    int descent = 0;
};

bool setPixelSize(FT_Face face, float width, float height) {
    const FT_Error error =
        FT_Set_Char_Size(face, std::lround(width * fixedPointOne), std::lround(height * fixedPointOne), 72, 72);
    if (error != 0) {
        std::cerr << "Error: FreeType cannot set a size of " << width << " x " << height << std::endl;
        return false;
    }
    return true;
}

bool loadGlyph(FT_Face face, int code) {
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), loadFlags) != 0) {
        std::cerr << "Error: FreeType cannot render character " << code << std::endl;
        return false;
    }
    return true;
}

bool widestInk(FT_Face face, int& widest) {
    widest = 0;
    for (const char* c = sizingCharacters; *c != '\0'; ++c) {
        if (!loadGlyph(face, static_cast<unsigned char>(*c))) {
            return false;
        }
        widest = std::max(widest, static_cast<int>(face->glyph->bitmap.width));
    }
    return true;
}

bool measureExtent(FT_Face face, InkExtent& extent) {
    extent = InkExtent();
    for (int code = firstGlyphCode; code <= lastGlyphCode; ++code) {
        if (!loadGlyph(face, code)) {
            return false;
        }
        const FT_GlyphSlot slot = face->glyph;
        if (slot->bitmap.rows == 0) {
            continue;
        }
        extent.ascent = std::max(extent.ascent, slot->bitmap_top);
        extent.descent = std::max(extent.descent, static_cast<int>(slot->bitmap.rows) - slot->bitmap_top);
    }
    return true;
}

// Picks the largest horizontal size whose typical letters fit typicalInkWidth and whose
// tallest and deepest glyphs fit the cell; also gives the baseline row from the cell top.
bool chooseSize(FT_Face face, float& size, int& baseline) {
    for (size = startPixelSize; size > pixelSizeStep; size -= pixelSizeStep) {
        int widest = 0;
        InkExtent extent;
        if (!setPixelSize(face, size, size * verticalStretch) || !widestInk(face, widest) ||
            !measureExtent(face, extent)) {
            return false;
        }
        const int height = extent.ascent + extent.descent;
        if (widest <= typicalInkWidth && height <= glyphCellSize - 2 * verticalMargin) {
            baseline = (glyphCellSize - height) / 2 + extent.ascent;
            return true;
        }
    }
    std::cerr << "Error: no font size fits the glyph cells" << std::endl;
    return false;
}

// Renders one glyph at the chosen size, narrowing it until its ink fits maxInkWidth.
// The height stays, so squeezed glyphs keep the baseline and the line height.
bool renderNarrowGlyph(FT_Face face, int code, float size) {
    float width = size;
    for (;;) {
        if (!setPixelSize(face, width, size * verticalStretch) || !loadGlyph(face, code)) {
            return false;
        }
        const int inkWidth = static_cast<int>(face->glyph->bitmap.width);
        if (inkWidth <= maxInkWidth) {
            return true;
        }
        // Shrink by the overshoot, and at least one step so rounding cannot stall the loop.
        width = std::min(width - pixelSizeStep, width * maxInkWidth / inkWidth);
        if (width <= pixelSizeStep) {
            std::cerr << "Error: character " << code << " does not fit its cell" << std::endl;
            return false;
        }
    }
}

// Copies the current glyph's coverage into its cell of the upright sheet, ink centred
// within the advance, on the common baseline.
void placeGlyph(FT_GlyphSlot slot, int cell, int baseline, Raster& sheet) {
    const FT_Bitmap& bitmap = slot->bitmap;
    const int cellLeft = (cell % 16) * glyphCellSize;
    const int cellTop = (cell / 16) * glyphCellSize;
    const int left = cellLeft + (advanceWidth - static_cast<int>(bitmap.width)) / 2;
    const int top = cellTop + baseline - slot->bitmap_top;
    for (unsigned int row = 0; row < bitmap.rows; ++row) {
        const int y = top + static_cast<int>(row);
        if (y < cellTop || y >= cellTop + glyphCellSize) {
            continue;
        }
        for (unsigned int column = 0; column < bitmap.width; ++column) {
            const int x = left + static_cast<int>(column);
            const float coverage = bitmap.buffer[row * bitmap.pitch + column] / 255.0f;
            sheet.at(x, y) = Colour{coverage, coverage, coverage};
        }
    }
}

}  // namespace

bool renderGlyphSheet(const std::string& fontPath, Raster& sheet) {
    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0) {
        std::cerr << "Error: FreeType failed to initialise" << std::endl;
        return false;
    }
    const LibraryHandle library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), fontPath.c_str(), 0, &rawFace) != 0) {
        std::cerr << "Error: FreeType cannot open the font \"" << fontPath << "\"" << std::endl;
        return false;
    }
    const FaceHandle face(rawFace);

    float size = 0.0f;
    int baseline = 0;
    if (!chooseSize(face.get(), size, baseline)) {
        return false;
    }
    sheet = Raster(glyphSheetSize, glyphSheetSize);
    for (int code = firstGlyphCode; code <= lastGlyphCode; ++code) {
        if (!renderNarrowGlyph(face.get(), code, size)) {
            return false;
        }
        placeGlyph(face.get()->glyph, code - firstGlyphCode, baseline, sheet);
    }
    sheet.flipVertically();
    return true;
}

}  // namespace Tramble
