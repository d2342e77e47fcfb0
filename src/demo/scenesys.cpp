// The scene handler's timeline of six events per scene, its lazy start (music, its clocks,
// font, scene loading) and the per-pass update that halts the program when the timeline
// has run out.
#include "demo/scenesys.h"

#include <algorithm>

#include "engine/logsys.h"

namespace Tramble {

namespace {

const char* const musicFile = "data/sounds/tramble.mp3";
// The music's tempo in beats per minute, and where its first beat falls, in seconds.
const int musicTempo = 130;
const float firstBeatOffset = 0.0f;

const char* const fontTexture = "fontmap.jpg";

}  // namespace

void IDemoScene::unload(TextureManager&) {}

void IDemoScene::setupStage(SceneStage, unsigned int) {}

void IDemoScene::setStage(SceneStage newStage, unsigned int length) {
    stage = newStage;
    setupStage(newStage, length);
}

bool IDemoScene::onBeat() {
    return true;
}

DemoSceneHandler::DemoSceneHandler(DemoEngine* engine, unsigned int transitionTime)
    : engine(engine), textureManager(&engine->videoTask.renderer), transitionTime(transitionTime) {}

void DemoSceneHandler::addDemoScene(unsigned int start, unsigned int length, IDemoScene* scene) {
    LOG(Notice) << "Adding scene from " << start << " to " << start + length << "\n";
    scenes.push_back(scene);
    // A transition longer than half the scene would make the Running stage's length wrap
    // around and its Stopping stage come before its Running one: shorten it to fit.
    const unsigned int transition = std::min(transitionTime, length / 2);
    const unsigned int end = start + length;
    addEvent(start, [this, scene] { addNode(scene); });
    addEvent(end, [this, scene] { children.remove(scene); });
    addEvent(start, [scene, transition] { scene->setStage(SceneStage::Starting, transition); });
    addEvent(start + transition,
             [scene, length, transition] { scene->setStage(SceneStage::Running, length - 2 * transition); });
    addEvent(end - transition, [scene, transition] { scene->setStage(SceneStage::Stopping, transition); });
    addEvent(end, [scene] { scene->setStage(SceneStage::Stopped, 0); });
}

bool DemoSceneHandler::start() {
    LOG(Notice) << "Starting demo scene handler\n";
    const unsigned long music = engine->soundTask.streamFile(musicFile);
    musicClock = std::make_unique<MusicClock>(music);
    beatClock = std::make_unique<BeatClock>(music, musicTempo, firstBeatOffset);
    font = std::make_unique<BitmapFont>();
    font->build(textureManager.fetchResource(fontTexture), fontGlyphSize, fontSpacing, fontColour);
    for (IDemoScene* scene : scenes) {
        scene->camera = &engine->camera;
        scene->font = font.get();
        scene->load(textureManager);
        beatClock->addListener(scene);
    }
    return true;
}

void DemoSceneHandler::stop() {
    LOG(Notice) << "Stopping demo scene handler\n";
    for (IDemoScene* scene : scenes) {
        scene->unload(textureManager);
    }
    if (font) {
        font->release();
        font.reset();
    }
    musicClock.reset();
    beatClock.reset();
}

void DemoSceneHandler::update(unsigned int timerMs) {
    const unsigned int ms = musicClock->update(timerMs);
    ScheduleTask::update(ms);
    for (IDemoScene* scene : scenes) {
        if (scene->stage != SceneStage::Stopped) {
            scene->elapsed += ms;
            scene->updateTask(ms);
        }
    }
    if (lastEventTime < now) {
        LOG(Notice) << "No scenes left, exiting\n";
        engine->kernel.flags |= haltFlag;
    }
    beatClock->update();
}

}  // namespace Tramble
