// Tests of the artwork generator: the glyph sheet's layout and orientation (what the
// font's texture coordinates rely on), the sprite's black border, the sphere maps'
// orientation, the PPM writer, and that every picture is the same on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "backdrops.h"
#include "glyphsheet.h"
#include "raster.h"
#include "spheremaps.h"

namespace Tramble {
namespace {

// Coverage above which a sheet pixel counts as ink.
constexpr float inkThreshold = 0.25f;

bool fontAvailable() {
    return std::ifstream(defaultFontPath).good();
}

// Ink bounds of rows firstRow to lastRow of one cell of an upright sheet, in cell pixels.
struct CellInk {
    int left = glyphCellSize, right = -1, top = glyphCellSize, bottom = -1;
    bool empty() const { return right < 0; }
    int width() const { return right - left + 1; }
};

CellInk inkOf(const Raster& upright, int code, int firstRow = 0, int lastRow = glyphCellSize - 1) {
    const int cell = code - firstGlyphCode;
    const int x0 = (cell % 16) * glyphCellSize;
    const int y0 = (cell / 16) * glyphCellSize;
    CellInk ink;
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = 0; x < glyphCellSize; ++x) {
            if (upright.at(x0 + x, y0 + y).r > inkThreshold) {
                ink = {std::min(ink.left, x), std::max(ink.right, x), std::min(ink.top, y), std::max(ink.bottom, y)};
            }
        }
    }
    return ink;
}

// The font advances half a cell per glyph: ink past the left half would be cut off at the
// end of right-aligned text. The sheet is stored bottom row first; flipped back, A and V are
// mirror images top to bottom and T's bar is on top.
TEST(GlyphSheet, GlyphsStandUprightCentredInTheAdvanceOnOneBaselineAndEmptyCellsStayBlack) {
    if (!fontAvailable()) {
        GTEST_SKIP() << "DejaVu Sans Bold is not installed";
    }
    Raster upright(1, 1);
    ASSERT_TRUE(renderGlyphSheet(defaultFontPath, upright));
    ASSERT_EQ(glyphSheetSize, upright.width());
    upright.flipVertically();
    const auto rowWidth = [&](char c, bool bottom) {
        const CellInk ink = inkOf(upright, c);
        const int row = bottom ? ink.bottom : ink.top;
        return inkOf(upright, c, row, row).width();
    };
    EXPECT_GT(rowWidth('A', true), rowWidth('A', false));
    EXPECT_LT(rowWidth('V', true), rowWidth('V', false));
    EXPECT_GT(rowWidth('T', false), rowWidth('T', true));

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

TEST(GlyphSheet, MissingFontFileFails) {
    Raster sheet(1, 1);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(renderGlyphSheet("/nonexistent/font.ttf", sheet));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Error"));
}

TEST(ParticleSprite, WhiteCentreFallingToBlackWellInsideTheSquare) {
    const Raster sprite = makeParticleSprite();
    ASSERT_EQ(particleSize, sprite.width());
    const int half = particleSize / 2;
    EXPECT_GT(sprite.at(half, half).r, 0.95f);
    // Drawn additively, any light near the edge would show the square.
    const int border = particleSize / 16;
    for (int y = 0; y < particleSize; ++y) {
        for (int x = 0; x < particleSize; ++x) {
            if (x < border || y < border || x >= particleSize - border || y >= particleSize - border) {
                ASSERT_EQ(0, Raster::quantise(sprite.at(x, y).r)) << x << "," << y;
            }
        }
    }
    for (int x = half; x + 1 < particleSize; ++x) {
        EXPECT_GE(sprite.at(x, half).r, sprite.at(x + 1, half).r) << "not falling smoothly at " << x;
    }
}

float meanBrightness(const Raster& picture, int firstRow, int lastRow) {
    float sum = 0.0f;
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            sum += picture.at(x, y).r + picture.at(x, y).g + picture.at(x, y).b;
        }
    }
    return sum / (3.0f * picture.width() * (lastRow - firstRow + 1));
}

// GL_SPHERE_MAP gives reflections pointing up the highest t; the chrome's sky is bright and
// its ground dark, so the last stored rows must be the bright ones. The backdrops stay dark
// behind additive particles and text.
TEST(Artwork, SkyAtHighTAndDarkBackdrops) {
    const Raster chrome = makeChromeSphereMap();
    ASSERT_EQ(sphereMapSize, chrome.height());
    const int quarter = sphereMapSize / 4;
    EXPECT_GT(meanBrightness(chrome, 2 * quarter + quarter / 2, 3 * quarter),
              2.0f * meanBrightness(chrome, quarter, quarter + quarter / 2));
    for (const Raster& backdrop : {makeMetaballBackdrop(), makeKnotBackdrop(), makeStarfieldBackdrop()}) {
        ASSERT_EQ(backdropSize, backdrop.height());
        EXPECT_LT(meanBrightness(backdrop, 0, backdropSize - 1), 0.12f);
    }
}

bool samePixels(const Raster& a, const Raster& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::memcmp(&a.at(0, 0), &b.at(0, 0), sizeof(Colour) * a.width() * a.height()) == 0;
}

TEST(Artwork, EveryRunPaintsTheSamePictures) {
    EXPECT_TRUE(samePixels(makeStarfieldBackdrop(), makeStarfieldBackdrop()));
    EXPECT_TRUE(samePixels(makeBrushedSphereMap(), makeBrushedSphereMap()));
    Raster first(1, 1), second(1, 1);
    if (fontAvailable() && renderGlyphSheet(defaultFontPath, first) && renderGlyphSheet(defaultFontPath, second)) {
        EXPECT_TRUE(samePixels(first, second));
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
