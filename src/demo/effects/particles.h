// A fixed pool of particles fed by one movable point emitter, integrated jerk into
// acceleration into velocity into position, faded out linearly over their life and drawn
// as camera-facing quads, all live ones in one draw. Random draws come from sharedRandom() in a
// fixed order, so runs repeat.
#pragma once

#include <memory>

#include "engine/renderersys.h"
#include "engine/rendernode.h"
#include "engine/vecmath.h"
#include "engine/vertexarray.h"

namespace Tramble {

class Particle {
public:
    bool isAlive() const { return alive; }
    Vector3& getPosition() { return position; }
    Vector3& getVelocity() { return velocity; }
    float getLife() const { return life; }
    void setPosition(const Vector3& p) { position = p; }

    // life in seconds.
    void start(float lifeSeconds) {
        life = lifeSeconds;
        alive = true;
    }
    // Clears the motion so that a respawn starts from rest; life keeps its value.
    void kill() {
        position = Vector3();
        velocity = Vector3();
        jerk = Vector3();
        acceleration = Vector3();
        alive = false;
    }
    // One explicit step of ms milliseconds, each level using the one above it as already
    // updated. A life that lands exactly on 0 still lives this frame.
    void update(unsigned int ms) {
        const float dt = static_cast<float>(ms) * 0.001f;
        acceleration += jerk * dt;
        velocity += acceleration * dt;
        position += velocity * dt;
        life -= dt;
        if (life < 0.0f) {
            kill();
        }
    }

    Vector3 position;
    Vector3 velocity;
    Vector3 jerk;
    Vector3 acceleration;
    bool alive = false;
    // Seconds left.
    float life = 0.0f;
};

class ParticleSystem : public RenderNode {
public:
    // amount: slots in respawn mode, amount x lifespan in steady mode. lifespan: seconds,
    // above 0. steadyEmission: 0 selects respawn mode (every dead slot restarts at once, the
    // first generation parked out of sight with staggered lives), anything else steady mode
    // (the pool emitted evenly once per lifespan). spread: whole degrees, at least 1; new
    // particles are thrown up to this far around direction. position: where the emitter
    // starts. size: half a quad's edge, world units. The colour starts white.
    ParticleSystem(int amount, float lifespan, float steadyEmission, int spread, const Vector3& direction,
                   const Vector3& position, float speed, const Vector3& jerk, float size);
    ParticleSystem(const ParticleSystem&) = delete;
    ParticleSystem& operator=(const ParticleSystem&) = delete;

    // Moves the emitter; the next update spreads its new particles along the move.
    void setPosition(const Vector3& p) {
        previousPosition = position;
        position = p;
    }
    void setMaterial(const Material& m) { material = m; }
    // Red, green and blue of every particle; each particle's alpha is its share of life left
    // instead of this one.
    void setColour(float red, float green, float blue, float alpha) {
        colour[0] = red;
        colour[1] = green;
        colour[2] = blue;
        colour[3] = alpha;
    }

    // Emits, then integrates every live particle (the new ones included) by ms.
    void update(unsigned int ms);
    // One quad per live particle facing the camera of the current modelview matrix, in pool
    // order, in one draw with one material. Unlit: switches lighting off, and on again
    // afterwards whatever it was; depth test and depth mask are the caller's. Leaves the
    // material colour that of the last live particle.
    void draw(Renderer& renderer) override;

    int count;
    std::unique_ptr<Particle[]> particles;
    Vector3 position;
    Vector3 direction;
    Vector3 jerk;
    Vector3 previousPosition;
    int spread;
    Material material;
    float lifespan;
    float steadyEmission;
    float speed;
    float size;
    float colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    // Fraction of a particle that steady mode owes to the next update.
    float emissionCarry = 0.0f;

private:
    // Starts a dead slot at the emitter; draws three values of sharedRandom().
    void spawn(Particle& particle, float life);

    // sin and cos of every whole degree an emission angle can take, so spawning needs no
    // trigonometry of its own.
    std::unique_ptr<float[]> sines;
    std::unique_ptr<float[]> cosines;
    // Two triangles per particle slot, filled with the live ones at each draw.
    VertexArray quads;
};

}  // namespace Tramble
