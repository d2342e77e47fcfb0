// Builds the bitmap font's glyph sheet: printable ASCII rendered with FreeType into a
// 16 x 16 grid of cells, cell k holding character k + 32, stored flipped vertically so
// that the font's texture coordinates (row 0 at the highest t) draw it upright.
#pragma once

#include <string>

#include "raster.h"

namespace Tramble {

// Side of one glyph cell in pixels, and of the whole sheet.
constexpr int glyphCellSize = 32;
constexpr int glyphSheetSize = 16 * glyphCellSize;
// First and last character code with a glyph; the other cells stay black.
constexpr int firstGlyphCode = 32;
constexpr int lastGlyphCode = 126;
// The sheet's typeface (Debian's fonts-dejavu-core) unless the caller names another file.
constexpr const char* defaultFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Renders the sheet from the font file into `sheet` (glyphSheetSize square);
// false (with a message on stderr) when FreeType cannot load the font or a glyph.
bool renderGlyphSheet(const std::string& fontPath, Raster& sheet);

}  // namespace Tramble
