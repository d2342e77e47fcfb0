// What both renderer back ends share: initialisation's order, the state cache that issues a
// back end's GL calls only for fields that change, the checks of what callers pass before a
// back end sees it, and the GL state that OpenGL 1.1 and OpenGL ES 2.0 set alike (depth test
// and mask, stencil, blending, texture deletion), through the smaller API's header.
#include "engine/renderersys.h"

#include <GLES2/gl2.h>

#include <cstddef>
#include <iterator>

#include "engine/image.h"
#include "engine/logsys.h"

namespace Tramble {

namespace {

// The window initialize assumes, in pixels, and the share of its height each letterbox bar
// takes: 100-pixel bars above and below at 800 x 600.
const int defaultWindowSize[2] = {800, 600};
const int barsPerWindowHeight = 6;
// Vertical field of view of the 3D picture, degrees.
const float defaultFieldOfView = 100.0f;
// FogMode and PrimitiveType values the back ends have a mode for.
const int fogModeCount = 3;
const int primitiveTypeCount = 10;
// Bytes per pixel of the two formats a texture can be uploaded from.
const int rgbBytes = 3;
const int rgbaBytes = 4;

// True when value is one of count modes; otherwise logs that the operation refused it.
bool known(int value, int count, const char* operation) {
    if (value >= 0 && value < count) {
        return true;
    }
    LOG(Error) << operation << ": no such mode " << value << "\n";
    return false;
}

// A count of ~0u, or one beyond what there is, means all of it.
unsigned int clampCount(unsigned int count, int all) {
    const unsigned int available = static_cast<unsigned int>(all);
    return count == ~0u || count > available ? available : count;
}

// Stencil marks are counted in 8 bits.
const GLuint stencilBits = 0xFF;

void setCapability(GLenum capability, bool on) {
    if (on) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

}  // namespace

void Renderer::initialize() {
    LOG(Info) << "Initializing renderer" << std::endl;
    LogIndent indent;
    setWindowSize(defaultWindowSize[0], defaultWindowSize[1]);
    setProjection(defaultFieldOfView);
    loadMatrix(Matrix4(), MatrixMode::Modelview);
    stateKnown = false;
    setState(RenderState());
    initializeBackend();
}

void Renderer::setWindowSize(int windowWidth, int windowHeight) {
    const int bar = windowHeight / barsPerWindowHeight;
    const int position[2] = {0, bar};
    const int size[2] = {windowWidth, windowHeight - 2 * bar};
    setViewport(position, size);
}

void Renderer::setViewport(const int position[2], const int size[2]) {
    applyViewport(position, size);
    width = size[0];
    height = size[1];
    setProjection(fieldOfView);
}

void Renderer::setLighting(bool on) {
    if (changes(current.lighting, on)) {
        applyLighting(on);
    }
    current.lighting = on;
}

void Renderer::setDepthTest(bool on) {
    if (changes(current.depthTest, on)) {
        applyDepthTest(on);
    }
    current.depthTest = on;
}

void Renderer::setDepthMask(bool on) {
    if (changes(current.depthWrite, on)) {
        applyDepthMask(on);
    }
    current.depthWrite = on;
}

void Renderer::setFog(bool on) {
    if (changes(current.fog, on)) {
        applyFog(on);
    }
    current.fog = on;
}

void Renderer::setPolygonMode(PolygonMode mode) {
    if (changes(current.polygonMode, mode)) {
        applyPolygonMode(mode);
    }
    current.polygonMode = mode;
}

void Renderer::setFlatShading(bool on) {
    if (changes(current.flatShading, on)) {
        applyFlatShading(on);
    }
    current.flatShading = on;
}

void Renderer::setState(const RenderState& state) {
    setLighting(state.lighting);
    setDepthTest(state.depthTest);
    setDepthMask(state.depthWrite);
    setFog(state.fog);
    setFlatShading(state.flatShading);
    setPolygonMode(state.polygonMode);
    if (changes(current.stencil, state.stencil) || changes(current.stencilValue, state.stencilValue)) {
        applyStencil(state.stencil, state.stencilValue);
    }
    current.stencil = state.stencil;
    current.stencilValue = state.stencilValue;
    stateKnown = true;
}

void Renderer::applyDepthTest(bool on) {
    setCapability(GL_DEPTH_TEST, on);
}

void Renderer::applyDepthMask(bool on) {
    glDepthMask(on ? GL_TRUE : GL_FALSE);
}

void Renderer::applyStencil(Stencil stencil, int value) {
    setCapability(GL_STENCIL_TEST, stencil != Stencil::Off);
    glStencilMask(stencilBits);
    if (stencil == Stencil::Mark) {
        // The marking draws run with the depth test off, so only the pass counts.
        glStencilOp(GL_KEEP, GL_INCR, GL_INCR);
        glStencilFunc(GL_ALWAYS, 0, stencilBits);
    } else {
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glStencilFunc(GL_EQUAL, value, stencilBits);
    }
}

void Renderer::clearStencil() {
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
}

void Renderer::applyMaterial(const Material& material) {
    if (material.blend == blendAdditive) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
    applyColourAndTexture(material);
}

void Renderer::deleteTexture(unsigned int texture) {
    glDeleteTextures(1, &texture);
}

void Renderer::setupFog(const FogSettings& fog) {
    if (known(static_cast<int>(fog.mode), fogModeCount, "setupFog")) {
        applyFogSettings(fog);
    }
}

// The pixel format is checked before the back end makes a texture, so that a refused image
// leaves no empty texture behind.
unsigned int Renderer::loadTexture(const Image& image) {
    LOG(Info) << "Loading texture into hwmemory" << std::endl;
    const LogIndent indent;
    if (image.bytesPerPixel != rgbBytes && image.bytesPerPixel != rgbaBytes) {
        LOG(Error) << "Invalid bpp: " << static_cast<int>(image.bytesPerPixel) << "\n";
        return 0;
    }
    return uploadTexture(image, image.bytesPerPixel == rgbaBytes);
}

void Renderer::drawElements(const VertexArray& vertices, const TriangleList& triangles, unsigned int count) {
    if (!vertices.hasNormals || !vertices.hasTexCoords) {
        LOG(Error) << "drawElements: the vertex array lacks normals or texture coordinates\n";
        return;
    }
    const unsigned int drawn = clampCount(count, triangles.count);
    if (drawn > 0) {
        drawTriangles(vertices, triangles, drawn);
    }
}

void Renderer::drawArrays(PrimitiveType type, const VertexArray& vertices, unsigned int count) {
    if (!known(static_cast<int>(type), primitiveTypeCount, "drawArrays")) {
        return;
    }
    const unsigned int drawn = clampCount(count, vertices.count);
    if (drawn > 0) {
        drawPrimitives(type, vertices, drawn);
    }
}

}  // namespace Tramble
