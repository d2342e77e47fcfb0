// The scene handler against a real demo engine, OpenGL context and audio output: its lazy
// start (music, beat clock, font, scene loading), the timeline's firing rules, the halt at
// the end of the timeline, the stop that unloads everything, the beat's tempo, and the
// order the demo engine runs its tasks in.
#include "demo/scenesys.h"

#include <SDL.h>
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

// A scene that writes what happens to it into a journal shared with the other scenes, so
// that the order across scenes shows.
class RecordingScene : public IDemoScene {
public:
    RecordingScene(const std::string& name, std::vector<std::string>* journal) : name(name), journal(journal) {}

    void draw(Renderer&) override { ++draws; }
    void load(TextureManager&) override {
        loadedWithCamera = camera;
        loadedWithFont = font;
        journal->push_back(name + " load");
    }
    void unload(TextureManager&) override { journal->push_back(name + " unload"); }
    void setupStage(SceneStage newStage, unsigned int length) override {
        journal->push_back(name + " " + std::to_string(static_cast<int>(newStage)) + "/" + std::to_string(length));
    }
    void update(unsigned int ms) override { updates.push_back(ms); }
    bool onBeat() override {
        ++beats;
        return true;
    }

    std::string name;
    std::vector<std::string>* journal;
    std::vector<unsigned int> updates;
    int draws = 0;
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
        handler = std::make_unique<DemoSceneHandler>(engine.get(), 0);
    }

    void TearDown() override {
        if (handler && handler->started) {
            handler->stopTask();
        }
        handler.reset();
        if (engine) {
            engine->soundTask.stopTask();
            BASS_Free();
        }
        engine.reset();
        GLTest::TearDown();
    }

    // What the timer task does for the handler in one pass, then what the video task does.
    void pass(unsigned int ms) {
        handler->updateTask(ms);
        handler->draw(engine->videoTask.renderer);
    }

    bool onScreen(IDemoScene* scene) {
        for (CursorList<RenderNode>::Node* node = handler->children.head; node != nullptr; node = node->next) {
            if (node->item == scene) {
                return true;
            }
        }
        return false;
    }

    bool halted() const { return (engine->kernel.flags & haltFlag) != 0; }

    // The scenes live as long as the fixture, as the program's scenes outlive the handler.
    RecordingScene& addScene(const std::string& name) {
        scenes.emplace_back(name, &journal);
        return scenes.back();
    }

    std::unique_ptr<DemoEngine> engine;
    std::unique_ptr<DemoSceneHandler> handler;
    std::vector<std::string> journal;
    std::list<RecordingScene> scenes;
};

TEST_F(SceneHandlerTest, FirstTimedUpdateStartsTheHandlerAndFiresTheTimeZeroEvents) {
    LogCapture log;
    RecordingScene& first = addScene("a");
    RecordingScene& second = addScene("b");
    handler->addDemoScene(0, 1000, &first);
    handler->addDemoScene(1000, 1000, &second);

    pass(16);

    EXPECT_TRUE(handler->started);
    EXPECT_TRUE(log.contains("=== Starting demo scene handler\n")) << log.str();
    EXPECT_TRUE(log.contains("Fetching resource 'fontmap.jpg'")) << log.str();
    EXPECT_FALSE(log.contains("Could not stream file")) << "the music must play: " << log.str();
    ASSERT_TRUE(handler->font);
    EXPECT_NE(handler->font->listBase, 0u);
    EXPECT_NE(handler->font->texture, 0u);
    ASSERT_TRUE(handler->beatClock);
    EXPECT_NE(handler->beatClock->stream, 0ul);
    EXPECT_EQ(handler->beatClock->listeners.size(), 2);

    // Both scenes are loaded, with camera and font, before any of them changes stage.
    const std::vector<std::string> expected{"a load", "b load", "a 1/0", "a 3/1000"};
    EXPECT_EQ(journal, expected);
    EXPECT_EQ(first.loadedWithCamera, &engine->camera);
    EXPECT_EQ(first.loadedWithFont, handler->font.get());
    EXPECT_EQ(second.loadedWithFont, handler->font.get());

    // The scene that started in this pass is updated and drawn in it; the other is not.
    EXPECT_EQ(first.updates, std::vector<unsigned int>{16});
    EXPECT_EQ(first.elapsed, 16u);
    EXPECT_EQ(first.draws, 1);
    EXPECT_TRUE(second.updates.empty());
    EXPECT_EQ(second.draws, 0);
    EXPECT_FALSE(halted());
}

TEST_F(SceneHandlerTest, LongPassFiresEveryDueEventInRegistrationOrder) {
    RecordingScene& later = addScene("late");
    RecordingScene& earlier = addScene("early");
    RecordingScene& longer = addScene("long");
    // Registered out of time order on purpose: registration order wins within a pass.
    handler->addDemoScene(100, 100, &later);
    handler->addDemoScene(0, 100, &earlier);
    handler->addDemoScene(150, 1000, &longer);

    pass(1);
    journal.clear();
    pass(250);

    const std::vector<std::string> expected{"late 1/0",  "late 3/100", "late 2/0", "late 0/0",
                                            "early 2/0", "early 0/0",  "long 1/0", "long 3/1000"};
    EXPECT_EQ(journal, expected);
    // Scenes that ended in this pass are neither updated nor drawn in it.
    EXPECT_EQ(later.updates.size(), 0u);
    EXPECT_EQ(later.draws, 0);
    EXPECT_EQ(earlier.updates, std::vector<unsigned int>{1});
    EXPECT_EQ(earlier.draws, 1);
    EXPECT_EQ(longer.updates, std::vector<unsigned int>{250});
    EXPECT_EQ(longer.draws, 1);
    EXPECT_FALSE(onScreen(&later));
    EXPECT_FALSE(onScreen(&earlier));
    EXPECT_TRUE(onScreen(&longer));
}

TEST_F(SceneHandlerTest, SceneOfLengthZeroPassesAllStagesInOnePassUnseen) {
    RecordingScene& blink = addScene("blink");
    RecordingScene& after = addScene("after");
    handler->addDemoScene(10, 0, &blink);
    handler->addDemoScene(10, 100, &after);

    pass(5);
    journal.clear();
    pass(10);

    const std::vector<std::string> expected{"blink 1/0", "blink 3/0", "blink 2/0",
                                            "blink 0/0", "after 1/0", "after 3/100"};
    EXPECT_EQ(journal, expected);
    EXPECT_TRUE(blink.updates.empty());
    EXPECT_EQ(blink.draws, 0);
    EXPECT_FALSE(onScreen(&blink));
    EXPECT_EQ(after.draws, 1);
    EXPECT_EQ(blink.elapsed, 0u);
}

TEST_F(SceneHandlerTest, HaltsInThePassThatCarriesTheClockPastTheLastEvent) {
    RecordingScene& scene = addScene("a");
    handler->addDemoScene(0, 1000, &scene);
    LogCapture log;

    pass(600);
    pass(400);  // the clock stands on the end: the end events have not fired yet
    EXPECT_FALSE(halted());
    EXPECT_EQ(scene.stage, SceneStage::Running);
    EXPECT_EQ(log.count("No scenes left, exiting"), 0);

    pass(1);
    EXPECT_TRUE(halted());
    EXPECT_EQ(scene.stage, SceneStage::Stopped);
    EXPECT_EQ(scene.updates.size(), 2u);
    EXPECT_EQ(scene.elapsed, 1000u);
    EXPECT_EQ(scene.draws, 2);
    EXPECT_EQ(log.count("=== No scenes left, exiting\n"), 1) << log.str();
}

TEST_F(SceneHandlerTest, TransitionTimeShapesTheStagesAndIsShortenedToFit) {
    handler = std::make_unique<DemoSceneHandler>(engine.get(), 100);
    RecordingScene& normal = addScene("n");
    RecordingScene& brief = addScene("b");
    handler->addDemoScene(0, 1000, &normal);
    handler->addDemoScene(2000, 150, &brief);

    pass(1);
    pass(99);
    pass(900);
    pass(1001);
    pass(200);

    const std::vector<std::string> expected{"n load", "b load", "n 1/100", "n 3/800", "n 2/100",
                                            "n 0/0",  "b 1/75", "b 3/0",   "b 2/75",  "b 0/0"};
    EXPECT_EQ(journal, expected);
}

TEST_F(SceneHandlerTest, StopUnloadsEveryLoadedSceneAndReleasesTheSharedParts) {
    RecordingScene& first = addScene("a");
    RecordingScene& second = addScene("b");
    handler->addDemoScene(0, 100, &first);
    handler->addDemoScene(100, 100, &second);
    pass(10);
    ASSERT_TRUE(handler->font);
    const unsigned int lists = handler->font->listBase;
    LogCapture log;

    handler->stopTask();

    EXPECT_TRUE(log.contains("=== Stopping demo scene handler\n")) << log.str();
    EXPECT_EQ(journal.back(), "b unload");
    EXPECT_EQ(journal[journal.size() - 2], "a unload");
    EXPECT_FALSE(handler->font);
    EXPECT_FALSE(handler->beatClock);
    EXPECT_EQ(glIsList(lists), GL_FALSE) << "the font's display lists are deleted";
    EXPECT_EQ(handler->events.size(), 12u) << "the timeline is kept";
}

// 130 beats a minute: a minute of music less a tenth of a second holds 130 of them.
TEST_F(SceneHandlerTest, BeatsOfTheMusicReachTheScenesAtItsTempo) {
    RecordingScene& scene = addScene("a");
    handler->addDemoScene(0, 100000, &scene);
    pass(1);
    ASSERT_TRUE(handler->beatClock);
    handler->beatClock->advance(handler->beatClock->nextBeat + 59.9f);
    EXPECT_EQ(scene.beats, 130);
}

// The kernel runs its tasks in list order: the timer's time first, the input, the video
// frame, the sound, then the camera controls; the camera moves before anything is drawn.
TEST_F(SceneHandlerTest, TheDemoEngineWiresItsTasksInRunningOrder) {
    std::vector<ITask*> kernelOrder;
    std::vector<ITimeTask*> timerOrder;
    for (auto* node = engine->kernel.children.head; node != nullptr; node = node->next) {
        kernelOrder.push_back(node->item);
    }
    for (auto* node = engine->timerTask.group.children.head; node != nullptr; node = node->next) {
        timerOrder.push_back(node->item);
    }
    const std::vector<ITask*> kernelExpected{&engine->timerTask, &engine->inputTask, &engine->videoTask,
                                             &engine->soundTask, &engine->cameraControls};
    EXPECT_EQ(kernelOrder, kernelExpected);
    ASSERT_FALSE(timerOrder.empty());
    EXPECT_EQ(timerOrder.front(), static_cast<ITimeTask*>(&engine->camera));
    EXPECT_EQ(engine->videoTask.renderGroup.children.head->item, static_cast<RenderNode*>(&engine->camera));
}

}  // namespace
}  // namespace Tramble
