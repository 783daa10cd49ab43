#include <cmath>
#include <numbers>

#include "tools/pictures/neon_text.h"
#include "tools/pictures/pictures.h"

namespace zint::pictures {

namespace {

constexpr int kSide = 256;
constexpr float kCentre = 128.0f;
constexpr float kRimRadius = 116.0f;
constexpr Point kVanishing{146.0f, 112.0f};
constexpr int kRings = 9;
constexpr int kSpokes = 16;
constexpr float kDepthStep = 0.55f;

// A ring of the tube at a depth: its centre slides towards the vanishing
// point as it shrinks.
struct Ring {
    Point centre;
    float radius;
};

Ring RingAt(float depth) {
    const float scale = 1.0f / depth;
    return {{kVanishing.x + (kCentre - kVanishing.x) * scale, kVanishing.y + (kCentre - kVanishing.y) * scale},
            kRimRadius * scale};
}

float LineLight(float distance, float halfWidth) {
    return SmoothStep(halfWidth + 0.7f, halfWidth - 0.7f, distance) + 0.35f * std::exp(-distance / 2.5f);
}

Color TubeLight(float x, float y) {
    const Color outer{1.0f, 0.10f, 0.65f};
    const Color inner{0.10f, 0.75f, 1.0f};
    Color light;
    for (int k = 1; k <= kRings; ++k) {
        const float depth = 1.0f + kDepthStep * static_cast<float>(k);
        const Ring ring = RingAt(depth);
        const float d = std::fabs(std::hypot(x - ring.centre.x, y - ring.centre.y) - ring.radius);
        const float t = static_cast<float>(k - 1) / static_cast<float>(kRings - 1);
        light += Mix(outer, inner, t) * (LineLight(d, 0.6f) * std::exp(-0.28f * static_cast<float>(k)));
    }
    const Ring deepest = RingAt(1.0f + kDepthStep * static_cast<float>(kRings));
    constexpr float kTurn = 2.0f * std::numbers::pi_v<float>;
    for (int s = 0; s < kSpokes; ++s) {
        const float angle = kTurn * static_cast<float>(s) / static_cast<float>(kSpokes) + 0.1f;
        const Point rim{kCentre + kRimRadius * std::cos(angle), kCentre + kRimRadius * std::sin(angle)};
        const Point end{deepest.centre.x + deepest.radius * std::cos(angle),
                        deepest.centre.y + deepest.radius * std::sin(angle)};
        const float d = DistanceToSegment({x, y}, rim, end);
        // Spokes dim as they run into the distance.
        const float along = Clamp01(Distance({x, y}, rim) / Distance(rim, end));
        light += Mix(outer, inner, along) * (LineLight(d, 0.45f) * 0.55f * (1.0f - 0.8f * along));
    }
    return light;
}

Color Rim(float x, float y) {
    const float d = std::fabs(std::hypot(x - kCentre, y - kCentre) - kRimRadius);
    const float angle = std::atan2(y - kCentre, x - kCentre);
    const Color hue = Mix(Color{1.0f, 0.15f, 0.7f}, Color{1.0f, 0.55f, 0.15f}, 0.5f + 0.5f * std::sin(angle * 2.0f));
    return hue * (SmoothStep(2.6f, 1.2f, d) * 1.3f + 0.5f * std::exp(-d / 4.0f));
}

const NeonSign& Sign() {
    static const NeonSign sign{34.0f, 158.0f, 67.0f, 0.08f, {1.0f, 0.30f, 0.10f}, {1.25f, 1.05f, 0.8f}, 0.8f, 0.10f};
    return sign;
}

Color Emblem(float x, float y) {
    float coverage = 0.0f;
    const Color sign = Sign().Light(x, y, &coverage);
    // The tube darkens around the letters so that they stand clear of it.
    const float clearance = SmoothStep(2.0f, 14.0f, Sign().SurfaceDistance(x, y));
    const Color tube = (TubeLight(x, y) * 1.6f + Rim(x, y)) * (0.2f + 0.8f * clearance);
    // Black beyond the rim's glow: the picture is added onto the tunnel.
    const float outside = std::hypot(x - kCentre, y - kCentre) - kRimRadius;
    const float fade = SmoothStep(16.0f, 4.0f, outside);
    return (tube * (1.0f - coverage) + sign) * fade;
}

}  // namespace

Canvas PaintTunnelEmblem() {
    Canvas canvas(kSide, kSide);
    canvas.Shade(4, Emblem);
    return canvas;
}

}  // namespace zint::pictures
