// The bitmap font against a real context: glyphs upright in the right place, and no list run
// but the font's.
#include "engine/bitmapfont.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "engine/image.h"
#include "engine/random.h"
#include "engine/renderersys.h"
#include "support/glcontext.h"

namespace Tramble {
namespace {

// The synthetic glyph sheet: 16 x 16 cells of this many texels.
const int sheetCell = 16;
const int sheetSide = 16 * sheetCell;

using Rgb = std::array<unsigned char, 3>;
const Rgb black = {0, 0, 0};
const Rgb red = {255, 0, 0};
const Rgb green = {0, 255, 0};
const Rgb blue = {0, 0, 255};

// Fills part of a cell in glyph coordinates (y up from the glyph's bottom), stored as the
// font expects its file: flipped, cell 0 in the last stored rows.
void fillCell(std::vector<unsigned char>& sheet, int cell, int x0, int y0, int x1, int y1, Rgb colour) {
    const int left = (cell % 16) * sheetCell;
    const int bottom = (15 - cell / 16) * sheetCell;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            std::copy(colour.begin(), colour.end(),
                      &sheet[(static_cast<size_t>(bottom + y) * sheetSide + left + x) * 3]);
        }
    }
}

// Every pixel of the region reads a 255 channel as at least 200 and a 0 channel as at most 40.
::testing::AssertionResult regionIs(int x, int y, int width, int height, Rgb colour) {
    const std::vector<unsigned char> frame = readFrame(x, y, width, height);
    for (size_t i = 0; i < frame.size(); ++i) {
        if (colour[i % 3] != 0 ? frame[i] < 200 : frame[i] > 40) {
            return ::testing::AssertionFailure()
                   << "pixel " << i / 3 << " channel " << i % 3 << " is " << static_cast<int>(frame[i]);
        }
    }
    return ::testing::AssertionSuccess();
}

// Solid blue cells with a black border (so filtering at a quad's edge misses the neighbour,
// as on the real sheet); glyphs 40 units square, one text unit per pixel, a white material.
class FontTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        sheet.assign(static_cast<size_t>(sheetSide) * sheetSide * 3, 0);
        for (int cell = 0; cell < 256; ++cell) {
            fillCell(sheet, cell, 2, 2, sheetCell - 2, sheetCell - 2, blue);
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override {
        font.release();
        glDeleteTextures(1, &texture);
        GLTest::TearDown();
    }
    void build(float spacing = 0.0f) {
        Image image;
        image.setData(sheet.data(), sheetSide, sheetSide, 3);
        texture = renderer.loadTexture(image);
        const float size[2] = {40.0f, 40.0f};
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        font.build(texture, size, spacing, white);
    }

    std::vector<unsigned char> sheet;
    Renderer renderer;
    BitmapFont font;
    unsigned int texture = 0;
};

// Characters without a cell run no list but the font's: the 32 names below its lists are
// traps switching fog on (taken by lists made first, so they exist and are not the font's).
TEST_F(FontTest, CharactersWithoutACellRunNoListButTheFonts) {
    const GLuint others = glGenLists(64);
    build();
    for (GLuint name = font.listBase - 32; name < font.listBase; ++name) {
        glNewList(name, GL_COMPILE);
        glEnable(GL_FOG);
        glEndList();
    }
    glDisable(GL_FOG);
    const float position[2] = {100.0f, 100.0f};
    font.print("tab\there\n\x01\x1f ", position, renderer);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    glDeleteLists(others, 64);
}

// '#' has a red upper half, 'O' a green left half, the space is empty: wrong cells, flipped or
// mirrored glyphs all show. The control characters between them draw nothing and move the pen
// nowhere. The regions keep clear of the jittered copy's 5 units.
TEST_F(FontTest, PrintDrawsUprightGlyphsWhereTheyAreAndNothingForSpaces) {
    const int low = 2, half = sheetCell / 2, high = sheetCell - 2;
    fillCell(sheet, ' ' - 32, low, low, high, high, black);
    fillCell(sheet, '#' - 32, low, low, high, half, black);
    fillCell(sheet, '#' - 32, low, half, high, high, red);
    fillCell(sheet, 'O' - 32, low, low, half, high, green);
    fillCell(sheet, 'O' - 32, half, low, high, high, black);
    build(20.0f);
    const float position[2] = {100.0f, 200.0f};
    font.print("#\x01\t O", position, renderer);

    EXPECT_TRUE(regionIs(110, 224, 20, 9, red)) << "upper half of '#'";
    EXPECT_TRUE(regionIs(110, 203, 20, 10, black)) << "lower half of '#'";
    EXPECT_TRUE(regionIs(146, 195, 28, 50, black)) << "the space";
    EXPECT_TRUE(regionIs(188, 210, 9, 20, green)) << "left half of 'O'";
    EXPECT_TRUE(regionIs(207, 208, 7, 24, black)) << "right half of 'O'";
    // Built, in either back end, the font has lists to its name; released, none.
    EXPECT_NE(font.listBase, 0u);
    font.release();
    EXPECT_EQ(font.listBase, 0u);
}

// The second copy is offset by two values of the shared sequence, vertical first, each from
// -5 to 4: the two copies together are wider than high by |x offset| - |y offset| (a seed
// with both offsets non-zero, since where copies share an edge its blur adds up). The print
// takes those two values and no more.
TEST_F(FontTest, TheJitteredCopyTakesItsVerticalOffsetFirst) {
    build();
    unsigned int seed = 0;
    int jitterX = 0, jitterY = 0, next = 0;
    while (jitterX == 0 || jitterY == 0 || std::abs(std::abs(jitterX) - std::abs(jitterY)) < 3) {
        seedSharedRandom(++seed);
        jitterY = sharedRandom() % 10 - 5;
        jitterX = sharedRandom() % 10 - 5;
        next = sharedRandom();
    }
    seedSharedRandom(seed);
    const float position[2] = {300.0f, 300.0f};
    font.print("X", position, renderer);
    EXPECT_EQ(sharedRandom(), next);
    const std::vector<unsigned char> frame = readFrame();
    int box[4] = {testWindowWidth, testWindowHeight, -1, -1};
    for (int i = 0; i < testWindowWidth * testWindowHeight; ++i) {
        if (frame[static_cast<size_t>(i) * 3 + 2] > 128) {
            box[0] = std::min(box[0], i % testWindowWidth);
            box[1] = std::min(box[1], i / testWindowWidth);
            box[2] = std::max(box[2], i % testWindowWidth);
            box[3] = std::max(box[3], i / testWindowWidth);
        }
    }
    EXPECT_NEAR((box[2] - box[0]) - (box[3] - box[1]), std::abs(jitterX) - std::abs(jitterY), 1) << "seed " << seed;
}

}  // namespace
}  // namespace Tramble
