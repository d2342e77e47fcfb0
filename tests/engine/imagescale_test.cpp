// Our rescaling against GLU's: level 0 of gluBuild2DMipmaps, read back from a real texture.
#include "engine/imagescale.h"

#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <vector>

#include "engine/random.h"
#include "support/glcontext.h"

namespace Tramble {
namespace {

using ImageScaleTest = GLTest;

// Shrinking and growing, sides already powers of two (read past with weight 0), boxes
// covering up to three pixels a side, three and four channels.
TEST_F(ImageScaleTest, MatchesLevelZeroOfGluBuild2DMipmapsByteForByte) {
    const struct {
        int width, height, channels;
    } cases[] = {{5, 3, 3},   {7, 6, 4},   {12, 10, 3},   {3, 17, 4}, {6, 4, 3},
                 {64, 23, 3}, {45, 45, 4}, {300, 201, 4}, {1, 1, 3}};
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    RandomSequence random(3);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " x " << c.channels);
        std::vector<unsigned char> pixels(static_cast<size_t>(c.width) * c.height * c.channels);
        for (unsigned char& p : pixels) {
            p = static_cast<unsigned char>(random.next());
        }
        const GLenum format = c.channels == 4 ? GL_RGBA : GL_RGB;
        ASSERT_EQ(
            gluBuild2DMipmaps(GL_TEXTURE_2D, c.channels, c.width, c.height, format, GL_UNSIGNED_BYTE, pixels.data()),
            0);
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        int ourWidth = 0, ourHeight = 0;
        powerOfTwoSize(c.width, c.height, maxSide, ourWidth, ourHeight);
        ASSERT_EQ(ourWidth, width);
        ASSERT_EQ(ourHeight, height);
        std::vector<unsigned char> theirs(static_cast<size_t>(width) * height * c.channels);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, theirs.data());
        const std::vector<unsigned char> ours = scaleImage(pixels.data(), c.width, c.height, c.channels, width, height);
        EXPECT_TRUE(ours == theirs);
    }
    glDeleteTextures(1, &texture);
}

// GLU halves both sides together until the texture fits.
TEST(PowerOfTwoSizeTest, HalvesBothSidesPastTheLargestSide) {
    int width = 0, height = 0;
    powerOfTwoSize(3000, 700, 1024, width, height);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 256);
}

}  // namespace
}  // namespace Tramble
