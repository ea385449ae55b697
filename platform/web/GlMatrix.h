// The matrix maths of GL 1.1 and GLU for the web layer: column-major 4 x 4
// single-precision matrices, built and multiplied the way the desktop GL does
// it, so that the web frames take the same transforms as the native ones.
// Free of WebGL, so that it is checked natively against the real GL.
#pragma once

#include <array>

using GlMatrix = std::array<float, 16>;

GlMatrix IdentityMatrix();
// a x b: b applies first, as glMultMatrix multiplies the current matrix.
GlMatrix MultiplyMatrices(const GlMatrix& a, const GlMatrix& b);
GlMatrix TranslationMatrix(float x, float y, float z);
GlMatrix ScaleMatrix(float x, float y, float z);
// glRotatef: angle in degrees about the axis (x, y, z), normalised first.
GlMatrix RotationMatrix(float angle, float x, float y, float z);
GlMatrix PerspectiveMatrix(double fovy, double aspect, double zNear, double zFar);
// gluLookAt, its translation included.
GlMatrix LookAtMatrix(const double eye[3], const double center[3], const double up[3]);
// The inverse; the identity when m is singular.
GlMatrix InverseMatrix(const GlMatrix& m);
// m x (x, y, z, w).
std::array<float, 4> TransformPoint(const GlMatrix& m, const std::array<float, 4>& point);
