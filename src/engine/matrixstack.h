// The fixed-function matrices computed by our own code, for a renderer without OpenGL's
// matrix stacks: each operation rounds and sums in the order GLU and Mesa do, so that the
// matrices equal what OpenGL holds after the same calls (see matrixstack.cpp for where
// they may not), and the normal matrix that fixed-function lighting derives from them.
#pragma once

#include "engine/vecmath.h"

namespace Tramble {

// A 3 x 3 matrix, column-major (element 3 * column + row) as glUniformMatrix3fv takes it.
struct Matrix3 {
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    float& operator[](int i) { return m[i]; }
    float operator[](int i) const { return m[i]; }
    const float* data() const { return m; }
};

// a times b in float, each element summed over k = 0..3 in turn, as Mesa multiplies.
Matrix4 operator*(const Matrix4& a, const Matrix4& b);
// gluPerspective's matrix (vertical angle in degrees): built in double, rounded to float.
// Arguments GLU refuses (no depth, no angle, no aspect) give the identity, which changes
// nothing when multiplied in, as GLU leaves the matrix.
Matrix4 perspectiveMatrix(double fovY, double aspect, double zNear, double zFar);
// glOrtho's matrix: Mesa rounds the bounds to float and divides in float. An empty box, which
// Mesa refuses, gives the identity.
Matrix4 orthoMatrix(double left, double right, double bottom, double top, double zNear, double zFar);
// Fixed-function lighting turns normals with the inverse transpose of the modelview's
// upper-left 3 x 3 (exact for the affine modelviews the demo builds), unnormalised. A
// singular modelview gives the identity, as Mesa falls back to when it cannot invert.
Matrix3 normalMatrix(const Matrix4& modelview);

// One matrix stack, as OpenGL keeps one per matrix mode: the operations change the current
// matrix by multiplying on the right, push and pop save and restore it.
class MatrixStack {
public:
    // OpenGL's smallest guaranteed modelview depth, current matrix included.
    static const int maxDepth = 32;

    const Matrix4& current() const { return matrices[depth]; }

    void loadIdentity();
    void load(const Matrix4& matrix);
    void multiply(const Matrix4& matrix);
    void translate(float x, float y, float z);
    void perspective(double fovY, double aspect, double zNear, double zFar);
    void ortho(double left, double right, double bottom, double top, double zNear, double zFar);
    // gluLookAt: the eye at `eye` looks at `centre`, `up` tilted to be square to the view.
    // An up along the view, or an eye on its centre, gives the degenerate matrix GLU gives.
    void lookAt(const Vector3& eye, const Vector3& centre, const Vector3& up);

    // Both refuse, logging an error and changing nothing, beyond the stack's ends.
    bool push();
    bool pop();

private:
    Matrix4 matrices[maxDepth];
    int depth = 0;
};

}  // namespace Tramble
