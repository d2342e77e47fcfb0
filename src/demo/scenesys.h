// The scene timeline: every scene is registered with a start and a length, and the handler
// switches it on and off screen and through its stages as its own clock passes those
// times. That clock keeps to the music while it plays (the music clock), on the timer
// otherwise. The handler also owns what the scenes share: textures, the font and the beat clock.
#pragma once

#include <list>
#include <memory>

#include "demo/demoengine.h"
#include "engine/bitmapfont.h"
#include "engine/camera.h"
#include "engine/kernelsys.h"
#include "engine/musicclock.h"
#include "engine/rendernode.h"
#include "engine/soundsys.h"
#include "engine/texturemanager.h"
#include "engine/timersys.h"

namespace Tramble {

class Renderer;

// The stage a scene has entered; the values are what the scenes log.
enum class SceneStage : int { Stopped = 0, Starting = 1, Stopping = 2, Running = 3 };

// A scene is drawn as a render group while it is on screen, updated as a task group while it
// is active, and told of the music's beats. It draws itself rather than walking children.
class IDemoScene : public RenderGroup, public TimeTaskGroup, public IBeatListener {
public:
    void draw(Renderer& renderer) override = 0;

    // Fetches the scene's textures and builds what depends on them; camera and font are
    // set before. Called once, when the handler starts.
    virtual void load(TextureManager& textures) = 0;
    // Gives back what load fetched. Called once, when the handler stops.
    virtual void unload(TextureManager& textures);
    // Reacts to entering a stage that lasts length milliseconds.
    virtual void setupStage(SceneStage stage, unsigned int length);

    // The only way the stage changes: stores it, then lets the scene react.
    void setStage(SceneStage stage, unsigned int length);

    bool onBeat() override;

    // Stopped until the scene's start event: a stopped scene receives no timed updates.
    SceneStage stage = SceneStage::Stopped;
    // Not owned; set by the handler when it starts.
    Camera* camera = nullptr;
    BitmapFont* font = nullptr;
    // Milliseconds the scene has been active, summed by the handler and never reset.
    unsigned int elapsed = 0;
};

class DemoSceneHandler : public RenderGroup, public ScheduleTask {
public:
    // The scenes' font: glyph quads in text-space units, extra pen advance, a yellow glow.
    static constexpr float fontGlyphSize[2] = {40.0f, 40.0f};
    static constexpr float fontSpacing = 0.0f;
    static constexpr float fontColour[4] = {1.0f, 1.0f, 0.0f, 0.4f};

    // transitionTime: length of the Starting and Stopping stages of every scene.
    DemoSceneHandler(DemoEngine* engine, unsigned int transitionTime);
    DemoSceneHandler(const DemoSceneHandler&) = delete;
    DemoSceneHandler& operator=(const DemoSceneHandler&) = delete;

    // Puts a scene on the timeline from start for length milliseconds. The scene is not
    // owned and must outlive the handler's stop.
    void addDemoScene(unsigned int start, unsigned int length, IDemoScene* scene);

    // Run by the first timed update: plays the music, starts the music and beat clocks,
    // builds the font and loads every scene. The music plays while the scenes load, and the
    // timeline starts where the music is heard when the next update comes.
    bool start() override;
    // Unloads every scene and releases the font and the clocks.
    void stop() override;
    // Turns the timer's ms into the timeline's through the music clock; with those, fires
    // the due events, updates the active scenes, halts the kernel once every event has
    // fired, and passes on the beats the music has played.
    void update(unsigned int ms) override;

    DemoEngine* engine;
    TextureManager textureManager;
    // Registration order; not owned.
    std::list<IDemoScene*> scenes;
    unsigned int transitionTime;
    std::unique_ptr<BitmapFont> font;
    std::unique_ptr<MusicClock> musicClock;
    std::unique_ptr<BeatClock> beatClock;
};

}  // namespace Tramble
