#pragma once
// The word "zint" drawn as bent tubes: a distance field over line segments
// and circular arcs, in units of the letters' x-height, y upwards, the
// baseline at y = 0 and the word starting at x = 0.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "tools/pictures/canvas.h"

namespace zint::pictures {

struct Point {
    float x = 0.0f;
    float y = 0.0f;
};

struct Stroke {
    enum class Kind { Segment, Arc } kind = Kind::Segment;
    Point a;            // segment start, or arc centre
    Point b;            // segment end
    float radius = 0;   // arc
    float from = 0;     // arc start angle, radians
    float to = 0;       // arc end angle (greater than from)
};

inline Stroke Segment(Point a, Point b) { return {Stroke::Kind::Segment, a, b, 0, 0, 0}; }
inline Stroke Arc(Point centre, float radius, float from, float to) {
    return {Stroke::Kind::Arc, centre, {}, radius, from, to};
}

inline float Distance(Point p, Point q) { return std::hypot(p.x - q.x, p.y - q.y); }

inline float DistanceToSegment(Point p, Point a, Point b) {
    const float dx = b.x - a.x;
    const float dy = b.y - a.y;
    const float lengthSquared = dx * dx + dy * dy;
    const float t = lengthSquared > 0.0f ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared, 0.0f, 1.0f) : 0.0f;
    return Distance(p, {a.x + dx * t, a.y + dy * t});
}

inline float DistanceToArc(Point p, const Stroke& arc) {
    constexpr float kTurn = 2.0f * std::numbers::pi_v<float>;
    float angle = std::atan2(p.y - arc.a.y, p.x - arc.a.x);
    while (angle < arc.from) angle += kTurn;
    if (angle <= arc.to) return std::fabs(Distance(p, arc.a) - arc.radius);
    const Point start{arc.a.x + arc.radius * std::cos(arc.from), arc.a.y + arc.radius * std::sin(arc.from)};
    const Point end{arc.a.x + arc.radius * std::cos(arc.to), arc.a.y + arc.radius * std::sin(arc.to)};
    return std::min(Distance(p, start), Distance(p, end));
}

inline float DistanceToStroke(Point p, const Stroke& stroke) {
    return stroke.kind == Stroke::Kind::Segment ? DistanceToSegment(p, stroke.a, stroke.b) : DistanceToArc(p, stroke);
}

// The strokes of the word; the width of the word is kWordWidth.
inline const std::vector<Stroke>& WordStrokes() {
    constexpr float pi = std::numbers::pi_v<float>;
    static const std::vector<Stroke> strokes{
        // z
        Segment({0.00f, 1.0f}, {0.62f, 1.0f}),
        Segment({0.62f, 1.0f}, {0.00f, 0.0f}),
        Segment({0.00f, 0.0f}, {0.64f, 0.0f}),
        // i
        Segment({0.98f, 0.0f}, {0.98f, 1.0f}),
        Segment({0.98f, 1.36f}, {0.98f, 1.36f}),
        // n
        Segment({1.34f, 0.0f}, {1.34f, 1.0f}),
        Arc({1.65f, 0.69f}, 0.31f, 0.0f, pi),
        Segment({1.96f, 0.69f}, {1.96f, 0.0f}),
        // t
        Segment({2.42f, 1.40f}, {2.42f, 0.22f}),
        Arc({2.64f, 0.22f}, 0.22f, pi, 1.5f * pi),
        Segment({2.64f, 0.0f}, {2.80f, 0.0f}),
        Segment({2.24f, 1.0f}, {2.74f, 1.0f}),
    };
    return strokes;
}

inline constexpr float kWordWidth = 2.80f;

inline float DistanceToWord(Point p) {
    float nearest = 1e9f;
    for (const Stroke& stroke : WordStrokes()) nearest = std::min(nearest, DistanceToStroke(p, stroke));
    return nearest;
}

// The word placed on a canvas: its left baseline point and x-height in pixels.
struct NeonSign {
    float left = 0.0f;
    float baseline = 0.0f;
    float xHeight = 1.0f;
    float tube = 0.09f;  // tube radius, in x-heights
    Color glow;          // colour of the light around the tube
    Color core;          // colour of the lit tube
    float nearHalo = 0.9f;   // strength of the tight halo
    float farHalo = 0.35f;   // strength of the wide halo

    // Distance from a canvas point (y downwards) to the tube's surface, in pixels.
    float SurfaceDistance(float x, float y) const {
        const Point p{(x - left) / xHeight, (baseline - y) / xHeight};
        return (DistanceToWord(p) - tube) * xHeight;
    }

    // Light of the tube and its halo at a canvas point, and how much the
    // tube itself covers the point (0 to 1).
    Color Light(float x, float y, float* coverage = nullptr) const {
        const float d = SurfaceDistance(x, y);
        const float inside = SmoothStep(0.6f, -0.6f, d);
        if (coverage != nullptr) *coverage = inside;
        const float outside = std::max(d, 0.0f);
        const float halo = nearHalo * std::exp(-outside / (0.10f * xHeight)) +
                           farHalo * std::exp(-outside / (0.45f * xHeight));
        // The tube is brightest along its middle.
        const float depth = Clamp01(-d / (tube * xHeight));
        return glow * halo + core * (inside * (0.55f + 0.6f * depth));
    }
};

}  // namespace zint::pictures
