// The bitmap font: alignment on the 800 x 600 text space, the state a print leaves behind,
// display list lifetime, and glyphs landing upright in the right place on screen.
#include "engine/bitmapfont.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/image.h"
#include "engine/renderersys.h"
#include "support/glcontext.h"

namespace Tramble {
namespace {

// The synthetic glyph sheet: 16 x 16 cells of this many texels.
const int sheetCell = 16;
const int sheetSide = 16 * sheetCell;

struct Rgb {
    unsigned char r, g, b;
};
const Rgb black = {0, 0, 0};
const Rgb red = {255, 0, 0};
const Rgb green = {0, 255, 0};
const Rgb blue = {0, 0, 255};

// Fills the part of a glyph cell given in glyph coordinates (x to the right, y up from the
// glyph's bottom). The sheet is stored the way the font expects its file: flipped, cell 0
// in the last stored rows, each glyph's top row stored last.
void fillCell(std::vector<unsigned char>& sheet, int cell, int x0, int y0, int x1, int y1, Rgb colour) {
    const int left = (cell % 16) * sheetCell;
    const int bottom = (15 - cell / 16) * sheetCell;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            unsigned char* texel = &sheet[(static_cast<size_t>(bottom + y) * sheetSide + left + x) * 3];
            texel[0] = colour.r;
            texel[1] = colour.g;
            texel[2] = colour.b;
        }
    }
}

// Every pixel of the window region has each channel within [low, high] of the pattern:
// a channel of 255 in the pattern must read at least 200, a channel of 0 at most 40.
::testing::AssertionResult regionIs(int x, int y, int width, int height, Rgb colour) {
    const std::vector<unsigned char> frame = readFrame(x, y, width, height);
    const unsigned char want[3] = {colour.r, colour.g, colour.b};
    for (size_t i = 0; i < frame.size(); ++i) {
        const bool lit = want[i % 3] != 0;
        if (lit ? frame[i] < 200 : frame[i] > 40) {
            const size_t pixel = i / 3;
            return ::testing::AssertionFailure()
                   << "pixel (" << x + static_cast<int>(pixel % width) << ", " << y + static_cast<int>(pixel / width)
                   << ") channel " << i % 3 << " is " << static_cast<int>(frame[i]);
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<float> currentMatrix(GLenum which) {
    std::vector<float> matrix(16);
    glGetFloatv(which, matrix.data());
    return matrix;
}

using BitmapFontGLTest = GLTest;

// A built font with a sheet of solid blue cells; glyphs 40 units square.
class SolidFont {
public:
    SolidFont() {
        std::vector<unsigned char> sheet(static_cast<size_t>(sheetSide) * sheetSide * 3);
        for (int cell = 0; cell < 256; ++cell) {
            fillCell(sheet, cell, 2, 2, sheetCell - 2, sheetCell - 2, blue);
        }
        Image image;
        image.setData(sheet.data(), sheetSide, sheetSide, 3);
        texture = renderer.loadTexture(image);
        const float size[2] = {40.0f, 40.0f};
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        font.build(texture, size, 0.0f, white);
    }
    ~SolidFont() {
        font.release();
        glDeleteTextures(1, &texture);
    }

    Renderer renderer;
    BitmapFont font;
    unsigned int texture = 0;
};

// The lit pixels' bounding box: left, bottom, right, top.
std::vector<int> litBox() {
    const std::vector<unsigned char> frame = readFrame();
    std::vector<int> box = {TestWindowWidth, TestWindowHeight, -1, -1};
    for (int y = 0; y < TestWindowHeight; ++y) {
        for (int x = 0; x < TestWindowWidth; ++x) {
            if (frame[(static_cast<size_t>(y) * TestWindowWidth + x) * 3 + 2] > 128) {
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
            }
        }
    }
    return box;
}

// The second copy is offset by two values of the shared sequence, vertical first, each from
// -5 to 4: the two copies together are wider than high by |x offset| - |y offset| (offsets
// of 0 are avoided: where both copies share an edge, its blur adds up).
TEST_F(BitmapFontGLTest, TheJitteredCopyTakesItsVerticalOffsetFirst) {
    SolidFont solid;
    unsigned int seed = 1;
    int jitterX = 0, jitterY = 0;
    for (;; ++seed) {
        std::srand(seed);
        jitterY = std::rand() % 10 - 5;
        jitterX = std::rand() % 10 - 5;
        if (jitterX != 0 && jitterY != 0 && std::abs(std::abs(jitterX) - std::abs(jitterY)) >= 3) {
            break;
        }
    }
    glViewport(0, 0, TestWindowWidth, TestWindowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    std::srand(seed);
    const float position[2] = {300.0f, 300.0f};
    solid.font.print("X", position, solid.renderer);
    const std::vector<int> box = litBox();
    EXPECT_NEAR((box[2] - box[0]) - (box[3] - box[1]), std::abs(jitterX) - std::abs(jitterY), 1)
        << "seed " << seed << ": offsets " << jitterX << ", " << jitterY;
}

// A print changes nothing around it: matrices, matrix mode and the state the scene had set,
// whatever that was; and it takes two values of the shared sequence, no more.
TEST_F(BitmapFontGLTest, PrintLeavesMatricesAndTheScenesStateAsItFoundThem) {
    SolidFont solid;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-3.0, 3.0, -2.0, 2.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    const std::vector<float> projection = currentMatrix(GL_PROJECTION_MATRIX);
    const std::vector<float> modelview = currentMatrix(GL_MODELVIEW_MATRIX);
    RenderState unlit;
    unlit.lighting = false;
    unlit.depthTest = false;
    for (const RenderState& scene : {RenderState(), unlit}) {
        solid.renderer.setState(scene);
        std::srand(1234);
        std::rand();
        std::rand();
        const int third = std::rand();
        std::srand(1234);
        const float position[2] = {100.0f, 100.0f};
        solid.font.print("Tramble", position, solid.renderer);
        EXPECT_EQ(std::rand(), third);
        EXPECT_EQ(currentMatrix(GL_PROJECTION_MATRIX), projection);
        EXPECT_EQ(currentMatrix(GL_MODELVIEW_MATRIX), modelview);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        EXPECT_EQ(glIsEnabled(GL_LIGHTING), scene.lighting);
        EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), scene.depthTest);
    }
}

// Characters without a cell, and any print after release, must run no list but the font's.
// 64 lists made before the font push its lists up, as in the demo; they and every free name
// the text could reach below the font's lists (from list 1 on once those are gone) switch
// fog on.
TEST_F(BitmapFontGLTest, TextRunsNoListButTheFonts) {
    struct Case {
        const char* text;
        bool released;
    };
    const Case cases[] = {{"tab\there\n", false}, {"\x01\x1f ", false}, {"A", true}, {"tab\t", true}};
    const GLsizei otherLists = 64;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<GLuint> traps;
        const auto trap = [&traps](GLuint name) {
            glNewList(name, GL_COMPILE);
            glEnable(GL_FOG);
            glEndList();
            traps.push_back(name);
        };
        const GLuint others = glGenLists(otherLists);
        for (GLuint name = others; name < others + otherLists; ++name) {
            trap(name);
        }
        BitmapFont font;
        const float size[2] = {40.0f, 40.0f};
        const float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        font.build(0, size, 0.0f, colour);
        ASSERT_GT(font.listBase, 32u);
        const GLuint lowest = c.released ? 1 : font.listBase - 32;
        const GLuint end = c.released ? 128 : font.listBase;
        if (c.released) {
            font.release();
        }
        for (GLuint name = lowest; name < end; ++name) {
            if (!glIsList(name)) {
                trap(name);
            }
        }
        glDisable(GL_FOG);
        Renderer renderer;
        const float position[2] = {100.0f, 100.0f};
        font.print(c.text, position, renderer);
        EXPECT_FALSE(glIsEnabled(GL_FOG));
        for (const GLuint name : traps) {
            glDeleteLists(name, 1);
        }
        font.release();
    }
}

// A sheet where '#' has a red upper half, 'O' a green left half, the space is empty and every
// other cell is solid blue: wrong cells, flipped or mirrored glyphs all show on screen. Like
// the real sheet, every cell keeps a black border, so linear filtering at a quad's edge does
// not pick up the neighbouring cell.
TEST_F(BitmapFontGLTest, PrintDrawsUprightGlyphsWhereTheyAreAndNothingForSpaces) {
    const int low = 2;
    const int half = sheetCell / 2;
    const int high = sheetCell - 2;
    std::vector<unsigned char> sheet(static_cast<size_t>(sheetSide) * sheetSide * 3);
    for (int cell = 0; cell < 256; ++cell) {
        fillCell(sheet, cell, low, low, high, high, blue);
    }
    fillCell(sheet, ' ' - 32, low, low, high, high, black);
    fillCell(sheet, '#' - 32, low, low, high, half, black);
    fillCell(sheet, '#' - 32, low, half, high, high, red);
    fillCell(sheet, 'O' - 32, low, low, half, high, green);
    fillCell(sheet, 'O' - 32, half, low, high, high, black);
    Image image;
    image.setData(sheet.data(), sheetSide, sheetSide, 3);
    Renderer renderer;
    const unsigned int texture = renderer.loadTexture(image);
    ASSERT_NE(texture, 0u);

    // One text unit per pixel; glyphs 40 units square with an advance of 40, so they do
    // not overlap. The jittered copy moves at most 5 units: the regions keep clear of that.
    glViewport(0, 0, TestWindowWidth, TestWindowHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    BitmapFont font;
    const float size[2] = {40.0f, 40.0f};
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    font.build(texture, size, 20.0f, white);
    const float position[2] = {100.0f, 200.0f};
    font.print("# O", position, renderer);

    EXPECT_TRUE(regionIs(110, 224, 20, 9, red)) << "upper half of '#'";
    EXPECT_TRUE(regionIs(110, 203, 20, 10, black)) << "lower half of '#'";
    EXPECT_TRUE(regionIs(146, 195, 28, 50, black)) << "the space";
    EXPECT_TRUE(regionIs(188, 210, 9, 20, green)) << "left half of 'O'";
    EXPECT_TRUE(regionIs(207, 208, 7, 24, black)) << "right half of 'O'";

    font.release();
    glDeleteTextures(1, &texture);
}

}  // namespace
}  // namespace Tramble
