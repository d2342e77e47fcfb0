// Camera steering and its look-at.
#include "engine/camera.h"

#include <cmath>

#include "engine/renderersys.h"

namespace Tramble {

namespace {

// Velocity added per unit of moveForward or strafe, in units per second.
const float stepSpeed = 10.0f;
// Share of the velocity kept after each timed update.
const float velocityDecay = 0.5f;
const float maxPitch = 90.0f;

}  // namespace

void Camera::rotate(float pitch, float yaw, float roll) {
    angles += Vector3(pitch, yaw, roll);
    if (angles.x < -maxPitch) {
        angles.x = -maxPitch;
    } else if (angles.x > maxPitch) {
        angles.x = maxPitch;
    }
}

void Camera::moveForward(float amount) {
    const float p = angles.x * degreesToRadians;
    const float y = angles.y * degreesToRadians;
    const Vector3 direction(-std::cos(p) * std::sin(y), std::sin(p), std::cos(p) * std::cos(y));
    velocity += direction * (amount * stepSpeed);
}

void Camera::strafe(float amount) {
    const float y = angles.y * degreesToRadians;
    const float s = amount * -stepSpeed;
    velocity += Vector3(std::cos(y) * s, 0.0f, std::sin(y) * s);
}

void Camera::update(unsigned int ms) {
    position += velocity * (static_cast<float>(ms) * 0.001f);
    velocity -= velocity * velocityDecay;
}

// An eye on its target would give gluLookAt a zero view direction and a matrix of NaNs:
// until someone places the camera, the view stays as it is.
void Camera::draw(Renderer& renderer) {
    if ((target - position).lengthSquared() == 0.0f) {
        return;
    }
    renderer.lookAt(position, target);
}

}  // namespace Tramble
