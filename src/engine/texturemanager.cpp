// Texture loading: JPEG files decoded into images and uploaded as mipmapped textures,
// shared by name through the texture manager.
#include "engine/texturemanager.h"

#include "engine/image.h"
#include "engine/logsys.h"
#include "engine/renderersys.h"

namespace Tramble {

namespace {

// Where texture names are looked up, relative to the working directory.
const char* const imageDirectory = "data/images/";

}  // namespace

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
    renderer->deleteTexture(texture);
}

}  // namespace Tramble
