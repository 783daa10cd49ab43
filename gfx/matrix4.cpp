#include "gfx/matrix4.h"

#include <cmath>

namespace zint::gl {

namespace {

constexpr double kPi = 3.14159265358979323846;

float& At(Matrix4& m, int row, int column) { return m[static_cast<std::size_t>(column * 4 + row)]; }
float At(const Matrix4& m, int row, int column) { return m[static_cast<std::size_t>(column * 4 + row)]; }

using Vector = std::array<float, 3>;

void Normalize(Vector& v) {
    const float length = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    if (length == 0.0f) return;
    for (float& c : v) c /= length;
}

Vector Cross(const Vector& a, const Vector& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

}  // namespace

Matrix4 IdentityMatrix() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 product{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            At(product, row, column) = At(a, row, 0) * At(b, 0, column) + At(a, row, 1) * At(b, 1, column) +
                                       At(a, row, 2) * At(b, 2, column) + At(a, row, 3) * At(b, 3, column);
        }
    }
    return product;
}

void Translate(Matrix4& m, float x, float y, float z) {
    for (int row = 0; row < 4; ++row) {
        At(m, row, 3) = At(m, row, 0) * x + At(m, row, 1) * y + At(m, row, 2) * z + At(m, row, 3);
    }
}

// The parameters arrive as doubles and are used as floats, as GL does.
Matrix4 OrthoMatrix(double left, double right, double bottom, double top, double near, double far) {
    const auto l = static_cast<float>(left), r = static_cast<float>(right);
    const auto b = static_cast<float>(bottom), t = static_cast<float>(top);
    const auto n = static_cast<float>(near), f = static_cast<float>(far);
    Matrix4 m = IdentityMatrix();
    At(m, 0, 0) = 2.0f / (r - l);
    At(m, 0, 3) = -(r + l) / (r - l);
    At(m, 1, 1) = 2.0f / (t - b);
    At(m, 1, 3) = -(t + b) / (t - b);
    At(m, 2, 2) = -2.0f / (f - n);
    At(m, 2, 3) = -(f + n) / (f - n);
    return m;
}

// Worked out in double and handed over as floats.
Matrix4 PerspectiveMatrix(double fieldOfViewY, double aspect, double near, double far) {
    const double radians = fieldOfViewY / 2 * kPi / 180;
    const double depth = far - near;
    const double sine = std::sin(radians);
    Matrix4 m = IdentityMatrix();
    if (depth == 0 || sine == 0 || aspect == 0) return m;
    const double cotangent = std::cos(radians) / sine;
    At(m, 0, 0) = static_cast<float>(cotangent / aspect);
    At(m, 1, 1) = static_cast<float>(cotangent);
    At(m, 2, 2) = static_cast<float>(-(far + near) / depth);
    At(m, 3, 2) = -1.0f;
    At(m, 2, 3) = static_cast<float>(-2 * near * far / depth);
    At(m, 3, 3) = 0.0f;
    return m;
}

// The axes are single precision throughout.
Matrix4 LookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
                       double upX, double upY, double upZ) {
    Vector forward{static_cast<float>(centreX - eyeX), static_cast<float>(centreY - eyeY),
                   static_cast<float>(centreZ - eyeZ)};
    const Vector upWanted{static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    Normalize(forward);
    Vector side = Cross(forward, upWanted);
    Normalize(side);
    const Vector up = Cross(side, forward);
    Matrix4 m = IdentityMatrix();
    for (int i = 0; i < 3; ++i) {
        At(m, 0, i) = side[static_cast<std::size_t>(i)];
        At(m, 1, i) = up[static_cast<std::size_t>(i)];
        At(m, 2, i) = -forward[static_cast<std::size_t>(i)];
    }
    return m;
}

std::array<float, 4> Transform(const Matrix4& m, float x, float y, float z) {
    std::array<float, 4> out{};
    for (int row = 0; row < 4; ++row) {
        out[static_cast<std::size_t>(row)] = At(m, row, 0) * x + At(m, row, 1) * y + At(m, row, 2) * z + At(m, row, 3);
    }
    return out;
}

}  // namespace zint::gl
