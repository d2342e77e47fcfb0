// Texture loading: JPEG files decoded into images and uploaded as mipmapped textures,
// shared by name through the texture manager.
#include "engine/texturemanager.h"

#include <SDL_opengl.h>

#include "engine/image.h"
#include "engine/logsys.h"
#include "engine/renderersys.h"

namespace Tramble {

namespace {

// Where texture names are looked up, relative to the working directory.
const char* const imageDirectory = "data/images/";

}  // namespace

// The pixel format is chosen before a texture name is generated, so that a refused image
// leaves no empty texture behind.
unsigned int Renderer::loadTexture(const Image& image) {
    LOG(Info) << "Loading texture into hwmemory" << std::endl;
    const LogIndent indent;
    GLenum format = GL_RGB;
    switch (image.bytesPerPixel) {
        case 3: format = GL_RGB; break;
        case 4: format = GL_RGBA; break;
        default: LOG(Error) << "Invalid bpp: " << static_cast<int>(image.bytesPerPixel) << "\n"; return 0;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    // Image rows are packed, whatever their width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, name);
    const GLint result = gluBuild2DMipmaps(GL_TEXTURE_2D, image.bytesPerPixel, image.width, image.height, format,
                                           GL_UNSIGNED_BYTE, image.pixels.data());
    if (result != 0) {
        LOG(Error) << "Building mipmaps failed: " << gluErrorString(static_cast<GLenum>(result)) << "\n";
        glDeleteTextures(1, &name);
        return 0;
    }
    // The mipmap levels exist but are not used: both filters are plain linear.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return name;
}

unsigned int TextureManager::loadResource(const std::string& name) {
    LOG(Info) << "Loading texture '" << name << "'" << std::endl;
    const LogIndent indent;
    const Image image(imageDirectory + name);
    if (!image.valid) {
        LOG(Error) << "Image was invalid\n";
        return 0;
    }
    return renderer->loadTexture(image);
}

void TextureManager::unloadResource(unsigned int texture) {
    glDeleteTextures(1, &texture);
}

}  // namespace Tramble
