// Textures shared by file name: the one resource manager of the engine. A name is a file
// under data/images/; the resource is the OpenGL texture name, 0 when loading failed.
#pragma once

#include <string>

#include "engine/resources.h"

namespace Tramble {

class Renderer;

class TextureManager : public ResourceManager<unsigned int> {
public:
    // The renderer uploads the decoded images; it must outlive the manager.
    explicit TextureManager(Renderer* renderer) : renderer(renderer) {}

    // Decodes data/images/<name> and uploads it; 0 (logged) if either step fails. The
    // decoded pixels live only for the upload.
    unsigned int loadResource(const std::string& name) override;
    void unloadResource(unsigned int texture) override;

    Renderer* renderer;
};

}  // namespace Tramble
