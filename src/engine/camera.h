// The one view transform: a render node that applies a look-at from `position` towards
// `target`, and a timed task that turns velocity into movement. Keys and mouse steer it;
// the scenes place it directly every update.
#pragma once

#include "engine/basictask.h"
#include "engine/rendernode.h"
#include "engine/vecmath.h"

namespace Tramble {

class Camera : public RenderNode, public virtual ITimeTask {
public:
    // Degrees; pitch is clamped to [-90, 90] so the camera never flips over the pole.
    void rotate(float pitch, float yaw, float roll);
    // Adds a velocity step along the view direction (amount 1 = one key pass).
    void moveForward(float amount);
    // Adds a velocity step sideways: d strafes with +1, a with -1.
    void strafe(float amount);

    void setPosition(const Vector3& p) { position = p; }
    void setTarget(const Vector3& t) { target = t; }

    // Moves by velocity over the elapsed time, then halves the velocity.
    void update(unsigned int ms) override;
    void draw(Renderer& renderer) override;

    Vector3 position;
    Vector3 velocity;
    Vector3 angles;  // pitch, yaw, roll in degrees
    Vector3 target;
};

}  // namespace Tramble
