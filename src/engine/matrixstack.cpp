// The matrices as Mesa 22 and SGI's GLU 9 compute them. What makes them equal bit for bit:
// GLU's perspective is built in double and rounded to float only when multiplied in;
// GLU's look-at works in float; Mesa rounds glOrtho's and glTranslate's arguments to float
// and computes in float; every product element is one left-to-right sum of four products.
// This file is built without contracting a * b + c into one fused operation, which would
// round differently from Mesa.
#include "engine/matrixstack.h"

#include <cmath>

#include "engine/logsys.h"

namespace Tramble {

namespace {

// GLU's pi, as a double.
const double pi = 3.14159265358979323846;

// GLU's normalise: a zero vector is left as it is.
void normalise(float v[3]) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0f) {
        return;
    }
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

void cross(const float a[3], const float b[3], float result[3]) {
    result[0] = a[1] * b[2] - a[2] * b[1];
    result[1] = a[2] * b[0] - a[0] * b[2];
    result[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
    Matrix4 product;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            product[4 * column + row] = a[row] * b[4 * column] + a[4 + row] * b[4 * column + 1] +
                                        a[8 + row] * b[4 * column + 2] + a[12 + row] * b[4 * column + 3];
        }
    }
    return product;
}

Matrix4 perspectiveMatrix(double fovY, double aspect, double zNear, double zFar) {
    const double radians = fovY / 2 * pi / 180;
    const double sine = std::sin(radians);
    const double depth = zFar - zNear;
    Matrix4 m;
    // GLU leaves the matrix as it was when these would divide by zero.
    if (depth == 0 || sine == 0 || aspect == 0) {
        return m;
    }
    const double cotangent = std::cos(radians) / sine;
    m[0] = static_cast<float>(cotangent / aspect);
    m[5] = static_cast<float>(cotangent);
    m[10] = static_cast<float>(-(zFar + zNear) / depth);
    m[11] = -1.0f;
    m[14] = static_cast<float>(-2 * zNear * zFar / depth);
    m[15] = 0.0f;
    return m;
}

Matrix4 orthoMatrix(double left, double right, double bottom, double top, double zNear, double zFar) {
    const float l = static_cast<float>(left);
    const float r = static_cast<float>(right);
    const float b = static_cast<float>(bottom);
    const float t = static_cast<float>(top);
    const float n = static_cast<float>(zNear);
    const float f = static_cast<float>(zFar);
    Matrix4 m;
    // Mesa refuses an empty box and leaves the matrix as it was.
    if (l == r || b == t || n == f) {
        return m;
    }
    m[0] = 2.0f / (r - l);
    m[5] = 2.0f / (t - b);
    m[10] = -2.0f / (f - n);
    m[12] = -(r + l) / (r - l);
    m[13] = -(t + b) / (t - b);
    m[14] = -(f + n) / (f - n);
    return m;
}

Matrix3 normalMatrix(const Matrix4& modelview) {
    // The inverse transpose is the cofactor matrix over the determinant.
    const auto a = [&modelview](int row, int column) { return modelview[4 * column + row]; };
    Matrix3 cofactors;
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            const int r0 = (row + 1) % 3, r1 = (row + 2) % 3;
            const int c0 = (column + 1) % 3, c1 = (column + 2) % 3;
            cofactors[3 * column + row] = a(r0, c0) * a(r1, c1) - a(r0, c1) * a(r1, c0);
        }
    }
    const float determinant = a(0, 0) * cofactors[0] + a(0, 1) * cofactors[3] + a(0, 2) * cofactors[6];
    if (determinant == 0.0f) {
        return Matrix3();
    }
    for (float& element : cofactors.m) {
        element /= determinant;
    }
    return cofactors;
}

void MatrixStack::loadIdentity() {
    matrices[depth] = Matrix4();
}

void MatrixStack::load(const Matrix4& matrix) {
    matrices[depth] = matrix;
}

void MatrixStack::multiply(const Matrix4& matrix) {
    matrices[depth] = matrices[depth] * matrix;
}

// Mesa's glTranslate: only the last column changes, each element one sum in this order.
void MatrixStack::translate(float x, float y, float z) {
    float* m = matrices[depth].m;
    for (int row = 0; row < 4; ++row) {
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    }
}

void MatrixStack::perspective(double fovY, double aspect, double zNear, double zFar) {
    multiply(perspectiveMatrix(fovY, aspect, zNear, zFar));
}

void MatrixStack::ortho(double left, double right, double bottom, double top, double zNear, double zFar) {
    multiply(orthoMatrix(left, right, bottom, top, zNear, zFar));
}

void MatrixStack::lookAt(const Vector3& eye, const Vector3& centre, const Vector3& up) {
    // GLU subtracts the doubles it is given and rounds to float: for float arguments that is
    // the float difference, a double having more than twice a float's precision.
    float forward[3] = {centre.x - eye.x, centre.y - eye.y, centre.z - eye.z};
    normalise(forward);
    float side[3];
    cross(forward, up.data(), side);
    normalise(side);
    float trueUp[3];
    cross(side, forward, trueUp);
    Matrix4 rotation;
    for (int column = 0; column < 3; ++column) {
        rotation[4 * column] = side[column];
        rotation[4 * column + 1] = trueUp[column];
        rotation[4 * column + 2] = -forward[column];
    }
    multiply(rotation);
    translate(-eye.x, -eye.y, -eye.z);
}

bool MatrixStack::push() {
    if (depth + 1 == maxDepth) {
        LOG(Error) << "Matrix stack full: push refused at depth " << maxDepth << "\n";
        return false;
    }
    matrices[depth + 1] = matrices[depth];
    ++depth;
    return true;
}

bool MatrixStack::pop() {
    if (depth == 0) {
        LOG(Error) << "Matrix stack empty: pop refused\n";
        return false;
    }
    --depth;
    return true;
}

}  // namespace Tramble
