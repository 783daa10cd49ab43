#pragma once
// The scenes' one vector type. The three floats are contiguous in x, y, z
// order, so a Vector3 is handed to OpenGL directly as a vertex.
#include <cmath>
#include <optional>

namespace zint {

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    Vector3& Clear() {
        x = y = z = 0.0f;
        return *this;
    }

    Vector3& Set(float newX, float newY, float newZ) {
        x = newX;
        y = newY;
        z = newZ;
        return *this;
    }

    Vector3& Assign(const Vector3& other) { return Set(other.x, other.y, other.z); }

    Vector3& Scale(float s) { return Set(x * s, y * s, z * s); }

    // out = this * s; out may be this vector.
    Vector3& Scaled(Vector3& out, float s) const { return out.Set(x * s, y * s, z * s); }

    // out = other + this; out may be this vector or other.
    Vector3& Sum(Vector3& out, const Vector3& other) const {
        return out.Set(other.x + x, other.y + y, other.z + z);
    }

    float Length() const { return std::sqrt(x * x + y * y + z * z); }

    // Not guarded: the zero vector gives non-finite components.
    void Normalize() {
        const float reciprocal = 1.0f / Length();
        Scale(reciprocal);
    }

    const float* Data() const { return &x; }
};

static_assert(sizeof(Vector3) == 3 * sizeof(float), "Vector3 must be three packed floats");

inline float Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// a - b, the step from b to a.
inline Vector3 Difference(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// out = the component of b along a; out may be a or b.
inline void Project(const Vector3& a, const Vector3& b, Vector3& out) {
    const float factor = (1.0f / Dot(a, a)) * Dot(a, b);
    out.Set(a.x * factor, a.y * factor, a.z * factor);
}

// v scaled to unit length, or nothing when v has no direction a float can
// express (zero, or so short that its reciprocal length overflows).
inline std::optional<Vector3> Normalized(const Vector3& v) {
    const float reciprocal = 1.0f / v.Length();
    if (!std::isfinite(reciprocal)) return std::nullopt;
    Vector3 unit = v;
    return unit.Scale(reciprocal);
}

inline Vector3 Cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace zint
