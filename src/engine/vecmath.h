// The shared value types: Vector3 (three floats, contiguous for OpenGL pointer calls) and
// Matrix4 (sixteen floats, OpenGL column-major: element 4 * column + row, identity when new).
// Also the single-precision degree-to-radian factor every effect uses.
#pragma once

#include <cmath>

namespace Tramble {

// Degrees to radians as pi and 1/180 in floats, multiplied: the golden frames are drawn with
// this rounding.
const float degreesToRadians = 3.1415927f * 0.0055555557f;

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3() = default;
    Vector3(float x, float y, float z) : x(x), y(y), z(z) {}

    // For glVertex3fv and friends: the three floats are laid out one after another.
    float* data() { return &x; }
    const float* data() const { return &x; }

    Vector3& operator+=(const Vector3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    Vector3& operator-=(const Vector3& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    Vector3& operator*=(float s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }

    float dot(const Vector3& v) const { return x * v.x + y * v.y + z * v.z; }
    Vector3 cross(const Vector3& v) const { return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x}; }
    float lengthSquared() const { return dot(*this); }
    float length() const { return std::sqrt(lengthSquared()); }
    // A zero vector stays zero rather than turning into NaNs.
    Vector3 normalised() const {
        const float l = length();
        return l > 0.0f ? Vector3(x / l, y / l, z / l) : Vector3();
    }
};

static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 must stay three packed floats");

inline Vector3 operator+(Vector3 a, const Vector3& b) {
    return a += b;
}
inline Vector3 operator-(Vector3 a, const Vector3& b) {
    return a -= b;
}
inline Vector3 operator*(Vector3 a, float s) {
    return a *= s;
}
inline Vector3 operator*(float s, Vector3 a) {
    return a *= s;
}
inline Vector3 operator-(const Vector3& a) {
    return {-a.x, -a.y, -a.z};
}

struct Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    const float* data() const { return m; }
};

}  // namespace Tramble
