// Text sequences with a real font and context: the fade within a line, the line change at
// each period, the line that is due after a long frame, and finishing.
#include "demo/effects/textsequence.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/bitmapfont.h"
#include "engine/renderersys.h"
#include "support/glcontext.h"

namespace Tramble {
namespace {

class TextSequenceTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        // Without a glyph sheet every glyph is a solid quad: easy to see in the frame.
        const float size[2] = {40.0f, 40.0f};
        const float colour[4] = {1.0f, 1.0f, 0.0f, 0.4f};
        font.build(0, size, 0.0f, colour);
    }
    void TearDown() override {
        font.release();
        GLTest::TearDown();
    }

    TextSequence makeSequence(const std::vector<std::string>& lines) {
        TextSequence sequence(3000, 1000, &font, Centre, Middle);
        for (const std::string& line : lines) {
            sequence.addLine(line);
        }
        return sequence;
    }

    // Draws and tells which line is on screen afterwards ("" once finished).
    std::string drawnLine(TextSequence& sequence) {
        sequence.draw(renderer);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return sequence.lines.empty() ? std::string() : sequence.lines.front();
    }

    float alpha() const { return font.material.colour[3]; }

    BitmapFont font;
    Renderer renderer;
};

TEST_F(TextSequenceTest, EachLineFadesInOverItsFadeTimeAndHolds) {
    TextSequence sequence = makeSequence({"one", "two", "three"});
    EXPECT_EQ(drawnLine(sequence), "one");
    EXPECT_FLOAT_EQ(alpha(), 0.0f) << "drawn before any update: the first line at alpha 0";

    sequence.update(1500);
    EXPECT_EQ(drawnLine(sequence), "one");
    EXPECT_FLOAT_EQ(alpha(), 0.25f);

    sequence.update(2000);
    EXPECT_EQ(drawnLine(sequence), "one");
    EXPECT_FLOAT_EQ(alpha(), 0.5f);

    sequence.update(500);
    EXPECT_EQ(drawnLine(sequence), "two") << "at 4000 ms the next line replaces the first";
    EXPECT_FLOAT_EQ(alpha(), 0.0f);
    EXPECT_EQ(font.material.colour[0], 1.0f) << "white text";
    EXPECT_EQ(font.material.colour[1], 1.0f);
    EXPECT_EQ(font.material.colour[2], 1.0f);
}

TEST_F(TextSequenceTest, ALongFrameMovesStraightOnToTheLineThatIsDue) {
    TextSequence sequence = makeSequence({"one", "two", "three", "four"});
    sequence.update(8500);  // two period boundaries at once
    EXPECT_EQ(drawnLine(sequence), "three");
    EXPECT_FLOAT_EQ(alpha(), 500.0f / 3000.0f * 0.5f);

    sequence.update(3500);  // 12000 ms: the last line's period starts
    EXPECT_EQ(drawnLine(sequence), "four");
    sequence.update(4000);
    EXPECT_EQ(drawnLine(sequence), "");
    EXPECT_NE(sequence.flags & effectFinished, 0u) << "finished on time";
    EXPECT_TRUE(sequence.removeMe);
}

TEST_F(TextSequenceTest, AnEmptySequenceFinishesOnItsFirstDrawAndPrintsNothing) {
    TextSequence sequence = makeSequence({});
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    sequence.draw(renderer);
    EXPECT_NE(sequence.flags & effectFinished, 0u);
    EXPECT_TRUE(sequence.removeMe);
    for (unsigned char channel : readFrame()) {
        ASSERT_EQ(channel, 0);
    }
}

TEST_F(TextSequenceTest, AFinishedSequenceKeepsBeingDrawnHarmlessly) {
    TextSequence sequence = makeSequence({"only"});
    sequence.update(4000);
    EXPECT_EQ(drawnLine(sequence), "");
    // A container that does not drop it goes on drawing it for many more periods.
    for (int i = 0; i < 5; ++i) {
        sequence.update(9000);
        EXPECT_EQ(drawnLine(sequence), "");
    }
    EXPECT_NE(sequence.flags & effectFinished, 0u);
}

TEST_F(TextSequenceTest, TheLineOnScreenIsPrintedCentred) {
    TextSequence sequence = makeSequence({"MMMMMMMMMM"});
    sequence.update(3500);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    sequence.draw(renderer);
    // Ten glyphs of advance 20 centred in 800 x 600: x 300 to 540, y 290 to 330.
    const std::vector<unsigned char> inside = readFrame(310, 300, 200, 20);
    int lit = 0;
    for (unsigned char channel : inside) {
        lit += channel > 0 ? 1 : 0;
    }
    EXPECT_GT(lit, static_cast<int>(inside.size()) / 2);
    const std::vector<unsigned char> corner = readFrame(0, 0, 100, 100);
    for (unsigned char channel : corner) {
        ASSERT_EQ(channel, 0);
    }
}

}  // namespace
}  // namespace Tramble
