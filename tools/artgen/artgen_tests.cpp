// Tests of the artwork generator: the glyph sheet's layout, which the font's texture
// coordinates rely on. The regenerated pictures themselves are judged by the golden frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "glyphsheet.h"
#include "raster.h"

namespace Tramble {
namespace {

// Coverage above which a sheet pixel counts as ink.
constexpr float inkThreshold = 0.25f;

// Ink bounds of one cell of an upright sheet, in cell pixels.
struct CellInk {
    int left = glyphCellSize, right = -1, top = glyphCellSize, bottom = -1;
    bool empty() const { return right < 0; }
};

CellInk inkOf(const Raster& upright, int code) {
    const int cell = code - firstGlyphCode;
    const int x0 = (cell % 16) * glyphCellSize;
    const int y0 = (cell / 16) * glyphCellSize;
    CellInk ink;
    for (int y = 0; y < glyphCellSize; ++y) {
        for (int x = 0; x < glyphCellSize; ++x) {
            if (upright.at(x0 + x, y0 + y).r > inkThreshold) {
                ink = {std::min(ink.left, x), std::max(ink.right, x), std::min(ink.top, y), std::max(ink.bottom, y)};
            }
        }
    }
    return ink;
}

// The font advances half a cell per glyph: ink past the left half would be cut off at the
// end of right-aligned text. The sheet is stored bottom row first (an upside-down sheet shows
// in the golden frames).
TEST(GlyphSheet, GlyphsStandUprightCentredInTheAdvanceOnOneBaseline) {
    if (!std::ifstream(defaultFontPath).good()) {
        GTEST_SKIP() << "DejaVu Sans Bold is not installed";
    }
    Raster upright(1, 1);
    ASSERT_TRUE(renderGlyphSheet(defaultFontPath, upright));
    ASSERT_EQ(glyphSheetSize, upright.width());
    upright.flipVertically();
    const int baseline = inkOf(upright, 'H').bottom;
    for (const char* c = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"; *c; ++c) {
        const CellInk ink = inkOf(upright, *c);
        ASSERT_FALSE(ink.empty()) << *c;
        EXPECT_LT(ink.right, 16) << *c << " reaches past its advance";
        EXPECT_NEAR(0.5f * (ink.left + ink.right + 1), 8.0f, 1.0f) << *c << " is off centre";
        EXPECT_GE(ink.top, 1) << *c << " touches the cell above";
    }
    for (const char* c = "EHMTXZxz0125"; *c; ++c) {
        EXPECT_EQ(baseline, inkOf(upright, *c).bottom) << *c << " is off the baseline";
    }
    EXPECT_GT(inkOf(upright, 'g').bottom, baseline + 2) << "descenders must hang below the line";
    EXPECT_LT(inkOf(upright, 'g').bottom, glyphCellSize - 1) << "descender touches the cell below";

    EXPECT_TRUE(inkOf(upright, ' ').empty());
}

}  // namespace
}  // namespace Tramble
