// Tests of the artwork generator: the glyph sheet's layout and orientation, which the font's
// texture coordinates rely on, and the PPM writer. The pictures themselves show in the golden frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

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
TEST(GlyphSheet, GlyphsStandUprightCentredInTheAdvanceOnOneBaselineAndEmptyCellsStayBlack) {
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
    for (int y = 0; y < glyphSheetSize; ++y) {
        for (int x = 0; x < glyphSheetSize; ++x) {
            if ((y / glyphCellSize) * 16 + x / glyphCellSize > lastGlyphCode - firstGlyphCode) {
                ASSERT_EQ(0, Raster::quantise(upright.at(x, y).r)) << x << ", " << y;
            }
        }
    }
}

TEST(Raster, WritesBinaryPpmWithClampedRoundedChannels) {
    Raster picture(2, 1);
    picture.at(0, 0) = Colour{-0.5f, 0.5f, 2.0f};
    picture.at(1, 0) = Colour{1.0f, 0.0f, 0.2f};
    const std::string path = ::testing::TempDir() + "artgen_raster_test.ppm";
    ASSERT_TRUE(picture.writePpm(path));
    std::ifstream file(path, std::ios::binary);
    const std::string contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::remove(path.c_str());
    EXPECT_EQ(std::string("P6\n2 1\n255\n") + std::string("\x00\x80\xff\xff\x00\x33", 6), contents);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(picture.writePpm("/nonexistent-directory/x.ppm"));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Error"));
}

}  // namespace
}  // namespace Tramble
