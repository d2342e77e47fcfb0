// The shared test window and the GL state save and restore around every GL test.
#include "support/glcontext.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>

namespace Tramble {

// Reopens the window when something (a kernel test's SDL_Quit) shut the video down.
bool openTestWindow() {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0 && SDL_GetVideoSurface() != nullptr) {
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == -1) {
        std::fprintf(stderr, "test window: no video: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (SDL_SetVideoMode(testWindowWidth, testWindowHeight, 32, SDL_OPENGL) == nullptr) {
        std::fprintf(stderr, "test window: no OpenGL window: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

std::vector<unsigned char> readFrame(int x, int y, int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

void GLTest::SetUp() {
    ASSERT_TRUE(openTestWindow()) << "GL tests need a display with OpenGL (the test command starts Xvfb)";
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    while (glGetError() != GL_NO_ERROR) {
    }
}

void GLTest::TearDown() {
    if (!openTestWindow()) {
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

}  // namespace Tramble
