#pragma once
// What the scene tests share: textures made from a colour rule, the whole
// back buffer, and where a camera shows a point (computed here, not by GL).
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/texture.h"
#include "gfx/vector3.h"
#include "tests/support/gl_window.h"

namespace zint::test {

// Texel (column, row) is colour(column, row); row 0 is uploaded first.
template <typename Colour>
std::unique_ptr<Texture> MakeTexture(int width, int height, Colour colour) {
    std::vector<std::uint8_t> texels;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const Rgb c = colour(column, row);
            texels.insert(texels.end(), {static_cast<std::uint8_t>(c.r), static_cast<std::uint8_t>(c.g),
                                         static_cast<std::uint8_t>(c.b)});
        }
    }
    auto texture = std::make_unique<Texture>();
    texture->Upload(3, width, height, GL_RGB, texels.data());
    return texture;
}

inline std::array<float, 3> Xyz(const Vector3& v) { return {v.x, v.y, v.z}; }

inline std::unique_ptr<Texture> SolidTexture(Rgb colour) {
    return MakeTexture(4, 4, [=](int, int) { return colour; });
}

// The 640 x 480 back buffer as it is now; At counts from the top left.
struct Frame {
    Frame() : rgb(640 * 480 * 3) {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    }
    Rgb At(int x, int y) const {
        const std::uint8_t* p = &rgb[(static_cast<std::size_t>(479 - y) * 640 + static_cast<std::size_t>(x)) * 3];
        return {p[0], p[1], p[2]};
    }
    std::vector<std::uint8_t> rgb;
};

// The pixel, from the top left, where a 4:3 perspective camera of the given
// vertical field of view shows `point`.
inline std::array<int, 2> ScreenOf(double fieldOfViewY, const Vector3& eye, const Vector3& target, const Vector3& up,
                                   const Vector3& point) {
    Vector3 forward = Difference(target, eye);
    forward.Normalize();
    Vector3 side = Cross(forward, up);
    side.Normalize();
    const Vector3 trueUp = Cross(side, forward);
    const Vector3 d = Difference(point, eye);
    const double focal = 1.0 / std::tan(fieldOfViewY * 3.14159265358979 / 360.0);
    const double depth = Dot(forward, d);
    const double x = (focal / (4.0 / 3.0) * Dot(side, d) / depth + 1.0) * 320.0;
    const double y = (focal * Dot(trueUp, d) / depth + 1.0) * 240.0;
    return {static_cast<int>(x), 479 - static_cast<int>(y)};
}

}  // namespace zint::test
