// The shader back end: the renderer with nothing but OpenGL ES 2.0 (WebGL 1), drawing the
// pictures the fixed-function back end draws. What OpenGL 1.1 keeps in the context, this back
// end keeps itself: the matrix stacks, the material, the lights, the fog, polygon mode; each
// draw picks a program specialised for the state of the moment (lit by light 0 or by the two
// specular lights, textured, sphere-mapped, fogged) and hands it the vertices in buffers.
// Besides what renderersys.cpp touches for both back ends, it touches the viewport,
// the bound texture, the current program, the array and element buffers and vertex
// attributes 0 to 3.
#include <GLES2/gl2.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/image.h"
#include "engine/imagescale.h"
#include "engine/logsys.h"
#include "engine/matrixstack.h"
#include "engine/renderersys.h"

namespace Tramble {

namespace {

// Fixed-function defaults the demo never changes: the scene's ambient light, light 0 shining
// along the eye's z axis with white diffuse light, the normal and texture coordinate of a
// vertex that has none.
const float sceneAmbient = 0.2f;
const float defaultNormal[3] = {0.0f, 0.0f, 1.0f};
const float defaultTexCoord[2] = {0.0f, 0.0f};
// The GL values that setPolygonMode passes through unchanged.
const int glPoint = 0x1B00;
const int glLine = 0x1B01;

// Vertex attribute slots, bound before linking.
enum Attribute : GLuint { positionAttribute, normalAttribute, texCoordAttribute, colourAttribute, attributeCount };
const char* const attributeNames[attributeCount] = {"position", "normal", "texCoord", "colour"};

// The features a program is specialised for, as bits of its key.
enum Feature : unsigned int {
    withLighting = 1u << 0,
    withSpecularLights = 1u << 1,
    withTexture = 1u << 2,
    withSphereMap = 1u << 3,
    withFog = 1u << 4,
    // Two bits of fog mode above fogged.
    fogModeShift = 5,
};

const char* const vertexSource = R"(
uniform mat4 transform;
uniform mat4 modelview;
uniform mat3 normalMatrix;
uniform vec4 lightPositions[2];
uniform vec3 specularProduct;
uniform float shininess;
attribute vec3 position;
attribute vec3 normal;
attribute vec2 texCoord;
attribute vec4 colour;
varying vec4 litColour;
varying vec2 texturePoint;
varying float fogDistance;

void main() {
    // The position through the product of projection and modelview, as fixed-function
    // OpenGL transforms it; the eye-space position only where lighting, sphere mapping or fog
    // needs it.
    gl_Position = transform * vec4(position, 1.0);
#if defined(LIT) || defined(SPHERE_MAPPED) || defined(FOGGED)
    vec4 eye = modelview * vec4(position, 1.0);
#endif
#if defined(LIT) || defined(SPHERE_MAPPED)
    // Not renormalised, as fixed-function lighting without GL_NORMALIZE.
    vec3 n = normalMatrix * normal;
#endif
#ifdef LIT
    // Colour material: the vertex colour is the ambient and diffuse colour; an infinite
    // viewer; the sum clamped per vertex, before interpolation.
    vec3 sum = SCENE_AMBIENT * colour.rgb;
#ifdef SPECULAR_LIGHTS
    for (int i = 0; i < 2; ++i) {
        vec3 toLight = normalize(lightPositions[i].xyz - eye.xyz);
        if (dot(n, toLight) > 0.0) {
            vec3 halfway = normalize(toLight + vec3(0.0, 0.0, 1.0));
            sum += pow(max(dot(n, halfway), 0.0), shininess) * specularProduct;
        }
    }
#else
    sum += max(n.z, 0.0) * colour.rgb;
#endif
    litColour = clamp(vec4(sum, colour.a), 0.0, 1.0);
#else
    litColour = clamp(colour, 0.0, 1.0);
#endif
#ifdef SPHERE_MAPPED
    vec3 u = normalize(eye.xyz);
    vec3 r = u - 2.0 * n * dot(n, u);
    float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
    texturePoint = vec2(r.x / m + 0.5, r.y / m + 0.5);
#else
    texturePoint = texCoord;
#endif
#ifdef FOGGED
    fogDistance = abs(eye.z);
#endif
}
)";

const char* const fragmentSource = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D texture;
uniform vec4 fogColour;
uniform vec3 fogTerms;
varying vec4 litColour;
varying vec2 texturePoint;
varying float fogDistance;

void main() {
    vec4 colour = litColour;
#ifdef TEXTURED
    colour *= texture2D(texture, texturePoint);
#endif
#ifdef FOGGED
    // fogTerms: density, start, end.
#if FOG_MODE == 0
    float f = exp(-fogTerms.x * fogDistance);
#elif FOG_MODE == 1
    float d = fogTerms.x * fogDistance;
    float f = exp(-d * d);
#else
    float f = (fogTerms.z - fogDistance) / (fogTerms.z - fogTerms.y);
#endif
    colour.rgb = mix(fogColour.rgb, colour.rgb, clamp(f, 0.0, 1.0));
#endif
    gl_FragColor = colour;
}
)";

std::string definitions(unsigned int key) {
    std::string text = "#version 100\n#define SCENE_AMBIENT " + std::to_string(sceneAmbient) + "\n";
    const struct {
        unsigned int bit;
        const char* name;
    } names[] = {{withLighting, "LIT"},
                 {withSpecularLights, "SPECULAR_LIGHTS"},
                 {withTexture, "TEXTURED"},
                 {withSphereMap, "SPHERE_MAPPED"},
                 {withFog, "FOGGED"}};
    for (const auto& name : names) {
        if ((key & name.bit) != 0) {
            text += std::string("#define ") + name.name + "\n";
        }
    }
    return text + "#define FOG_MODE " + std::to_string(key >> fogModeShift) + "\n";
}

GLuint compile(GLenum type, const std::string& source) {
    const GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        char log[1024] = "";
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        LOG(Error) << "Shader does not compile: " << log << "\n";
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// The locations a draw sets, looked up once per program.
struct Program {
    GLuint name = 0;
    GLint transform = -1;
    GLint modelview = -1;
    GLint normalMatrix = -1;
    GLint lightPositions = -1;
    GLint specularProduct = -1;
    GLint shininess = -1;
    GLint fogColour = -1;
    GLint fogTerms = -1;
};

Program link(unsigned int key) {
    Program program;
    const std::string header = definitions(key);
    const GLuint vertex = compile(GL_VERTEX_SHADER, header + vertexSource);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, header + fragmentSource);
    if (vertex == 0 || fragment == 0) {
        return program;
    }
    program.name = glCreateProgram();
    glAttachShader(program.name, vertex);
    glAttachShader(program.name, fragment);
    for (GLuint a = 0; a < attributeCount; ++a) {
        glBindAttribLocation(program.name, a, attributeNames[a]);
    }
    glLinkProgram(program.name);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint linked = GL_FALSE;
    glGetProgramiv(program.name, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        char log[1024] = "";
        glGetProgramInfoLog(program.name, sizeof log, nullptr, log);
        LOG(Error) << "Shader program does not link: " << log << "\n";
        glDeleteProgram(program.name);
        program.name = 0;
        return program;
    }
    program.transform = glGetUniformLocation(program.name, "transform");
    program.modelview = glGetUniformLocation(program.name, "modelview");
    program.normalMatrix = glGetUniformLocation(program.name, "normalMatrix");
    program.lightPositions = glGetUniformLocation(program.name, "lightPositions");
    program.specularProduct = glGetUniformLocation(program.name, "specularProduct");
    program.shininess = glGetUniformLocation(program.name, "shininess");
    program.fogColour = glGetUniformLocation(program.name, "fogColour");
    program.fogTerms = glGetUniformLocation(program.name, "fogTerms");
    return program;
}

// How polygons are drawn: filled, as their edges, or as their corners.
enum class Outline { Fill, Lines, Points };

Outline outlineOf(PolygonMode mode) {
    const int value = static_cast<int>(mode);
    if (mode == PolygonMode::Lines || value == glLine) {
        return Outline::Lines;
    }
    if (mode == PolygonMode::Points || value == glPoint) {
        return Outline::Points;
    }
    return Outline::Fill;
}

// The triangles a filled primitive of `count` vertices is made of, as OpenGL (and llvmpipe's
// split of quads: first, second, fourth corner, then second, third, fourth) decomposes it.
// Empty for the point and line types, which are drawn as they are.
void triangulate(PrimitiveType type, unsigned int count, std::vector<std::uint16_t>& out) {
    out.clear();
    auto triangle = [&out](unsigned int a, unsigned int b, unsigned int c) {
        out.push_back(static_cast<std::uint16_t>(a));
        out.push_back(static_cast<std::uint16_t>(b));
        out.push_back(static_cast<std::uint16_t>(c));
    };
    switch (type) {
        case PrimitiveType::Triangles:
            for (unsigned int i = 0; i + 2 < count; i += 3) {
                triangle(i, i + 1, i + 2);
            }
            break;
        case PrimitiveType::TriangleStrip:
            for (unsigned int i = 0; i + 2 < count; ++i) {
                if (i % 2 == 0) {
                    triangle(i, i + 1, i + 2);
                } else {
                    triangle(i + 1, i, i + 2);
                }
            }
            break;
        case PrimitiveType::TriangleFan:
        case PrimitiveType::Polygon:
            for (unsigned int i = 1; i + 1 < count; ++i) {
                triangle(0, i, i + 1);
            }
            break;
        case PrimitiveType::Quads:
            for (unsigned int i = 0; i + 3 < count; i += 4) {
                triangle(i, i + 1, i + 3);
                triangle(i + 1, i + 2, i + 3);
            }
            break;
        case PrimitiveType::QuadStrip:
            for (unsigned int i = 0; i + 3 < count; i += 2) {
                triangle(i, i + 1, i + 3);
                triangle(i, i + 3, i + 2);
            }
            break;
        default: break;
    }
}

// The edges a primitive shows in line mode: every triangle's three (a shared edge twice, as
// llvmpipe draws them), but a quad's or polygon's outline without the diagonals its split adds.
void outline(PrimitiveType type, unsigned int count, std::vector<std::uint16_t>& out) {
    out.clear();
    auto edge = [&out](unsigned int a, unsigned int b) {
        out.push_back(static_cast<std::uint16_t>(a));
        out.push_back(static_cast<std::uint16_t>(b));
    };
    auto quad = [&edge](unsigned int a, unsigned int b, unsigned int c, unsigned int d) {
        edge(a, b);
        edge(b, c);
        edge(c, d);
        edge(d, a);
    };
    switch (type) {
        case PrimitiveType::Quads:
            for (unsigned int i = 0; i + 3 < count; i += 4) {
                quad(i, i + 1, i + 2, i + 3);
            }
            break;
        case PrimitiveType::QuadStrip:
            for (unsigned int i = 0; i + 3 < count; i += 2) {
                quad(i, i + 1, i + 3, i + 2);
            }
            break;
        case PrimitiveType::Polygon:
            for (unsigned int i = 0; i < count; ++i) {
                edge(i, (i + 1) % count);
            }
            break;
        default: {
            std::vector<std::uint16_t> triangles;
            triangulate(type, count, triangles);
            for (std::size_t i = 0; i + 2 < triangles.size(); i += 3) {
                edge(triangles[i], triangles[i + 1]);
                edge(triangles[i + 1], triangles[i + 2]);
                edge(triangles[i + 2], triangles[i]);
            }
        }
    }
}

GLenum lineOrPointMode(PrimitiveType type) {
    switch (type) {
        case PrimitiveType::Points: return GL_POINTS;
        case PrimitiveType::LineStrip: return GL_LINE_STRIP;
        case PrimitiveType::LineLoop: return GL_LINE_LOOP;
        case PrimitiveType::Lines: return GL_LINES;
        default: return GL_TRIANGLES;
    }
}

}  // namespace

// Its programs and buffers are not deleted: the renderer lives as long as the context, and
// they go with it.
struct Renderer::Backend {
    MatrixStack projection;
    MatrixStack modelview;

    // The material as applyMaterial last set it. Sphere mapping stays as the last textured
    // material with texGen 0 or 2 left it, as texture generation does in OpenGL.
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    bool texturing = false;
    bool sphereMapping = false;

    // Light 0 until the specular lights replace it; their positions in eye space.
    bool specularLights = false;
    float lightPositions[2][4] = {};
    float specularProduct[3] = {};
    float shininess = 0.0f;

    FogSettings fog;

    std::map<unsigned int, Program> programs;
    // Each draw streams its vertices into the next set of buffers of a ring: refilling a
    // buffer that a draw of the frame under way still reads would make llvmpipe finish that
    // draw first. A frame makes far fewer draws than the ring holds.
    struct Buffers {
        GLuint arrays[attributeCount] = {};
        GLuint elements = 0;
    };
    static const int ringSize = 64;
    Buffers ring[ringSize];
    int next = 0;
    Buffers* buffers = nullptr;
    // Indices converted or built for the draw under way.
    std::vector<std::uint16_t> indices;

    // The edge lists of the wire-frame meshes, built on the first wire-frame draw of each
    // triangle array and kept: a wire-frame mesh's triangles never change.
    struct EdgeList {
        const Triangle* triangles;
        unsigned int count;
        GLuint buffer;
    };
    std::vector<EdgeList> edgeLists;

    // The program for the state of the moment, built the first time it is needed.
    const Program* program(const RenderState& state) {
        unsigned int key = 0;
        if (state.lighting) {
            key |= withLighting | (specularLights ? withSpecularLights : 0u);
        }
        if (texturing) {
            key |= withTexture | (sphereMapping ? withSphereMap : 0u);
        }
        if (state.fog) {
            key |= withFog | static_cast<unsigned int>(fog.mode) << fogModeShift;
        }
        auto found = programs.find(key);
        if (found == programs.end()) {
            found = programs.emplace(key, link(key)).first;
        }
        return found->second.name != 0 ? &found->second : nullptr;
    }

    // Streams one attribute's values to its buffer, or sets the constant it takes without one.
    void attribute(GLuint slot, int size, const void* values, int count, const float* constant) {
        if (values == nullptr) {
            glDisableVertexAttribArray(slot);
            if (size == 2) {
                glVertexAttrib2fv(slot, constant);
            } else if (size == 3) {
                glVertexAttrib3fv(slot, constant);
            } else {
                glVertexAttrib4fv(slot, constant);
            }
            return;
        }
        glBindBuffer(GL_ARRAY_BUFFER, buffers->arrays[slot]);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * size * static_cast<GLsizeiptr>(sizeof(float)),
                     values, GL_STREAM_DRAW);
        glEnableVertexAttribArray(slot);
        glVertexAttribPointer(slot, size, GL_FLOAT, GL_FALSE, 0, nullptr);
    }

    // Chooses the program, sets its uniforms and the vertex arrays (making the buffers the
    // first time); false when there is no program to draw with.
    bool prepare(const RenderState& state, const VertexArray& vertices, int count) {
        buffers = &ring[next];
        next = (next + 1) % ringSize;
        if (buffers->elements == 0) {
            glGenBuffers(attributeCount, buffers->arrays);
            glGenBuffers(1, &buffers->elements);
        }
        const Program* p = program(state);
        if (p == nullptr) {
            return false;
        }
        glUseProgram(p->name);
        glUniformMatrix4fv(p->transform, 1, GL_FALSE, (projection.current() * modelview.current()).data());
        if (p->modelview >= 0) {
            glUniformMatrix4fv(p->modelview, 1, GL_FALSE, modelview.current().data());
        }
        if (p->normalMatrix >= 0) {
            glUniformMatrix3fv(p->normalMatrix, 1, GL_FALSE, normalMatrix(modelview.current()).data());
        }
        if (p->lightPositions >= 0) {
            glUniform4fv(p->lightPositions, 2, lightPositions[0]);
            glUniform3fv(p->specularProduct, 1, specularProduct);
            glUniform1f(p->shininess, shininess);
        }
        if (p->fogColour >= 0) {
            glUniform4fv(p->fogColour, 1, fog.colour);
            glUniform3f(p->fogTerms, fog.density, fog.start, fog.end);
        }
        attribute(positionAttribute, 3, vertices.vertices.get(), count, nullptr);
        attribute(normalAttribute, 3, vertices.hasNormals ? vertices.normals.get() : nullptr, count, defaultNormal);
        attribute(texCoordAttribute, 2, vertices.hasTexCoords ? vertices.texCoords.get() : nullptr, count,
                  defaultTexCoord);
        attribute(colourAttribute, 4, vertices.hasColours ? vertices.colours.get() : nullptr, count, colour);
        return true;
    }

    void drawIndexed(GLenum mode) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers->elements);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint16_t)),
                     indices.data(), GL_STREAM_DRAW);
        glDrawElements(mode, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_SHORT, nullptr);
    }

    // The buffer of the edges of the first `count` triangles of `triangles`.
    GLuint edges(const TriangleList& triangles, unsigned int count) {
        for (const EdgeList& list : edgeLists) {
            if (list.triangles == triangles.triangles.get() && list.count == count) {
                return list.buffer;
            }
        }
        indices.clear();
        for (unsigned int i = 0; i < count; ++i) {
            const unsigned int* v = triangles.triangles[i].v;
            for (int corner = 0; corner < 3; ++corner) {
                indices.push_back(static_cast<std::uint16_t>(v[corner]));
                indices.push_back(static_cast<std::uint16_t>(v[(corner + 1) % 3]));
            }
        }
        EdgeList list{triangles.triangles.get(), count, 0};
        glGenBuffers(1, &list.buffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, list.buffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint16_t)),
                     indices.data(), GL_STATIC_DRAW);
        edgeLists.push_back(list);
        return list.buffer;
    }
};

Renderer::Renderer() : backend(std::make_unique<Backend>()) {}

Renderer::~Renderer() = default;

// Programs and buffers are made at the first draw that needs them.
void Renderer::initializeBackend() {}

void Renderer::beginFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    backend->modelview.loadIdentity();
}

void Renderer::applyViewport(const int position[2], const int size[2]) {
    glViewport(position[0], position[1], size[0], size[1]);
}

void Renderer::setProjection(float fov) {
    MatrixStack& projection = backend->projection;
    projection.loadIdentity();
    if (fov == 0.0f) {
        projection.ortho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
    } else {
        projection.perspective(fov, static_cast<double>(width) / static_cast<double>(height), nearPlane, farPlane);
    }
}

void Renderer::pushMatrix(MatrixMode mode) {
    (mode == MatrixMode::Projection ? backend->projection : backend->modelview).push();
}

void Renderer::popMatrix(MatrixMode mode) {
    (mode == MatrixMode::Projection ? backend->projection : backend->modelview).pop();
}

void Renderer::loadMatrix(const Matrix4& matrix, MatrixMode mode) {
    (mode == MatrixMode::Projection ? backend->projection : backend->modelview).load(matrix);
}

// Lighting, fog, polygon mode and shading are read when a draw picks its program.
void Renderer::applyLighting(bool) {}

void Renderer::applyFog(bool) {}

void Renderer::applyPolygonMode(PolygonMode) {}

// OpenGL ES has no flat shading. The one flat-shaded draw, the particles, gives the three
// corners of each triangle the same colour, which interpolation keeps to within rounding.
void Renderer::applyFlatShading(bool) {}

void Renderer::pushBox(const ScreenBox& box) {
    backend->projection.push();
    backend->projection.loadIdentity();
    backend->projection.ortho(box.left, box.right, box.bottom, box.top, -1.0, 1.0);
    backend->modelview.push();
    backend->modelview.loadIdentity();
}

void Renderer::popBox() {
    backend->projection.pop();
    backend->modelview.pop();
}

// As OpenGL stores a light's position: in eye space, through the modelview of the moment.
void Renderer::setSpecularLights(const SpecularLights& lights) {
    const Matrix4& m = backend->modelview.current();
    for (int light = 0; light < 2; ++light) {
        const float* p = lights.positions[light];
        for (int row = 0; row < 4; ++row) {
            backend->lightPositions[light][row] =
                m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row] * p[3];
        }
    }
    for (int c = 0; c < 3; ++c) {
        backend->specularProduct[c] = lights.surfaceSpecular[c] * lights.lightSpecular[c];
    }
    backend->shininess = lights.shininess;
    backend->specularLights = true;
}

Matrix4 Renderer::modelview() const {
    return backend->modelview.current();
}

Matrix4 Renderer::projection() const {
    return backend->projection.current();
}

void Renderer::applyFogSettings(const FogSettings& fog) {
    backend->fog = fog;
}

void Renderer::applyColourAndTexture(const Material& material) {
    for (int c = 0; c < 4; ++c) {
        backend->colour[c] = material.colour[c];
    }
    backend->texturing = material.texture != 0;
    if (material.texture == 0) {
        return;
    }
    if (material.texGen == texGenOff) {
        backend->sphereMapping = false;
    } else if (material.texGen == texGenSphereMap) {
        backend->sphereMapping = true;
    }
    glBindTexture(GL_TEXTURE_2D, material.texture);
}

// Only level 0 is sampled (both filters are linear), so no mipmaps are built. OpenGL ES 2.0
// takes any size, WebGL 1 repeats only powers of two: other sizes are scaled as GLU scales them.
unsigned int Renderer::uploadTexture(const Image& image, bool alpha) {
    const GLenum format = alpha ? GL_RGBA : GL_RGB;
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    int side[2] = {image.width, image.height};
    powerOfTwoSize(image.width, image.height, maxSide, side[0], side[1]);
    std::vector<unsigned char> scaled;
    const unsigned char* pixels = image.pixels.data();
    if (side[0] != image.width || side[1] != image.height) {
        scaled = scaleImage(pixels, image.width, image.height, image.bytesPerPixel, side[0], side[1]);
        pixels = scaled.data();
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    // Image rows are packed, whatever their width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), side[0], side[1], 0, format, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (glGetError() != GL_NO_ERROR) {
        LOG(Error) << "Uploading the texture failed\n";
        glDeleteTextures(1, &name);
        return 0;
    }
    return name;
}

void Renderer::translate(const Vector3& offset) {
    backend->modelview.translate(offset.x, offset.y, offset.z);
}

void Renderer::lookAt(const Vector3& eye, const Vector3& centre) {
    backend->modelview.lookAt(eye, centre, Vector3(0.0f, 1.0f, 0.0f));
}

void Renderer::drawTriangles(const VertexArray& vertices, const TriangleList& triangles, unsigned int count) {
    if (!backend->prepare(current, vertices, vertices.count)) {
        return;
    }
    const Outline mode = outlineOf(current.polygonMode);
    if (mode == Outline::Lines) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, backend->edges(triangles, count));
        glDrawElements(GL_LINES, static_cast<GLsizei>(count * 6), GL_UNSIGNED_SHORT, nullptr);
        return;
    }
    std::vector<std::uint16_t>& indices = backend->indices;
    indices.resize(static_cast<std::size_t>(count) * 3);
    const unsigned int* source = reinterpret_cast<const unsigned int*>(triangles.triangles.get());
    for (std::size_t i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<std::uint16_t>(source[i]);
    }
    backend->drawIndexed(mode == Outline::Points ? GL_POINTS : GL_TRIANGLES);
}

void Renderer::drawPrimitives(PrimitiveType type, const VertexArray& vertices, unsigned int count) {
    if (!backend->prepare(current, vertices, static_cast<int>(count))) {
        return;
    }
    const GLenum direct = lineOrPointMode(type);
    const Outline mode = outlineOf(current.polygonMode);
    if (direct != GL_TRIANGLES || mode == Outline::Points) {
        glDrawArrays(direct != GL_TRIANGLES ? direct : GL_POINTS, 0, static_cast<GLsizei>(count));
        return;
    }
    if (mode == Outline::Lines) {
        outline(type, count, backend->indices);
        backend->drawIndexed(GL_LINES);
        return;
    }
    if (type == PrimitiveType::Triangles || type == PrimitiveType::TriangleStrip ||
        type == PrimitiveType::TriangleFan) {
        const GLenum modes[] = {GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN};
        const int which = type == PrimitiveType::Triangles ? 0 : type == PrimitiveType::TriangleStrip ? 1 : 2;
        glDrawArrays(modes[which], 0, static_cast<GLsizei>(count));
        return;
    }
    triangulate(type, count, backend->indices);
    backend->drawIndexed(GL_TRIANGLES);
}

}  // namespace Tramble
