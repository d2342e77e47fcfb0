// Tests of the artwork generator: the glyph sheet's layout and orientation (what the
// font's texture coordinates rely on), the sprite's black border, the sphere maps'
// orientation, the PPM writer, and that every picture is the same on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

// Ink bounds of one cell of an upright sheet, in cell pixels.
struct CellInk {
    int left = glyphCellSize;
    int right = -1;
    int top = glyphCellSize;
    int bottom = -1;
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
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

// Width of the ink in one row of a cell of an upright sheet.
int rowInkWidth(const Raster& upright, int code, int row) {
    const int cell = code - firstGlyphCode;
    const int x0 = (cell % 16) * glyphCellSize;
    const int y = (cell / 16) * glyphCellSize + row;
    int left = glyphCellSize;
    int right = -1;
    for (int x = 0; x < glyphCellSize; ++x) {
        if (upright.at(x0 + x, y).r > inkThreshold) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    return right < 0 ? 0 : right - left + 1;
}

class GlyphSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fontAvailable()) {
            GTEST_SKIP() << "DejaVu Sans Bold is not installed";
        }
        ASSERT_TRUE(renderGlyphSheet(defaultFontPath, upright));
        ASSERT_EQ(glyphSheetSize, upright.width());
        upright.flipVertically();
    }

    Raster upright{1, 1};
};

TEST_F(GlyphSheetTest, GlyphsReadUprightOnceTheSheetIsFlippedBack) {
    // The sheet is stored bottom row first; flipped back, A and V are mirror images top to
    // bottom and T's bar is on top.
    const CellInk a = inkOf(upright, 'A');
    const CellInk v = inkOf(upright, 'V');
    const CellInk t = inkOf(upright, 'T');
    EXPECT_GT(rowInkWidth(upright, 'A', a.bottom), rowInkWidth(upright, 'A', a.top));
    EXPECT_LT(rowInkWidth(upright, 'V', v.bottom), rowInkWidth(upright, 'V', v.top));
    EXPECT_GT(rowInkWidth(upright, 'T', t.top), rowInkWidth(upright, 'T', t.bottom));
}

// The font advances half a cell per glyph: ink past the left half would be cut off at the
// end of right-aligned text.
TEST_F(GlyphSheetTest, LettersAndDigitsAreCentredInTheAdvanceAndShareABaseline) {
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
}

TEST_F(GlyphSheetTest, SpaceAndCellsPastTildeStayBlack) {
    EXPECT_TRUE(inkOf(upright, ' ').empty());
    for (int y = 0; y < glyphSheetSize; ++y) {
        for (int x = 0; x < glyphSheetSize; ++x) {
            const int cell = (y / glyphCellSize) * 16 + x / glyphCellSize;
            if (cell > lastGlyphCode - firstGlyphCode) {
                ASSERT_EQ(0, Raster::quantise(upright.at(x, y).r)) << "cell " << cell;
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

TEST(SphereMaps, SkyLiesAtHighTWhichIsTheLastStoredRows) {
    // GL_SPHERE_MAP gives reflections pointing up the highest t; the chrome's sky is bright
    // and its ground dark, so the last rows must be the bright ones.
    const Raster chrome = makeChromeSphereMap();
    ASSERT_EQ(sphereMapSize, chrome.width());
    ASSERT_EQ(sphereMapSize, chrome.height());
    const int quarter = sphereMapSize / 4;
    EXPECT_GT(meanBrightness(chrome, 2 * quarter + quarter / 2, 3 * quarter),
              2.0f * meanBrightness(chrome, quarter, quarter + quarter / 2));
}

TEST(Backdrops, StayDarkBehindAdditiveParticlesAndText) {
    for (const Raster& backdrop : {makeMetaballBackdrop(), makeKnotBackdrop(), makeStarfieldBackdrop()}) {
        ASSERT_EQ(backdropSize, backdrop.width());
        ASSERT_EQ(backdropSize, backdrop.height());
        EXPECT_LT(meanBrightness(backdrop, 0, backdropSize - 1), 0.12f);
    }
}

bool samePixels(const Raster& a, const Raster& b) {
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.at(x, y).r != b.at(x, y).r || a.at(x, y).g != b.at(x, y).g || a.at(x, y).b != b.at(x, y).b) {
                return false;
            }
        }
    }
    return true;
}

TEST(Artwork, EveryRunPaintsTheSamePictures) {
    EXPECT_TRUE(samePixels(makeStarfieldBackdrop(), makeStarfieldBackdrop()));
    EXPECT_TRUE(samePixels(makeBrushedSphereMap(), makeBrushedSphereMap()));
    if (fontAvailable()) {
        Raster first(1, 1);
        Raster second(1, 1);
        ASSERT_TRUE(renderGlyphSheet(defaultFontPath, first));
        ASSERT_TRUE(renderGlyphSheet(defaultFontPath, second));
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
    const std::string expected = std::string("P6\n2 1\n255\n") + std::string("\x00\x80\xff\xff\x00\x33", 6);
    EXPECT_EQ(expected, contents);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(picture.writePpm("/nonexistent-directory/x.ppm"));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("Error"));
}

}  // namespace
}  // namespace Tramble
