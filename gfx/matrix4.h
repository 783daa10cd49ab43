#pragma once
// 4 x 4 single-precision matrices, column-major as OpenGL keeps them, with
// the fixed-function pipeline's own arithmetic: the same products in the
// same order, so that an emulated transform lands where the real one does.
#include <array>

namespace zint::gl {

using Matrix4 = std::array<float, 16>;

Matrix4 IdentityMatrix();

// a * b
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);

// m * translation(x, y, z)
void Translate(Matrix4& m, float x, float y, float z);

Matrix4 OrthoMatrix(double left, double right, double bottom, double top, double near, double far);
Matrix4 PerspectiveMatrix(double fieldOfViewY, double aspect, double near, double far);
// The rotation of a look-at view; the caller then translates by -eye.
Matrix4 LookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
                       double upX, double upY, double upZ);

// m * (x, y, z, 1)
std::array<float, 4> Transform(const Matrix4& m, float x, float y, float z);

}  // namespace zint::gl
