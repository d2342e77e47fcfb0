// Texture upload under a real OpenGL context (mipmaps, linear filters, texel bytes, refused
// pixel sizes) and the texture manager from file name to texture and back.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/image.h"
#include "engine/renderersys.h"
#include "engine/texturemanager.h"
#include "support/glcontext.h"
#include "support/logcapture.h"
#include "tempdir.h"

namespace Tramble {
namespace {

// Level 0 of the bound texture as packed bytes of the given format.
std::vector<unsigned char> readTexture(GLuint texture, GLenum format, int width, int height) {
    const int channels = format == GL_RGBA ? 4 : 3;
    std::vector<unsigned char> texels(static_cast<size_t>(width) * height * channels);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

GLint levelParameter(int level, GLenum name) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

// Makes a directory the working directory for the guard's lifetime, as the demo's own
// directory is for the texture manager's relative paths.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& directory) : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(directory);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous;
};

using TextureTest = GLTest;

TEST_F(TextureTest, UploadKeepsTheBytesAndBuildsMipmapsWithLinearFilters) {
    std::vector<unsigned char> pixels(8 * 4 * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<unsigned char>(i * 7);
    }
    pixels[0] = 255;
    pixels[1] = 0;
    pixels[2] = 0;
    Image image;
    image.setData(pixels.data(), 8, 4, 3);
    Renderer renderer;
    LogCapture log;
    const GLuint texture = renderer.loadTexture(image);
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(log.str(), "--- Loading texture into hwmemory\n");
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(readTexture(texture, GL_RGB, 8, 4), pixels) << "first pixel red, every byte in place";

    const int sizes[][2] = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
    for (int level = 0; level < 4; ++level) {
        EXPECT_EQ(levelParameter(level, GL_TEXTURE_WIDTH), sizes[level][0]) << "level " << level;
        EXPECT_EQ(levelParameter(level, GL_TEXTURE_HEIGHT), sizes[level][1]) << "level " << level;
    }
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
    glDeleteTextures(1, &texture);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureTest, FourBytesPerPixelUploadWithAlpha) {
    const std::vector<unsigned char> pixels = {255, 0, 0, 64, 0, 255, 0, 128, 0, 0, 255, 192, 9, 8, 7, 255};
    Image image;
    image.setData(pixels.data(), 2, 2, 4);
    Renderer renderer;
    const GLuint texture = renderer.loadTexture(image);
    ASSERT_NE(texture, 0u);
    EXPECT_GT(levelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_EQ(readTexture(texture, GL_RGBA, 2, 2), pixels);
    glDeleteTextures(1, &texture);
}

TEST_F(TextureTest, ImagesThatCannotBeUploadedGiveZero) {
    const unsigned char pixels[8] = {};
    for (unsigned char bytes : {1, 2}) {
        Image image;
        image.setData(pixels, 2, 2, bytes);
        Renderer renderer;
        LogCapture log;
        EXPECT_EQ(renderer.loadTexture(image), 0u);
        EXPECT_EQ(log.str(), "--- Loading texture into hwmemory\n    *** Invalid bpp: " + std::to_string(bytes) + "\n");
    }

    Renderer renderer;
    LogCapture log;
    EXPECT_EQ(renderer.loadTexture(Image()), 0u) << "an image that never held pixels";
    EXPECT_EQ(log.count("*** Invalid bpp: 0"), 1);

    Image empty;
    empty.setData(pixels, 0, 0, 3);
    log.clear();
    EXPECT_EQ(renderer.loadTexture(empty), 0u);
    EXPECT_EQ(log.count("*** Building mipmaps failed: "), 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// A BMP stores blue first: the file goes through decoding, conversion and upload and its
// red pixels must still be red texels.
TEST_F(TextureTest, FetchUploadsTheFileAndTheLastDropDeletesTheTexture) {
    TempDir dir;
    const std::filesystem::path images = dir.path() / "data" / "images";
    std::filesystem::create_directories(images);
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 24, 0xff0000, 0x00ff00, 0x0000ff, 0);
    ASSERT_NE(surface, nullptr);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 255, 0, 0));
    const int saved = SDL_SaveBMP(surface, (images / "red.bmp").string().c_str());
    SDL_FreeSurface(surface);
    ASSERT_EQ(saved, 0);

    const WorkingDirectory here(dir.path());
    Renderer renderer;
    TextureManager manager(&renderer);
    LogCapture log;
    const GLuint texture = manager.fetchResource("red.bmp");
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(log.str(),
              "--- Fetching resource 'red.bmp'\n"
              "    --- Resource not loaded, loading..\n"
              "    --- Loading texture 'red.bmp'\n"
              "        --- Loading texture into hwmemory\n");
    std::vector<unsigned char> red;
    for (int i = 0; i < 16; ++i) {
        red.insert(red.end(), {255, 0, 0});
    }
    EXPECT_EQ(readTexture(texture, GL_RGB, 4, 4), red);

    manager.dropResource("red.bmp");
    EXPECT_FALSE(glIsTexture(texture));
}

TEST(TextureManagerTest, MissingFileGivesZeroAndIsNotRetried) {
    Renderer renderer;
    TextureManager manager(&renderer);
    LogCapture log;
    EXPECT_EQ(manager.fetchResource("no-such-image.jpg"), 0u);
    EXPECT_EQ(log.str(),
              "--- Fetching resource 'no-such-image.jpg'\n"
              "    --- Resource not loaded, loading..\n"
              "    --- Loading texture 'no-such-image.jpg'\n"
              "        *** SDL_Surface null\n"
              "        *** Image was invalid\n");
    log.clear();
    EXPECT_EQ(manager.fetchResource("no-such-image.jpg"), 0u);
    EXPECT_EQ(log.str(), "--- Fetching resource 'no-such-image.jpg'\n");
}

}  // namespace
}  // namespace Tramble
