// What every scene test needs: a real context with the renderer set up as the video task
// sets it, the demo's textures and font, a camera, and the handler's part of driving a scene
// (loading it, moving its clock, drawing it behind the camera and reading the frame back).
#pragma once

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "demo/scenesys.h"
#include "engine/bitmapfont.h"
#include "engine/camera.h"
#include "engine/renderersys.h"
#include "engine/texturemanager.h"
#include "support/glcontext.h"

namespace Tramble {

// A channel at or below this counts as dark.
const unsigned char darkLevel = 8;
// Mean band brightness (0 to 255) above which a frame is the white flash.
const double flashBrightness = 220.0;

// Mean red, green and blue (0 to 255) of the pixels of a frame region that are not dark;
// the count of those pixels; the mean of all channels.
struct Lit {
    Vector3 colour;
    int pixels = 0;
    double brightness = 0.0;
};

inline Lit measure(const std::vector<unsigned char>& rgb) {
    Lit lit;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        lit.brightness += rgb[i] + rgb[i + 1] + rgb[i + 2];
        if (rgb[i] > darkLevel || rgb[i + 1] > darkLevel || rgb[i + 2] > darkLevel) {
            lit.colour += Vector3(rgb[i], rgb[i + 1], rgb[i + 2]);
            ++lit.pixels;
        }
    }
    lit.colour = lit.colour * (1.0f / static_cast<float>(lit.pixels > 0 ? lit.pixels : 1));
    lit.brightness /= static_cast<double>(rgb.size());
    return lit;
}

// The 800 x 400 band at (0, 100) where the 3D picture is drawn.
inline std::vector<unsigned char> bandPixels() {
    return readFrame(0, 100, 800, 400);
}

class SceneTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        renderer.initialize();
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        // The font the scene handler builds.
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
    void attach(IDemoScene& scene, unsigned int length) {
        scene.camera = &camera;
        scene.font = &font;
        scene.load(textures);
        scene.setStage(SceneStage::Starting, 0);
        scene.setStage(SceneStage::Running, length);
    }

    // Timed updates of at most step ms, as the handler gives them, until the scene has been
    // active for `until` ms.
    static void runUntil(IDemoScene& scene, unsigned int until, unsigned int step) {
        while (scene.elapsed < until) {
            const unsigned int ms = until - scene.elapsed < step ? until - scene.elapsed : step;
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

    // Frames of fixed steps, each drawn and checked for errors and blankness (under a
    // thousandth of the band lit); the last frame's measure.
    Lit playFrames(IDemoScene& scene, int frames, unsigned int step) {
        Lit lit;
        for (int i = 0; i < frames; ++i) {
            scene.elapsed += step;
            scene.updateTask(step);
            lit = drawFrame(scene);
            EXPECT_GT(lit.pixels, 320) << "blank frame after " << scene.elapsed << " ms";
        }
        return lit;
    }

    // Two frames at each stop (ms into the scene); a scene that opens with a white flash
    // must be near white in its first frame and clearly darker at the stops. The last
    // frame's measure.
    Lit playThrough(IDemoScene& scene, std::initializer_list<unsigned int> stops, bool flash) {
        const double first = playFrames(scene, 1, 16).brightness;
        EXPECT_TRUE(!flash || first > flashBrightness) << "the opening flash";
        Lit lit;
        for (unsigned int at : stops) {
            runUntil(scene, at, 20);
            lit = playFrames(scene, 2, 16);
            EXPECT_TRUE(!flash || lit.brightness < first - 50.0) << at;
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

    // The frame must not depend on the state another scene's draw left the renderer in, and,
    // for a scene that steers the camera, an update must put back a camera moved elsewhere.
    void expectIndependenceOfThePreviousFrame(IDemoScene& scene, bool steersCamera) {
        scene.updateTask(0);
        const Vector3 eye = camera.position;
        const Vector3 target = camera.target;
        // The font jitters on the shared random numbers: the same numbers for both frames.
        std::srand(7);
        drawFrame(scene);
        const std::vector<unsigned char> clean = bandPixels();
        RenderState other;
        other.lighting = false;
        other.depthTest = false;
        other.fog = true;
        other.flatShading = true;
        other.polygonMode = PolygonMode::Lines;
        renderer.setState(other);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        std::srand(7);
        drawFrame(scene);
        EXPECT_TRUE(bandPixels() == clean) << "the frame follows the state before it";
        renderer.setState(RenderState());
        if (steersCamera) {
            camera.setPosition(Vector3(5.0f, -7.0f, 3.0f));
            camera.setTarget(Vector3(-4.0f, 2.0f, 9.0f));
            scene.updateTask(0);
            EXPECT_TRUE(camera.position.x == eye.x && camera.position.y == eye.y && camera.position.z == eye.z &&
                        camera.target.x == target.x && camera.target.y == target.y && camera.target.z == target.z);
        }
    }

    Renderer renderer;
    TextureManager textures{&renderer};
    BitmapFont font;
    Camera camera;
};

}  // namespace Tramble
