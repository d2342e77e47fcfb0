// The fixed-function back end: the renderer as OpenGL 1.1 draws it, with GLU's matrices and
// mipmaps. Besides what renderersys.cpp touches for both back ends, it touches the matrix
// stacks, viewport, lighting and lights 0 to 2, colour material, the front material's
// specular, fog, shade model, polygon mode, the current colour, 2D texturing and
// sphere-map generation, and the vertex, normal, texture-coordinate and colour client arrays
// (each left disabled).
#include <SDL_opengl.h>

#include <cstddef>
#include <iterator>

#include "engine/image.h"
#include "engine/logsys.h"
#include "engine/renderersys.h"

namespace Tramble {

namespace {

const GLenum fogModes[] = {GL_EXP, GL_EXP2, GL_LINEAR};
const GLenum polygonModes[] = {GL_POINT, GL_LINE, GL_FILL};
const GLenum primitiveModes[] = {GL_POINTS,       GL_LINE_STRIP, GL_LINE_LOOP,  GL_LINES, GL_TRIANGLE_STRIP,
                                 GL_TRIANGLE_FAN, GL_TRIANGLES,  GL_QUAD_STRIP, GL_QUADS, GL_POLYGON};
}  // namespace

// The fixed-function back end keeps all its state in the context.
struct Renderer::Backend {};

Renderer::Renderer() : backend(std::make_unique<Backend>()) {}

Renderer::~Renderer() = default;

void Renderer::initializeBackend() {
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
}

void Renderer::applyViewport(const int position[2], const int size[2]) {
    glMatrixMode(GL_PROJECTION);
    glViewport(position[0], position[1], size[0], size[1]);
    glMatrixMode(GL_MODELVIEW);
}

void Renderer::applyLighting(bool on) {
    (on ? glEnable : glDisable)(GL_LIGHTING);
}

void Renderer::applyFog(bool on) {
    (on ? glEnable : glDisable)(GL_FOG);
}

// Points, Lines and Fill have their GL modes; any other value goes to OpenGL as it is.
void Renderer::applyPolygonMode(PolygonMode mode) {
    const int value = static_cast<int>(mode);
    const bool named = value >= 0 && static_cast<std::size_t>(value) < std::size(polygonModes);
    glPolygonMode(GL_FRONT_AND_BACK, named ? polygonModes[value] : static_cast<GLenum>(value));
}

void Renderer::applyFlatShading(bool on) {
    glShadeModel(on ? GL_FLAT : GL_SMOOTH);
}

void Renderer::applyFogSettings(const FogSettings& fog) {
    glFogi(GL_FOG_MODE, static_cast<GLint>(fogModes[static_cast<int>(fog.mode)]));
    glFogfv(GL_FOG_COLOR, fog.colour);
    glFogf(GL_FOG_DENSITY, fog.density);
    glFogf(GL_FOG_START, fog.start);
    glFogf(GL_FOG_END, fog.end);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
}

unsigned int Renderer::uploadTexture(const Image& image, bool alpha) {
    const GLenum format = alpha ? GL_RGBA : GL_RGB;
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

void Renderer::drawTriangles(const VertexArray& vertices, const TriangleList& triangles, unsigned int count) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, vertices.vertices.get());
    glNormalPointer(GL_FLOAT, 0, vertices.normals.get());
    glTexCoordPointer(2, GL_FLOAT, 0, vertices.texCoords.get());
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count * 3), GL_UNSIGNED_INT, triangles.triangles.get());
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void Renderer::drawPrimitives(PrimitiveType type, const VertexArray& vertices, unsigned int count) {
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
    glDrawArrays(primitiveModes[static_cast<int>(type)], 0, static_cast<GLsizei>(count));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
}

void Renderer::beginFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
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

Matrix4 Renderer::projection() const {
    Matrix4 matrix;
    glGetFloatv(GL_PROJECTION_MATRIX, matrix.m);
    return matrix;
}

void Renderer::applyColourAndTexture(const Material& material) {
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

void Renderer::translate(const Vector3& offset) {
    glTranslatef(offset.x, offset.y, offset.z);
}

void Renderer::lookAt(const Vector3& eye, const Vector3& centre) {
    gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0.0, 1.0, 0.0);
}

}  // namespace Tramble
