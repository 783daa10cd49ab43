#include <cmath>

#include "tools/pictures/neon_text.h"
#include "tools/pictures/pictures.h"

namespace zint::pictures {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr float kHorizon = 148.0f;

struct Sun {
    float x = 214.0f;
    float y = 106.0f;
    float radius = 50.0f;
};
constexpr Sun kSun;

Color SkyAt(float y) {
    static const std::vector<Color> stops{
        {0.002f, 0.001f, 0.016f}, {0.012f, 0.005f, 0.060f}, {0.100f, 0.020f, 0.190f},
        {0.450f, 0.060f, 0.260f}, {1.000f, 0.300f, 0.160f},
    };
    return Ramp(stops, y / kHorizon);
}

Color SunDisc(float x, float y) {
    const float d = std::hypot(x - kSun.x, y - kSun.y);
    const float t = Clamp01((y - (kSun.y - kSun.radius)) / (2.0f * kSun.radius));
    static const std::vector<Color> stops{{1.30f, 1.00f, 0.22f}, {1.25f, 0.45f, 0.12f}, {1.10f, 0.08f, 0.42f}};
    Color disc = Ramp(stops, t);
    // Bands cut out of the lower half, widening towards the horizon.
    const float below = (y - kSun.y + 12.0f) / kSun.radius;
    float cut = 0.0f;
    if (below > 0.0f) {
        const float phase = std::fmod(below * 5.0f, 1.0f);
        cut = SmoothStep(0.04f, 0.0f, phase - (0.12f + 0.6f * below));
    }
    disc = disc * (1.0f - cut);
    const float inside = SmoothStep(0.5f, -0.5f, d - kSun.radius);
    const float halo = 0.55f * std::exp(-std::max(d - kSun.radius, 0.0f) / 22.0f);
    return disc * inside + Color{1.0f, 0.28f, 0.35f} * halo * (1.0f - inside * (1.0f - cut));
}

// How far above the horizon the ridge of a mountain range reaches at x.
float RidgeHeight(float x, std::uint32_t seed, float base, float rise, float valley) {
    const float shape = Fbm1(x * 0.018f, seed, 5);
    const float open = SmoothStep(valley * 0.25f, valley, std::fabs(x - kSun.x));
    return base + rise * shape * shape * 2.0f * open;
}

// The sky with sun and mountains, without the sign.
Color Backdrop(float x, float y) {
    Color color = SkyAt(y) + SunDisc(x, y);
    const float farRidge = kHorizon - RidgeHeight(x, 11, 4.0f, 56.0f, 70.0f);
    if (y > farRidge) {
        const float haze = (y - farRidge) / std::max(kHorizon - farRidge, 1.0f);
        const float rim = std::exp(-(y - farRidge) / 1.5f) * 0.5f;
        color = Mix(Color{0.16f, 0.04f, 0.20f}, Color{0.42f, 0.10f, 0.26f}, haze) + Color{1.0f, 0.35f, 0.5f} * rim;
    }
    const float nearRidge = kHorizon - RidgeHeight(x + 300.0f, 29, 1.0f, 22.0f, 120.0f);
    if (y > nearRidge) {
        const float rim = std::exp(-(y - nearRidge) / 1.2f) * 0.35f;
        color = Color{0.05f, 0.012f, 0.07f} + Color{0.9f, 0.3f, 0.6f} * rim;
    }
    return color;
}

// The floor: a grid in perspective fading into the horizon's glow, with the
// sun mirrored in broken stripes.
Color Floor(float x, float y) {
    constexpr float kFocal = 150.0f;
    const float below = y - kHorizon;
    const float depth = kFocal / below;  // eye one unit above the floor
    const float across = (x - kWidth * 0.5f) * depth / kFocal * 2.0f;
    const float along = depth * 2.0f + 0.35f;
    const float pixelAcross = depth / kFocal * 2.0f;
    const float pixelAlong = depth * depth / kFocal * 2.0f;

    const float lineAcross = std::fabs(std::fmod(std::fabs(across) + 0.5f, 1.0f) - 0.5f) / pixelAcross;
    const float lineAlong = std::fabs(std::fmod(along + 0.5f, 1.0f) - 0.5f) / pixelAlong;
    const float line = std::max(SmoothStep(1.1f, 0.3f, lineAcross), SmoothStep(1.1f, 0.3f, lineAlong));
    const float fog = std::exp(-depth / 7.0f);

    Color color = Mix(Color{0.55f, 0.10f, 0.25f}, Color{0.012f, 0.004f, 0.03f}, SmoothStep(0.0f, 40.0f, below));
    color += Color{1.0f, 0.16f, 0.75f} * (line * fog * 1.3f);
    const float shimmer = std::exp(-std::pow((x - kSun.x) / (18.0f + below * 0.6f), 2.0f));
    const float broken = Noise1(below * 0.9f, 41) > 0.45f ? 1.0f : 0.0f;
    color += Color{1.0f, 0.45f, 0.3f} * (shimmer * broken * 0.5f * std::exp(-below / 30.0f));
    return color;
}

const NeonSign& Sign() {
    static const NeonSign sign{26.0f, 92.0f, 46.0f, 0.085f, {0.95f, 0.12f, 0.80f}, {1.2f, 0.85f, 1.15f}, 0.8f, 0.16f};
    return sign;
}

Color Dusk(float x, float y) {
    Color color = y < kHorizon ? Backdrop(x, y) : Floor(x, y);
    float coverage = 0.0f;
    const Color light = Sign().Light(x, y, &coverage);
    return color * (1.0f - coverage) + light;
}

// Faint stars in the upper sky, one pixel each, away from the sign's glow.
void Stars(Canvas& canvas) {
    for (int y = 0; y < static_cast<int>(kHorizon) - 40; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (Random01(x, y, 7) < 0.985f) continue;
            const float fade = 1.0f - static_cast<float>(y) / (kHorizon - 40.0f);
            const float glow = std::exp(-std::max(Sign().SurfaceDistance(x + 0.5f, y + 0.5f), 0.0f) / 6.0f);
            const float brightness = Random01(x, y, 8) * 0.6f * fade * (1.0f - glow);
            canvas.At(x, y) += Color{0.9f, 0.85f, 1.0f} * brightness;
        }
    }
}

}  // namespace

Canvas PaintDusk() {
    Canvas canvas(kWidth, kHeight);
    canvas.Shade(4, Dusk);
    Stars(canvas);
    return canvas;
}

}  // namespace zint::pictures
