// The scene handler against a real demo engine, OpenGL context and audio output: its lazy
// start, the beat's tempo, the stop, the timeline's firing rules and halt.
#include "demo/scenesys.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "audio/bass.h"
#include "demo/demoengine.h"
#include "support/glcontext.h"
#include "support/logcapture.h"

namespace Tramble {
namespace {

// Writes what happens to it into a journal shared with the other scenes, so that the order
// across scenes shows: "name load", "name stage/length", "name update ms@elapsed", "name draw".
class RecordingScene : public IDemoScene {
public:
    RecordingScene(const std::string& name, std::string* journal) : name(name), journal(journal) {}

    void draw(Renderer&) override { note("draw"); }
    void load(TextureManager&) override {
        loadedWithCamera = camera;
        loadedWithFont = font;
        note("load");
    }
    void unload(TextureManager&) override { note("unload"); }
    void setupStage(SceneStage newStage, unsigned int length) override {
        note(std::to_string(static_cast<int>(newStage)) + "/" + std::to_string(length));
    }
    void update(unsigned int ms) override { note("update " + std::to_string(ms) + "@" + std::to_string(elapsed)); }
    void note(const std::string& what) { *journal += name + " " + what + ", "; }
    bool onBeat() override { return ++beats > 0; }

    std::string name;
    std::string* journal;
    int beats = 0;
    Camera* loadedWithCamera = nullptr;
    BitmapFont* loadedWithFont = nullptr;
};

class SceneHandlerTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        engine = std::make_unique<DemoEngine>();
        ASSERT_TRUE(engine->soundTask.startTask());
        // The output stays paused, so the music stands at its start and the timeline runs on
        // the passes' deltas alone.
        ASSERT_TRUE(BASS_Stop());
    }

    void TearDown() override {
        build(0, {});
        handler.reset();
        engine->soundTask.stopTask();
        BASS_Free();
        engine.reset();
        GLTest::TearDown();
    }

    // A new handler with scenes named a, b, c... at {start, length}, after stopping the last
    // one; the scenes outlive their handler, as the program's do.
    void build(unsigned int transition, const std::vector<std::pair<unsigned int, unsigned int>>& timeline) {
        if (handler && handler->started) {
            handler->stopTask();
        }
        handler = std::make_unique<DemoSceneHandler>(engine.get(), transition);
        engine->kernel.flags = 0;
        journal.clear();
        scenes.clear();
        for (const auto& event : timeline) {
            scenes.emplace_back(std::string(1, static_cast<char>('a' + scenes.size())), &journal);
            handler->addDemoScene(event.first, event.second, &scenes.back());
        }
    }

    // What the timer task does for the handler in one pass, then what the video task does.
    void pass(unsigned int ms) {
        handler->updateTask(ms);
        handler->draw(engine->videoTask.renderer);
    }

    std::unique_ptr<DemoEngine> engine;
    std::unique_ptr<DemoSceneHandler> handler;
    std::string journal;
    std::list<RecordingScene> scenes;
};

// The first timed update starts the handler: music, beat clock, font, scenes loaded with
// camera and font. The beats reach the scenes at 130 a minute (a minute less a tenth of a
// second holds 130 of them). The stop unloads every scene and gives back the shared parts
// but keeps the timeline.
TEST_F(SceneHandlerTest, StartsOnItsFirstUpdateBeatsAtTheTempoAndStopReleasesEverything) {
    build(0, {{0, 100000}, {100000, 100}});
    pass(16);
    ASSERT_TRUE(handler->font);
    ASSERT_TRUE(handler->beatClock);
    EXPECT_NE(handler->font->texture, 0u);
    EXPECT_NE(handler->beatClock->stream, 0ul);
    EXPECT_EQ(handler->beatClock->listeners.size(), 2);
    for (const RecordingScene& scene : scenes) {
        EXPECT_EQ(scene.loadedWithCamera, &engine->camera);
        EXPECT_EQ(scene.loadedWithFont, handler->font.get());
    }
    handler->beatClock->advance(handler->beatClock->nextBeat + 59.9f);
    EXPECT_EQ(scenes.front().beats, 130);

    const unsigned int lists = handler->font->listBase;
    handler->stopTask();
    EXPECT_EQ(journal.substr(journal.size() - 20), "a unload, b unload, ");
    EXPECT_FALSE(handler->font);
    EXPECT_FALSE(handler->beatClock);
    EXPECT_EQ(glIsList(lists), GL_FALSE) << "the font's display lists are deleted";
    EXPECT_EQ(handler->events.size(), 12u) << "the timeline is kept";
}

// Every scene loads before any changes stage; due events fire in registration order, even
// several per pass; a scene is updated and drawn in the pass it starts in, not in the one
// it ends in; the transition shapes the stages and shrinks to fit; the halt comes in the
// pass that carries the clock past the last event, not in the one that reaches it.
TEST_F(SceneHandlerTest, TimelineFiresItsEventsInOrder) {
    struct Case {
        unsigned int transition;
        std::vector<std::pair<unsigned int, unsigned int>> timeline;
        std::vector<unsigned int> passes;
        const char* journal;
        bool halts;
    };
    const Case cases[] = {
        {0,
         {{100, 100}, {0, 100}, {150, 1000}},
         {1, 250},
         "a load, b load, c load, b 1/0, b 3/100, b update 1@1, b draw, a 1/0, a 3/100, a 2/0, a 0/0, b 2/0, b 0/0, "
         "c 1/0, c 3/1000, c update 250@250, c draw, ",
         false},
        {0,
         {{10, 0}, {10, 100}},
         {5, 10},
         "a load, b load, a 1/0, a 3/0, a 2/0, a 0/0, b 1/0, b 3/100, b update 10@10, b draw, ",
         false},
        {0,
         {{0, 1000}},
         {600, 400, 1},
         "a load, a 1/0, a 3/1000, a update 600@600, a draw, a update 400@1000, a draw, a 2/0, a 0/0, ",
         true},
        {100,
         {{0, 1000}, {2000, 150}},
         {1, 99, 900, 1001, 200},
         "a load, b load, a 1/100, a update 1@1, a draw, a update 99@100, a draw, a 3/800, a 2/100, "
         "a update 900@1000, a draw, a 0/0, b 1/75, b update 1001@1001, b draw, b 3/0, b 2/75, b 0/0, ",
         true},
    };
    for (const Case& c : cases) {
        LogCapture log;
        build(c.transition, c.timeline);
        for (size_t i = 0; i < c.passes.size(); ++i) {
            pass(c.passes[i]);
            EXPECT_EQ((engine->kernel.flags & haltFlag) != 0, c.halts && i + 1 == c.passes.size()) << c.journal;
        }
        EXPECT_EQ(journal, c.journal);
        EXPECT_EQ(log.count("=== No scenes left, exiting\n"), c.halts ? 1 : 0) << c.journal;
    }
}

// The kernel runs its tasks in list order: the timer's time first, the input, the video
// frame, the sound, then the camera controls; the camera moves before anything is drawn.
TEST_F(SceneHandlerTest, TheDemoEngineWiresItsTasksInRunningOrder) {
    std::vector<ITask*> kernelOrder;
    for (auto* node = engine->kernel.children.head; node != nullptr; node = node->next) {
        kernelOrder.push_back(node->item);
    }
    const std::vector<ITask*> expected{&engine->timerTask, &engine->inputTask, &engine->videoTask, &engine->soundTask,
                                       &engine->cameraControls};
    EXPECT_EQ(kernelOrder, expected);
    EXPECT_EQ(engine->timerTask.group.children.head->item, static_cast<ITimeTask*>(&engine->camera));
    EXPECT_EQ(engine->videoTask.renderGroup.children.head->item, static_cast<RenderNode*>(&engine->camera));
}

}  // namespace
}  // namespace Tramble
