#pragma once
// What the scene tests share: two-tone textures, the back buffer and pixels
// expected in it, a resource set published for the scenes, and where a camera
// shows a point (computed here, not by GL).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/resources.h"
#include "gfx/texture.h"
#include "gfx/vector3.h"
#include "tests/support/gl_window.h"

namespace zint::test {

// Square, its bottom half (the rows uploaded first) one colour and its top the other.
inline std::unique_ptr<Texture> TwoTone(Rgb bottom, Rgb top, int side = 64) {
    std::vector<std::uint8_t> texels;
    for (int i = 0; i < side * side; ++i) {
        const Rgb c = i < side * side / 2 ? bottom : top;
        texels.insert(texels.end(), {std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b)});
    }
    auto texture = std::make_unique<Texture>();
    texture->Upload(3, side, side, GL_RGB, texels.data());
    return texture;
}
inline std::unique_ptr<Texture> Plain(Rgb colour) { return TwoTone(colour, colour, 4); }

inline std::array<float, 3> Xyz(const Vector3& v) { return {v.x, v.y, v.z}; }

// The 640 x 480 back buffer as it is now; At counts from the top left.
struct BackBuffer {
    BackBuffer() : rgb(ReadRgb(0, 0, 640, 480)) {}
    Rgb At(int x, int y) const {
        const std::uint8_t* p = &rgb[(static_cast<std::size_t>(479 - y) * 640 + static_cast<std::size_t>(x)) * 3];
        return {p[0], p[1], p[2]};
    }
    std::vector<std::uint8_t> rgb;
};

// A pixel expected within `tolerance` of a colour in every channel.
struct ExpectedPixel {
    int x, y;
    Rgb colour;
    int tolerance = 50;
};

// The expected pixels the back buffer misses, each as "x,y: r g b; ", or "" for none.
inline std::string Misses(std::initializer_list<ExpectedPixel> probes) {
    const BackBuffer frame;
    std::ostringstream misses;
    for (const ExpectedPixel& p : probes) {
        const Rgb c = frame.At(p.x, p.y);
        if (std::max({std::abs(c.r - p.colour.r), std::abs(c.g - p.colour.g), std::abs(c.b - p.colour.b)}) >
            p.tolerance) {
            misses << p.x << "," << p.y << ": " << c.r << " " << c.g << " " << c.b << "; ";
        }
    }
    return misses.str();
}

// A window with a resource set published for the scenes: the font 32 pixels
// high and every text 64 wide; each test puts in the textures it draws.
class SceneTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        set.font = std::make_unique<TextFont>();
        set.font->height = 32;
        set.textWidths.fill(64);
        resources = &set;
    }
    void TearDown() override {
        resources = nullptr;
        GlTest::TearDown();
    }
    static bool SceneStateRestored() {
        return glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && !glIsEnabled(GL_BLEND) &&
               !glIsEnabled(GL_TEXTURE_2D) && !glIsEnabled(GL_FOG);
    }
    Resources set;
};

// The pixel, from the top left, where a 4:3 perspective camera of 60 degrees
// vertical field of view shows `point`.
inline std::array<int, 2> ScreenOf(const Vector3& eye, const Vector3& target, const Vector3& point) {
    Vector3 forward = Difference(target, eye);
    forward.Normalize();
    Vector3 side = Cross(forward, {0, 1, 0});
    side.Normalize();
    const Vector3 trueUp = Cross(side, forward);
    const Vector3 d = Difference(point, eye);
    const double focal = 1.0 / std::tan(3.14159265358979 / 6.0);
    const double depth = Dot(forward, d);
    const double x = (focal / (4.0 / 3.0) * Dot(side, d) / depth + 1.0) * 320.0;
    const double y = (focal * Dot(trueUp, d) / depth + 1.0) * 240.0;
    return {static_cast<int>(x), 479 - static_cast<int>(y)};
}

}  // namespace zint::test
