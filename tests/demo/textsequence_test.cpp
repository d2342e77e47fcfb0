// Timed effects: text sequences with a real font and context (fade, line change, the line due
// after a long frame, finishing), and the effect group that walks them and drops the finished.
#include "demo/effects/textsequence.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <string>

#include "demo/effects/effectgroup.h"
#include "demo/scenesys.h"
#include "engine/bitmapfont.h"
#include "engine/renderersys.h"
#include "support/glcontext.h"

namespace Tramble {
namespace {

class TextSequenceTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        font.build(0, DemoSceneHandler::fontGlyphSize, DemoSceneHandler::fontSpacing, DemoSceneHandler::fontColour);
    }
    void TearDown() override {
        font.release();
        GLTest::TearDown();
    }

    BitmapFont font;
    Renderer renderer;
};

// Periods of 4000 ms, each line fading to half over its first 3000 ms.
TEST_F(TextSequenceTest, LinesFadeInChangeEachPeriodCatchUpAfterLongFramesAndFinish) {
    struct Step {
        unsigned int ms;
        const char* line;  // "" once finished
        float alpha;
    };
    const Step steps[] = {{0, "one", 0.0f},
                          {1500, "one", 0.25f},
                          {2000, "one", 0.5f},
                          {500, "two", 0.0f},
                          {8500, "four", 500.0f / 3000.0f * 0.5f},
                          {3500, "", -1.0f},
                          {9000, "", -1.0f},
                          {9000, "", -1.0f}};
    TextSequence sequence(3000, 1000, &font, Centre, Middle);
    for (const char* line : {"one", "two", "three", "four"}) {
        sequence.addLine(line);
    }
    for (const Step& step : steps) {
        sequence.update(step.ms);
        sequence.draw(renderer);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_EQ(sequence.lines.empty() ? std::string() : sequence.lines.front(), step.line) << step.ms;
        if (step.alpha >= 0.0f) {
            EXPECT_FLOAT_EQ(font.material.colour[3], step.alpha) << step.ms;
            EXPECT_EQ(font.material.colour[0] + font.material.colour[1] + font.material.colour[2], 3.0f) << "white";
        }
    }
    EXPECT_NE(sequence.flags & effectFinished, 0u);
    EXPECT_TRUE(sequence.removeMe);
}

// Finishes after `draws` draws or `lifetime` ms of updates; journals every call.
struct ProbeEffect : TimedEffect {
    ProbeEffect(const char* name, std::string* journal, unsigned int lifetime, int draws)
        : name(name), journal(journal), lifetime(lifetime), draws(draws) {}
    void draw(Renderer&) override {
        *journal += name + " draw, ";
        flags |= --draws <= 0 ? effectFinished : 0u;
    }
    void update(unsigned int ms) override {
        *journal += name + " update " + std::to_string(ms) + ", ";
        lifetime -= ms < lifetime ? ms : lifetime;
        flags |= lifetime == 0 ? effectFinished : 0u;
    }
    std::string name;
    std::string* journal;
    unsigned int lifetime;
    int draws;
};

TEST(EffectGroupTest, DropsWhatFinishesWhileDrawnOrAdvancedAndWhatIsRemoved) {
    std::string journal;
    Renderer renderer;
    EffectGroup group;
    ProbeEffect once("once", &journal, 1000, 1);
    ProbeEffect brief("brief", &journal, 10, 100);
    ProbeEffect removed("removed", &journal, 1000, 100);
    ProbeEffect lasting("lasting", &journal, 1000, 2);
    for (ProbeEffect* effect : {&once, &brief, &removed, &lasting}) {
        group.add(effect);
    }
    group.remove(&removed);
    group.draw(renderer);
    group.updateTask(10);
    group.updateTask(5);
    group.draw(renderer);
    group.draw(renderer);
    EXPECT_EQ(journal,
              "once draw, brief draw, lasting draw, brief update 10, lasting update 10, lasting update 5, "
              "lasting draw, ");
    EXPECT_FALSE(brief.started) << "the group calls update, not the guarded updateTask";
    EXPECT_TRUE(group.effects.empty());
}

}  // namespace
}  // namespace Tramble
