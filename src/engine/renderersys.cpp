// The renderer's state operations, each a handful of immediate OpenGL calls with no
// allocation, and the client-side vertex array draws.
#include "engine/renderersys.h"

#include <SDL_opengl.h>

#include <cstddef>
#include <iterator>

#include "engine/image.h"
#include "engine/logsys.h"

namespace Tramble {

namespace {

// The letterbox band of the 800 x 600 window: 100-pixel bars above and below.
const int letterboxPosition[2] = {0, 100};
const int letterboxSize[2] = {800, 400};
// Vertical field of view of the 3D picture, degrees.
const float defaultFieldOfView = 100.0f;
// Clip planes: near is the float 0.1 widened to double; the golden frames are drawn with
// exactly this depth range.
const double nearPlane = static_cast<double>(0.1f);
const double farPlane = 5000.0;

const GLenum fogModes[] = {GL_EXP, GL_EXP2, GL_LINEAR};
const GLenum polygonModes[] = {GL_POINT, GL_LINE, GL_FILL};
const GLenum primitiveModes[] = {GL_POINTS,       GL_LINE_STRIP, GL_LINE_LOOP,  GL_LINES, GL_TRIANGLE_STRIP,
                                 GL_TRIANGLE_FAN, GL_TRIANGLES,  GL_QUAD_STRIP, GL_QUADS, GL_POLYGON};

// True when value indexes the table; otherwise logs that the operation refused it.
template <std::size_t N>
bool inTable(const GLenum (&)[N], int value, const char* operation) {
    if (value >= 0 && static_cast<std::size_t>(value) < N) {
        return true;
    }
    LOG(Error) << operation << ": no such mode " << value << "\n";
    return false;
}

void setCapability(GLenum capability, bool on) {
    if (on) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

// Stencil marks are counted in 8 bits.
const GLuint stencilBits = 0xFF;

void applyStencil(Stencil stencil, int value) {
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

}  // namespace

void Renderer::initialize() {
    LOG(Info) << "Initializing renderer" << std::endl;
    LogIndent indent;
    setViewport(letterboxPosition, letterboxSize);
    setProjection(defaultFieldOfView);
    glLoadIdentity();
    stateKnown = false;
    setState(RenderState());
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
}

void Renderer::beginFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void Renderer::setViewport(const int position[2], const int size[2]) {
    glMatrixMode(GL_PROJECTION);
    glViewport(position[0], position[1], size[0], size[1]);
    glMatrixMode(GL_MODELVIEW);
    width = size[0];
    height = size[1];
    setProjection(fieldOfView);
}

void Renderer::setProjection(float fov) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (fov == 0.0f) {
        glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
    } else {
        const double aspect = static_cast<double>(width) / static_cast<double>(height);
        gluPerspective(fov, aspect, nearPlane, farPlane);
    }
    glMatrixMode(GL_MODELVIEW);
}

void Renderer::pushMatrix(MatrixMode mode) {
    if (mode == MatrixMode::Projection) {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
    } else {
        glPushMatrix();
    }
}

void Renderer::popMatrix(MatrixMode mode) {
    if (mode == MatrixMode::Projection) {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    } else {
        glPopMatrix();
    }
}

void Renderer::loadMatrix(const Matrix4& matrix, MatrixMode mode) {
    if (mode == MatrixMode::Projection) {
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(matrix.data());
        glMatrixMode(GL_MODELVIEW);
    } else {
        glLoadMatrixf(matrix.data());
    }
}

void Renderer::setLighting(bool on) {
    if (changes(current.lighting, on)) {
        setCapability(GL_LIGHTING, on);
    }
    current.lighting = on;
}

void Renderer::setDepthTest(bool on) {
    if (changes(current.depthTest, on)) {
        setCapability(GL_DEPTH_TEST, on);
    }
    current.depthTest = on;
}

void Renderer::setDepthMask(bool on) {
    if (changes(current.depthWrite, on)) {
        glDepthMask(on ? GL_TRUE : GL_FALSE);
    }
    current.depthWrite = on;
}

void Renderer::setFog(bool on) {
    if (changes(current.fog, on)) {
        setCapability(GL_FOG, on);
    }
    current.fog = on;
}

void Renderer::setPolygonMode(PolygonMode mode) {
    if (changes(current.polygonMode, mode)) {
        const int value = static_cast<int>(mode);
        const bool named = value >= 0 && static_cast<std::size_t>(value) < std::size(polygonModes);
        glPolygonMode(GL_FRONT_AND_BACK, named ? polygonModes[value] : static_cast<GLenum>(value));
    }
    current.polygonMode = mode;
}

void Renderer::setFlatShading(bool on) {
    if (changes(current.flatShading, on)) {
        glShadeModel(on ? GL_FLAT : GL_SMOOTH);
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

void Renderer::pushBox(const ScreenBox& box) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(box.left, box.right, box.bottom, box.top, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void Renderer::popBox() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void Renderer::clearStencil() {
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
}

void Renderer::setSpecularLights(const SpecularLights& lights) {
    glMaterialfv(GL_FRONT, GL_SPECULAR, lights.surfaceSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, lights.shininess);
    glLightfv(GL_LIGHT1, GL_SPECULAR, lights.lightSpecular);
    glLightfv(GL_LIGHT2, GL_SPECULAR, lights.lightSpecular);
    glLightfv(GL_LIGHT1, GL_POSITION, lights.positions[0]);
    glLightfv(GL_LIGHT2, GL_POSITION, lights.positions[1]);
    glDisable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHT2);
}

Matrix4 Renderer::modelview() const {
    Matrix4 matrix;
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix.m);
    return matrix;
}

void Renderer::setupFog(const FogSettings& fog) {
    if (!inTable(fogModes, static_cast<int>(fog.mode), "setupFog")) {
        return;
    }
    glFogi(GL_FOG_MODE, static_cast<GLint>(fogModes[static_cast<int>(fog.mode)]));
    glFogfv(GL_FOG_COLOR, fog.colour);
    glFogf(GL_FOG_DENSITY, fog.density);
    glFogf(GL_FOG_START, fog.start);
    glFogf(GL_FOG_END, fog.end);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
}

void Renderer::applyMaterial(const Material& material) {
    if (material.blend == blendAdditive) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
    glColor4fv(material.colour);
    if (material.texture == 0) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    if (material.texGen == texGenOff) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    } else if (material.texGen == texGenSphereMap) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    }
    glBindTexture(GL_TEXTURE_2D, material.texture);
}

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

void Renderer::deleteTexture(unsigned int texture) {
    glDeleteTextures(1, &texture);
}

void Renderer::translate(const Vector3& offset) {
    glTranslatef(offset.x, offset.y, offset.z);
}

void Renderer::lookAt(const Vector3& eye, const Vector3& centre) {
    gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0.0, 1.0, 0.0);
}

void Renderer::drawElements(const VertexArray& vertices, const TriangleList& triangles, unsigned int count) {
    if (!vertices.hasNormals || !vertices.hasTexCoords) {
        LOG(Error) << "drawElements: the vertex array lacks normals or texture coordinates\n";
        return;
    }
    const unsigned int all = static_cast<unsigned int>(triangles.count);
    const unsigned int drawn = count == ~0u || count > all ? all : count;
    if (drawn == 0) {
        return;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.vertices.get());
    glNormalPointer(GL_FLOAT, 0, vertices.normals.get());
    glTexCoordPointer(2, GL_FLOAT, 0, vertices.texCoords.get());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(drawn * 3), GL_UNSIGNED_INT, triangles.triangles.get());
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void Renderer::drawArrays(PrimitiveType type, const VertexArray& vertices, unsigned int count) {
    if (!inTable(primitiveModes, static_cast<int>(type), "drawArrays")) {
        return;
    }
    const unsigned int all = static_cast<unsigned int>(vertices.count);
    const unsigned int drawn = count == ~0u || count > all ? all : count;
    if (drawn == 0) {
        return;
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.vertices.get());
    if (vertices.hasNormals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, vertices.normals.get());
    }
    if (vertices.hasTexCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, vertices.texCoords.get());
    }
    if (vertices.hasColours) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, 0, vertices.colours.get());
    }
    glDrawArrays(primitiveModes[static_cast<int>(type)], 0, static_cast<GLsizei>(drawn));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
}

}  // namespace Tramble
