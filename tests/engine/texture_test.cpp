// Texture upload under a real OpenGL context (texel bytes whatever the row length, linear
// filters) and the texture manager with its reference counts, from file name to
// texture and back.
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <vector>

#include "engine/image.h"
#include "engine/renderersys.h"
#include "engine/texturemanager.h"
#include "support/glcontext.h"
#include "support/logcapture.h"

namespace Tramble {
namespace {

// Level 0 of the texture as packed bytes of as many channels.
std::vector<unsigned char> readTexture(GLuint texture, int channels, int width, int height) {
    std::vector<unsigned char> texels(static_cast<size_t>(width) * height * channels);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, channels == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

using TextureTest = GLTest;

// Rows of 2 RGB texels are 6 bytes: not a multiple of GL's default row alignment. The mipmap
// levels go unused, so both filters must be plain linear.
TEST_F(TextureTest, UploadKeepsEveryByteWithLinearFilters) {
    for (const int channels : {3, 4}) {
        SCOPED_TRACE(channels);
        std::vector<unsigned char> pixels(static_cast<size_t>(2) * 4 * channels);
        for (size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<unsigned char>(i * 37 + 5);
        }
        Image image;
        image.setData(pixels.data(), 2, 4, static_cast<unsigned char>(channels));
        const GLuint texture = Renderer().loadTexture(image);
        EXPECT_EQ(readTexture(texture, channels, 2, 4), pixels);
        for (GLenum filter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
            GLint value = 0;
            glGetTexParameteriv(GL_TEXTURE_2D, filter, &value);
            EXPECT_EQ(value, GL_LINEAR);
        }
        glDeleteTextures(1, &texture);
    }
}

// The texels are the file's decoded pixels, a missing file is tried once, the last drop
// deletes, and a drop with no reference neither wraps the count nor deletes again.
TEST_F(TextureTest, ManagerUploadsTheFileOnceAndTheLastDropDeletesIt) {
    Renderer renderer;
    TextureManager manager(&renderer);
    LogCapture log;
    const GLuint texture = manager.fetchResource("particle.jpg");
    ASSERT_NE(texture, 0u);
    const Image image("data/images/particle.jpg");
    EXPECT_EQ(readTexture(texture, 3, image.width, image.height), image.pixels);
    EXPECT_EQ(manager.fetchResource("missing.jpg"), 0u);
    EXPECT_EQ(manager.fetchResource("missing.jpg"), 0u);
    EXPECT_EQ(log.count("Loading texture 'missing.jpg'"), 1);
    EXPECT_EQ(manager.fetchResource("particle.jpg"), texture);
    manager.dropResource("particle.jpg");
    EXPECT_TRUE(glIsTexture(texture));
    manager.dropResource("particle.jpg");
    EXPECT_FALSE(glIsTexture(texture));
    manager.dropResource("particle.jpg");
    manager.dropResource("never.jpg");
    EXPECT_EQ(log.count("holds no reference, drop ignored\n"), 2);
    manager.fetchResource("particle.jpg");
    EXPECT_EQ(log.count("Loading texture 'particle.jpg'"), 2);
}

}  // namespace
}  // namespace Tramble
