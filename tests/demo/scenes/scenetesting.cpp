// The scene test fixture: a real renderer, textures from data/images and the demo's font.
#include "demo/scenes/scenetesting.h"

#include <SDL_opengl.h>

#include <cstdlib>

namespace Tramble {

namespace {

// The font the scene handler builds.
const float glyphSize[2] = {40.0f, 40.0f};
const float fontColour[4] = {1.0f, 1.0f, 0.0f, 0.4f};
// A channel at or below this counts as dark.
const unsigned char darkLevel = 8;
// Frames with fewer lit pixels than this share of the band count as blank.
const double minimumLitShare = 0.001;

}  // namespace

void SceneTest::SetUp() {
    GLTest::SetUp();
    renderer.initialize();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    font.build(textures.fetchResource("fontmap.jpg"), glyphSize, 0.0f, fontColour);
    ASSERT_NE(font.texture, 0u) << "the glyph sheet must load from data/images";
}

void SceneTest::TearDown() {
    font.release();
    for (auto& entry : textures.resources) {
        if (entry.second.refCount > 0) {
            glDeleteTextures(1, &entry.second.resource);
        }
    }
    GLTest::TearDown();
}

void SceneTest::attach(IDemoScene& scene, unsigned int length) {
    scene.camera = &camera;
    scene.font = &font;
    scene.load(textures);
    scene.setStage(SceneStage::Starting, 0);
    scene.setStage(SceneStage::Running, length);
}

void SceneTest::runUntil(IDemoScene& scene, unsigned int until, unsigned int step) {
    while (scene.elapsed < until) {
        const unsigned int ms = until - scene.elapsed < step ? until - scene.elapsed : step;
        scene.elapsed += ms;
        scene.updateTask(ms);
    }
}

FrameStats SceneTest::drawFrame(IDemoScene& scene) {
    renderer.beginFrame();
    camera.draw(renderer);
    scene.draw(renderer);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "after " << scene.elapsed << " ms";
    return bandStats();
}

void SceneTest::playFrames(IDemoScene& scene, int frames, unsigned int step) {
    for (int i = 0; i < frames; ++i) {
        scene.elapsed += step;
        scene.updateTask(step);
        const FrameStats stats = drawFrame(scene);
        EXPECT_GT(stats.lit, static_cast<int>(stats.pixels * minimumLitShare))
            << "blank frame after " << scene.elapsed << " ms";
    }
}

void SceneTest::expectIndependenceOfThePreviousFrame(IDemoScene& scene, bool steersCamera) {
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
        EXPECT_TRUE(camera.position.x == eye.x && camera.position.y == eye.y && camera.position.z == eye.z);
        EXPECT_TRUE(camera.target.x == target.x && camera.target.y == target.y && camera.target.z == target.z);
    }
}

Colour litColour(const std::vector<unsigned char>& rgb) {
    Colour sum;
    int lit = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        if (rgb[i] > darkLevel || rgb[i + 1] > darkLevel || rgb[i + 2] > darkLevel) {
            sum.r += rgb[i];
            sum.g += rgb[i + 1];
            sum.b += rgb[i + 2];
            ++lit;
        }
    }
    const double n = lit > 0 ? lit : 1;
    return Colour{sum.r / n, sum.g / n, sum.b / n};
}

std::vector<unsigned char> bandPixels() {
    return readFrame(0, 100, 800, 400);
}

FrameStats bandStats() {
    const std::vector<unsigned char> rgb = bandPixels();
    FrameStats stats;
    stats.pixels = static_cast<int>(rgb.size() / 3);
    double sum = 0.0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        sum += rgb[i] + rgb[i + 1] + rgb[i + 2];
        if (rgb[i] > darkLevel || rgb[i + 1] > darkLevel || rgb[i + 2] > darkLevel) {
            ++stats.lit;
        }
    }
    stats.brightness = sum / static_cast<double>(rgb.size());
    return stats;
}

}  // namespace Tramble
