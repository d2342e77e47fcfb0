// Tests of the artwork generator: the glyph sheet's layout, which the font's texture
// coordinates rely on. The regenerated pictures themselves are judged by the golden frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <utility>

#include "glyphsheet.h"
#include "raster.h"

namespace Tramble {
namespace {

// Coverage above which a sheet pixel counts as ink.
constexpr float inkThreshold = 0.25f;

// The leftmost and rightmost inked columns of a glyph's cell in an upright sheet; right is -1 without ink.
std::pair<int, int> inkColumns(const Raster& upright, int code) {
    const int x0 = (code - firstGlyphCode) % 16 * glyphCellSize;
    const int y0 = (code - firstGlyphCode) / 16 * glyphCellSize;
    std::pair<int, int> ink{glyphCellSize, -1};
    for (int y = 0; y < glyphCellSize; ++y) {
        for (int x = 0; x < glyphCellSize; ++x) {
            if (upright.at(x0 + x, y0 + y).r > inkThreshold) {
                ink = {std::min(ink.first, x), std::max(ink.second, x)};
            }
        }
    }
    return ink;
}

// The font advances half a cell per glyph: ink past the left half would be cut off at the
// end of right-aligned text. The sheet is stored bottom row first; placement within the cell
// beyond this shows in the golden frames.
TEST(GlyphSheet, GlyphsStandUprightCentredInTheAdvance) {
    if (!std::ifstream(defaultFontPath).good()) {
        GTEST_SKIP() << "DejaVu Sans Bold is not installed";
    }
    Raster upright(1, 1);
    ASSERT_TRUE(renderGlyphSheet(defaultFontPath, upright));
    ASSERT_EQ(glyphSheetSize, upright.width());
    upright.flipVertically();
    for (const char* c = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"; *c; ++c) {
        const auto [left, right] = inkColumns(upright, *c);
        ASSERT_GE(right, 0) << *c << " has no ink";
        EXPECT_LT(right, 16) << *c << " reaches past its advance";
        EXPECT_NEAR(0.5f * (left + right + 1), 8.0f, 1.0f) << *c << " is off centre";
    }
    EXPECT_LT(inkColumns(upright, ' ').second, 0);
}

}  // namespace
}  // namespace Tramble
