// Particle emission, integration and billboard drawing. The random draws happen in one
// fixed order (respawn life, then position, yaw, pitch per spawned slot) because the font
// draws from the same sequence: changing the order changes every later frame of the demo.
#include "demo/effects/particles.h"

#include <cmath>

#include "engine/random.h"

namespace Tramble {

namespace {

// Where the first generation of a respawn-mode pool waits, far beyond the far plane.
const Vector3 parkingPosition(9999999.0f, 9999999.0f, 999999.0f);
// Quad corners: lower left, upper left, lower right, upper right.
const TexCoord quadTexCoords[4] = {{0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}};
// The corners of a quad's two triangles, in the order a triangle strip over the four corners
// hands them to the rasteriser, so that the pixels match drawing each quad as a strip.
const int triangleCorners[] = {0, 1, 2, 2, 1, 3};
const int verticesPerQuad = sizeof(triangleCorners) / sizeof(triangleCorners[0]);

}  // namespace

ParticleSystem::ParticleSystem(int amount, float lifespan, float steadyEmission, int spread, const Vector3& direction,
                               const Vector3& position, float speed, const Vector3& jerk, float size)
    : count(steadyEmission != 0.0f ? static_cast<int>(static_cast<float>(amount) * lifespan) : amount),
      particles(new Particle[static_cast<size_t>(count)]()),
      position(position),
      direction(direction),
      jerk(jerk),
      previousPosition(position),
      spread(spread),
      lifespan(lifespan),
      steadyEmission(steadyEmission),
      speed(speed),
      size(size),
      sines(new float[static_cast<size_t>(spread)]),
      cosines(new float[static_cast<size_t>(spread)]) {
    for (int degree = 0; degree < spread; ++degree) {
        const float angle = static_cast<float>(degree) * degreesToRadians;
        sines[degree] = std::sin(angle);
        cosines[degree] = std::cos(angle);
    }
    quads.hasTexCoords = true;
    quads.hasColours = true;
    quads.allocate(count * verticesPerQuad);
    for (int i = 0; i < quads.count; ++i) {
        quads.texCoords[i] = quadTexCoords[triangleCorners[i % verticesPerQuad]];
    }
    if (steadyEmission == 0.0f) {
        for (int i = 0; i < count; ++i) {
            particles[i].start(static_cast<float>(sharedRandom() % 1000) * 0.001f * lifespan);
            particles[i].position = parkingPosition;
        }
    }
}

void ParticleSystem::spawn(Particle& particle, float life) {
    particle.jerk = jerk;
    particle.start(life);
    const float t = static_cast<float>(sharedRandom() % 100) * 0.01f;
    particle.position = (1.0f - t) * previousPosition + t * position;
    const int yaw = sharedRandom() % spread;
    const int pitch = sharedRandom() % spread;
    const Vector3 u(-sines[yaw] * cosines[pitch], sines[pitch], -cosines[yaw] * cosines[pitch]);
    particle.acceleration = speed * direction + speed * u;
}

void ParticleSystem::update(unsigned int ms) {
    Particle* pool = particles.get();
    if (steadyEmission == 0.0f) {
        for (int i = 0; i < count; ++i) {
            if (!pool[i].alive) {
                const float life = (static_cast<float>(sharedRandom() % 1000) * 0.001f + 0.5f) * lifespan;
                spawn(pool[i], life);
            }
        }
    } else {
        const float owed = static_cast<float>(ms) * (static_cast<float>(count) / lifespan) * 0.001f;
        const int emitted = static_cast<int>(owed + emissionCarry);
        emissionCarry = emissionCarry + owed - static_cast<float>(emitted);
        // Every slot before the cursor is alive (it was, or this loop just spawned it), so
        // each search for the first free slot resumes where the last one stopped.
        int cursor = 0;
        for (int n = 0; n < emitted; ++n) {
            while (cursor < count && pool[cursor].alive) {
                ++cursor;
            }
            if (cursor == count) {
                break;
            }
            spawn(pool[cursor], lifespan);
        }
    }
    for (int i = 0; i < count; ++i) {
        if (pool[i].alive) {
            pool[i].update(ms);
        }
    }
}

void ParticleSystem::draw(Renderer& renderer) {
    const Matrix4 modelview = renderer.modelview();
    const Vector3 right(modelview[0], modelview[4], modelview[8]);
    const Vector3 up(modelview[1], modelview[5], modelview[9]);
    const Vector3 a = (right + up) * size;
    const Vector3 b = (right - up) * size;
    Vector3* vertex = quads.vertices.get();
    VertexColour* vertexColour = quads.colours.get();
    VertexColour particleColour;
    for (int i = 0; i < count; ++i) {
        const Particle& particle = particles[i];
        if (!particle.alive) {
            continue;
        }
        const Vector3& p = particle.position;
        const Vector3 corners[4] = {p - a, p - b, p + b, p + a};
        for (int c = 0; c < 4; ++c) {
            particleColour.rgba[c] = colour[c];
        }
        particleColour.rgba[3] = particle.life / lifespan;
        for (int corner : triangleCorners) {
            *vertex++ = corners[corner];
            *vertexColour++ = particleColour;
        }
    }
    const unsigned int drawn = static_cast<unsigned int>(vertex - quads.vertices.get());
    renderer.setLighting(false);
    if (drawn > 0) {
        for (int c = 0; c < 4; ++c) {
            material.colour[c] = particleColour.rgba[c];
        }
        // A quad's colour is one value: flat shading hands it to every pixel as is, where
        // interpolating it would round differently from the single colour of a lone quad.
        const bool flat = renderer.state().flatShading;
        renderer.setFlatShading(true);
        renderer.applyMaterial(material);
        renderer.drawArrays(PrimitiveType::Triangles, quads, drawn);
        renderer.setFlatShading(flat);
    }
    renderer.setLighting(true);
}

}  // namespace Tramble
