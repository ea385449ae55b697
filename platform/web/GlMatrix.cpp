#include "platform/web/GlMatrix.h"

#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;

float& at(GlMatrix& m, int row, int column) {
    return m[column * 4 + row];
}

void normalise(float v[3]) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length != 0.0f) {
        v[0] /= length;
        v[1] /= length;
        v[2] /= length;
    }
}

void cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

} // namespace

GlMatrix IdentityMatrix() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

GlMatrix MultiplyMatrices(const GlMatrix& a, const GlMatrix& b) {
    GlMatrix product{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a[k * 4 + row] * b[column * 4 + k];
            }
            product[column * 4 + row] = sum;
        }
    }
    return product;
}

GlMatrix TranslationMatrix(float x, float y, float z) {
    GlMatrix m = IdentityMatrix();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

GlMatrix ScaleMatrix(float x, float y, float z) {
    GlMatrix m = IdentityMatrix();
    m[0] = x;
    m[5] = y;
    m[10] = z;
    return m;
}

// glRotatef's matrix: the rotation by the angle about the normalised axis.
GlMatrix RotationMatrix(float angle, float x, float y, float z) {
    float axis[3] = {x, y, z};
    normalise(axis);
    const float radians = angle * static_cast<float>(Pi / 180.0);
    const float s = std::sin(radians);
    const float c = std::cos(radians);
    const float one = 1.0f - c;
    GlMatrix m = IdentityMatrix();
    const float ax = axis[0];
    const float ay = axis[1];
    const float az = axis[2];
    at(m, 0, 0) = ax * ax * one + c;
    at(m, 0, 1) = ax * ay * one - az * s;
    at(m, 0, 2) = ax * az * one + ay * s;
    at(m, 1, 0) = ay * ax * one + az * s;
    at(m, 1, 1) = ay * ay * one + c;
    at(m, 1, 2) = ay * az * one - ax * s;
    at(m, 2, 0) = az * ax * one - ay * s;
    at(m, 2, 1) = az * ay * one + ax * s;
    at(m, 2, 2) = az * az * one + c;
    return m;
}

// GLU builds it in double and hands it to glMultMatrixd.
GlMatrix PerspectiveMatrix(double fovy, double aspect, double zNear, double zFar) {
    const double radians = fovy / 2.0 * Pi / 180.0;
    const double depth = zFar - zNear;
    const double cotangent = std::cos(radians) / std::sin(radians);
    GlMatrix m{};
    at(m, 0, 0) = static_cast<float>(cotangent / aspect);
    at(m, 1, 1) = static_cast<float>(cotangent);
    at(m, 2, 2) = static_cast<float>(-(zFar + zNear) / depth);
    at(m, 3, 2) = -1.0f;
    at(m, 2, 3) = static_cast<float>(-2.0 * zNear * zFar / depth);
    return m;
}

// GLU works in single precision here, then translates by -eye.
GlMatrix LookAtMatrix(const double eye[3], const double center[3], const double up[3]) {
    float forward[3] = {static_cast<float>(center[0] - eye[0]),
                        static_cast<float>(center[1] - eye[1]),
                        static_cast<float>(center[2] - eye[2])};
    float upward[3] = {static_cast<float>(up[0]), static_cast<float>(up[1]),
                       static_cast<float>(up[2])};
    normalise(forward);
    float side[3];
    cross(forward, upward, side);
    normalise(side);
    cross(side, forward, upward);
    GlMatrix m = IdentityMatrix();
    for (int i = 0; i < 3; ++i) {
        at(m, 0, i) = side[i];
        at(m, 1, i) = upward[i];
        at(m, 2, i) = -forward[i];
    }
    return MultiplyMatrices(m, TranslationMatrix(static_cast<float>(-eye[0]),
                                                 static_cast<float>(-eye[1]),
                                                 static_cast<float>(-eye[2])));
}

// Cofactors over the determinant, in double.
GlMatrix InverseMatrix(const GlMatrix& m) {
    double a[16];
    for (int i = 0; i < 16; ++i) {
        a[i] = m[i];
    }
    double inv[16];
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] +
             a[9] * a[7] * a[14] + a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] -
             a[8] * a[7] * a[14] - a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] +
             a[8] * a[7] * a[13] + a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] -
              a[8] * a[6] * a[13] - a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] -
             a[9] * a[3] * a[14] - a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] +
             a[8] * a[3] * a[14] + a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] -
             a[8] * a[3] * a[13] - a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] +
              a[8] * a[2] * a[13] + a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] -
             a[4] * a[3] * a[14] - a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] +
              a[4] * a[3] * a[13] + a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] -
              a[4] * a[2] * a[13] - a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] -
             a[5] * a[3] * a[10] - a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
              a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
    const double determinant = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    if (determinant == 0.0) {
        return IdentityMatrix();
    }
    GlMatrix result;
    for (int i = 0; i < 16; ++i) {
        result[i] = static_cast<float>(inv[i] / determinant);
    }
    return result;
}

std::array<float, 4> TransformPoint(const GlMatrix& m, const std::array<float, 4>& p) {
    std::array<float, 4> out{};
    for (int row = 0; row < 4; ++row) {
        out[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row] * p[3];
    }
    return out;
}
