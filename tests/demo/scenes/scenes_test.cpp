// The five scenes under a real context, driven as the scene handler drives them: a picture
// at every stage that owes nothing to the frame before, and each scene's own schedule,
// parts and resources.
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "demo/scenes/scene1.h"
#include "demo/scenes/scene2.h"
#include "demo/scenes/scene3.h"
#include "demo/scenes/scene4.h"
#include "demo/scenes/scene5.h"
#include "demo/timeline.h"
#include "engine/random.h"
#include "support/glcontext.h"

namespace Tramble {
namespace {

// Pixel thresholds, channels 0 to 255. A pixel is lit with a channel above litChannel; a
// picture is there with more than picturePixels lit in the band (creditsPixels for the
// credits). The opening flash is brighter than flashBrightness on average, the stops after it
// darker by flashFade. A colour is blue with blue above red by blueOverRed (the rain's green
// above red by greenOverRed), red and green even within evenChannels. A pixel of the window's
// outline has every channel above whiteChannel, and each edge more than whiteEdgePixels.
const int litChannel = 8;
const int picturePixels = 320;
const int creditsPixels = 500;
const double flashBrightness = 220.0;
const double flashFade = 50.0;
const float blueOverRed = 30.0f;
const float greenOverRed = 20.0f;
const float evenChannels = 2.0f;
const int whiteChannel = 240;
const int whiteEdgePixels = 12;

// Mean red, green and blue (0 to 255) of the pixels of a region with a channel above litChannel;
// the count of those pixels; the mean of all channels.
struct Lit {
    Vector3 colour;
    int pixels = 0;
    double brightness = 0.0;
};

Lit measure(const std::vector<unsigned char>& rgb) {
    Lit lit;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        lit.brightness += rgb[i] + rgb[i + 1] + rgb[i + 2];
        if (std::max({rgb[i], rgb[i + 1], rgb[i + 2]}) > litChannel) {
            lit.colour += Vector3(rgb[i], rgb[i + 1], rgb[i + 2]);
            ++lit.pixels;
        }
    }
    lit.colour = lit.colour * (1.0f / static_cast<float>(std::max(lit.pixels, 1)));
    lit.brightness /= static_cast<double>(rgb.size());
    return lit;
}

// A white-out two thirds or more of the way up lifts every pixel at least this far.
const double whiteOutBrightness = 2.0 / 3.0 * 255.0;

// The 800 x 400 band at (0, 100) where the 3D picture is drawn.
std::vector<unsigned char> bandPixels() {
    return readFrame(0, 100, 800, 400);
}

class SceneTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        renderer.initialize();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        font.build(textures.fetchResource("fontmap.jpg"), DemoSceneHandler::fontGlyphSize,
                   DemoSceneHandler::fontSpacing, DemoSceneHandler::fontColour);
        ASSERT_NE(font.texture, 0u) << "the glyph sheet must load from data/images";
    }

    void TearDown() override {
        font.release();
        for (auto& entry : textures.resources) {
            if (entry.second.refCount > 0) {
                glDeleteTextures(1, &entry.second.resource);
            }
        }
        GLTest::TearDown();
    }

    // What the handler does at its start and at the scene's start time.
    void attach(IDemoScene& scene, int slot) {
        scene.camera = &camera;
        scene.font = &font;
        scene.load(textures);
        scene.setStage(SceneStage::Starting, 0);
        scene.setStage(SceneStage::Running, timeline[slot].length);
    }

    // Updates of at most step ms until the scene has been active for `until` ms.
    static void runUntil(IDemoScene& scene, unsigned int until, unsigned int step) {
        while (scene.elapsed < until) {
            const unsigned int ms = std::min(until - scene.elapsed, step);
            scene.elapsed += ms;
            scene.updateTask(ms);
        }
    }

    // One frame as the video task draws it; fails the test on a GL error.
    Lit drawFrame(IDemoScene& scene) {
        renderer.beginFrame();
        camera.draw(renderer);
        scene.draw(renderer);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "after " << scene.elapsed << " ms";
        return measure(bandPixels());
    }

    // Frames of fixed steps, each drawn and not blank (a thousandth of the band lit).
    Lit playFrames(IDemoScene& scene, int frames, unsigned int step) {
        Lit lit;
        for (int i = 0; i < frames; ++i) {
            scene.elapsed += step;
            scene.updateTask(step);
            lit = drawFrame(scene);
            EXPECT_GT(lit.pixels, picturePixels) << "blank frame after " << scene.elapsed << " ms";
        }
        return lit;
    }

    // Two frames at each stop (ms into the scene); a scene that opens with a white flash is
    // near white in its first frame and clearly darker at the stops. The last frame's measure.
    Lit playThrough(IDemoScene& scene, std::initializer_list<unsigned int> stops, bool flash) {
        const double first = playFrames(scene, 1, 16).brightness;
        if (flash) {
            EXPECT_GT(first, flashBrightness) << "the opening flash";
        }
        Lit lit;
        for (unsigned int at : stops) {
            runUntil(scene, at, 20);
            lit = playFrames(scene, 2, 16);
            if (flash) {
                EXPECT_LT(lit.brightness, first - flashFade) << at;
            }
        }
        return lit;
    }

    // Mean colour of the lit pixels of the band with only `part` drawn behind the camera.
    Vector3 colourOf(RenderNode& part) {
        renderer.beginFrame();
        camera.draw(renderer);
        part.draw(renderer);
        return measure(bandPixels()).colour;
    }

    // The frame must not depend on the state another scene's draw left the renderer in, and
    // a scene that steers the camera puts back, on update, a camera moved elsewhere.
    void expectIndependenceOfThePreviousFrame(IDemoScene& scene, bool steersCamera) {
        scene.updateTask(0);
        const Vector3 eye = camera.position;
        const Vector3 target = camera.target;
        // The font jitters on the shared random numbers: the same numbers for both frames.
        seedSharedRandom(7);
        drawFrame(scene);
        const std::vector<unsigned char> clean = bandPixels();
        RenderState leftOver;
        leftOver.lighting = false;
        leftOver.depthTest = false;
        leftOver.fog = true;
        leftOver.flatShading = true;
        leftOver.polygonMode = PolygonMode::Lines;
        renderer.setState(leftOver);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        seedSharedRandom(7);
        drawFrame(scene);
        EXPECT_TRUE(bandPixels() == clean) << "the frame follows the state before it";
        renderer.setState(RenderState());
        if (steersCamera) {
            camera.setPosition(Vector3(5.0f, -7.0f, 3.0f));
            camera.setTarget(Vector3(-4.0f, 2.0f, 9.0f));
            scene.updateTask(0);
            EXPECT_EQ((camera.position - eye).lengthSquared() + (camera.target - target).lengthSquared(), 0.0f);
        }
    }

    Renderer renderer;
    TextureManager textures{&renderer};
    BitmapFont font;
    Camera camera;
};

TEST_F(SceneTest, Scene1DrawsAPictureAtEveryStageWithBlueRain) {
    Scene1 scene;
    attach(scene, 0);
    playThrough(scene, {6000, 20000, 37000, 41000, 44000}, false);
    expectIndependenceOfThePreviousFrame(scene, true);
    const Vector3 rain = colourOf(scene.rain);
    EXPECT_GT(rain.z, rain.y + blueOverRed);
    EXPECT_GT(rain.y, rain.x + greenOverRed);
}

// At a steady frame rate the rain keeps the waves within a few units; one explicit step of
// a slow frame would make them explode to hundreds.
TEST_F(SceneTest, Scene1SlowLongAndEmptyFramesKeepTheWavesInBounds) {
    // A frame of up to 21 ms is one step: from rest, a kicked vertex moves half its speed times the step.
    for (unsigned int ms : {1u, 17u, 20u}) {
        Scene1 fresh;
        attach(fresh, 0);
        const Vector3 c = fresh.water.vertexArray.vertices[0];
        fresh.water.disturb(c.x, c.z, 1.0f, 0.3f);
        fresh.update(ms);
        EXPECT_FLOAT_EQ(fresh.water.vertexArray.vertices[0].y, -0.0005f * static_cast<float>(ms)) << ms;
    }
    Scene1 scene;
    attach(scene, 0);
    runUntil(scene, 10000, 100);
    for (unsigned int ms : {0u, 0u, 5000u, 3000u}) {
        playFrames(scene, 1, ms);
    }
    playFrames(scene, 20, 16);
    for (int i = 0; i < scene.water.vertexArray.count; ++i) {
        ASSERT_LT(std::fabs(scene.water.vertexArray.vertices[i].y), 8.0f) << "vertex " << i;
    }
}

TEST_F(SceneTest, Scene1UnloadGivesTheTexturesBackOnceAndFreesTheText) {
    Scene1 scene;
    attach(scene, 0);
    for (unsigned int given : {1u, 0u, 0u}) {
        EXPECT_EQ(textures.resources["back.jpg"].refCount, given);
        EXPECT_EQ(textures.resources["particle.jpg"].refCount, given);
        runUntil(scene, 1000, 20);
        scene.unload(textures);
    }
    EXPECT_FALSE(scene.intro);
    EXPECT_TRUE(scene.effects.effects.empty()) << "no pointer to the freed text is left behind";
}

TEST_F(SceneTest, Scene2DrawsItsPictureWithBlueSparksSwingingRoundTheBlob) {
    Scene2 scene;
    attach(scene, 1);
    playThrough(scene, {3100, 15000, 39000}, true);
    expectIndependenceOfThePreviousFrame(scene, true);
    EXPECT_GT(scene.sparks.position.length(), 1.0f) << "the emitter swings out";
    const Vector3 sparks = colourOf(scene.sparks);
    EXPECT_GT(sparks.z, sparks.x + blueOverRed);
    EXPECT_NEAR(sparks.x, sparks.y, evenChannels);
}

// The balls' paths repeat every 2 pi radians, which the scene's 40 s cover many times.
TEST(Scene2Capacity, TheBlobIsNeverCutShort) {
    Scene2 scene;
    const int capacity = scene.metaballs.getSurface().triangleList.count;
    scene.metaballs.setCapacity(5 * capacity, 15 * capacity);
    int largest = 0;
    for (int step = 0; step < 1000; ++step) {
        for (int i = 0; i < Scene2::ballCount; ++i) {
            scene.metaballs.setBallPosition(i, Scene2::ballPosition(i, 0.002f * 3.1415927f * static_cast<float>(step)));
        }
        scene.metaballs.polygonise();
        largest = std::max(largest, scene.metaballs.getSurface().drawCount);
    }
    EXPECT_LE(largest, capacity);
    EXPECT_GT(largest, capacity / 2) << "the capacity fits the blob closely";
}

// The window is outlined in white along its four edges; most of the outline lies over the
// backdrop, where nothing hides it.
TEST_F(SceneTest, Scene3DrawsItsPictureWithTheWindowOutlinedInWhite) {
    Scene3 scene;
    attach(scene, 2);
    playThrough(scene, {5000}, true);
    float unit[4][2];
    Scene3::windowCorners(scene.angle, unit);
    const std::vector<unsigned char> frame = readFrame();
    for (int edge = 0; edge < 4; ++edge) {
        const float* a = unit[edge];
        const float* b = unit[(edge + 1) % 4];
        int white = 0;
        for (int k = 1; k < 20; ++k) {
            // The unit box maps onto the 800 x 400 band; a white pixel within two of the edge.
            const float along = k / 20.0f;
            const int x = static_cast<int>((a[0] + (b[0] - a[0]) * along + 1.0f) * 400.0f);
            const int y = 100 + static_cast<int>((a[1] + (b[1] - a[1]) * along + 1.0f) * 200.0f);
            bool found = false;
            for (int d = 0; d < 25; ++d) {
                const unsigned char* p = &frame[3 * ((y + d / 5 - 2) * 800 + x + d % 5 - 2)];
                found = found || std::min({p[0], p[1], p[2]}) > whiteChannel;
            }
            white += found ? 1 : 0;
        }
        EXPECT_GT(white, whiteEdgePixels) << "edge " << edge;
    }
    playThrough(scene, {15000, 39000}, false);
    expectIndependenceOfThePreviousFrame(scene, true);
    // An update that comes 2.5 s late at the scene's end carries its clock past 40 s: the
    // white-out rises most of the way in that one update and is drawn.
    EXPECT_LT(drawFrame(scene).brightness, whiteOutBrightness);
    scene.updateTask(2500);
    EXPECT_GE(drawFrame(scene).brightness, whiteOutBrightness);
}

TEST_F(SceneTest, Scene4DrawsBlueTrailsOfWhichTheOuterTwoFly) {
    Scene4 scene;
    attach(scene, 3);
    const Vector3 trails = playThrough(scene, {3100, 15000}, true).colour;
    EXPECT_GT(trails.z, trails.x + blueOverRed);
    EXPECT_NEAR(trails.x, trails.y, evenChannels);
    EXPECT_GT(scene.trails[0].position.length(), 1.0f);
    EXPECT_EQ(scene.trails[1].position.length(), 0.0f);
    EXPECT_GT(scene.trails[2].position.length(), 1.0f);
    EXPECT_EQ(textures.resources["particle.jpg"].refCount, 3u);
    expectIndependenceOfThePreviousFrame(scene, true);
    // Only an update of more than 10 s past the scene's 40 s starts its white-out.
    scene.updateTask(34000);
    EXPECT_LT(drawFrame(scene).brightness, whiteOutBrightness);
    scene.updateTask(2500);
    EXPECT_GE(drawFrame(scene).brightness, whiteOutBrightness);
}

// Three seconds into the first line it has faded in far enough to see.
TEST_F(SceneTest, Scene5ShowsTheCredits) {
    Scene5 scene;
    attach(scene, 4);
    runUntil(scene, 3000, 20);
    EXPECT_GT(drawFrame(scene).pixels, creditsPixels);
    expectIndependenceOfThePreviousFrame(scene, false);
}

}  // namespace
}  // namespace Tramble
