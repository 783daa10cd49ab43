#pragma once
// Small shading kit for the picture generator: linear colours, a
// supersampled canvas and value noise.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace zint::pictures {

struct Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;

    Color operator+(Color o) const { return {r + o.r, g + o.g, b + o.b}; }
    Color operator*(float s) const { return {r * s, g * s, b * s}; }
    Color operator*(Color o) const { return {r * o.r, g * o.g, b * o.b}; }
    Color& operator+=(Color o) { return *this = *this + o; }
};

inline float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

inline float SmoothStep(float edge0, float edge1, float v) {
    const float t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

inline Color Mix(Color a, Color b, float t) { return a * (1.0f - t) + b * t; }

// A colour ramp through evenly spaced stops, t from 0 to 1.
inline Color Ramp(const std::vector<Color>& stops, float t) {
    const float scaled = Clamp01(t) * static_cast<float>(stops.size() - 1);
    const auto index = std::min(static_cast<std::size_t>(scaled), stops.size() - 2);
    return Mix(stops[index], stops[index + 1], scaled - static_cast<float>(index));
}

inline std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return h;
}

// A repeatable random value from 0 to 1 for a lattice point.
inline float Random01(int x, int y, std::uint32_t seed) {
    return static_cast<float>(Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed) & 0xFFFFFF) /
           static_cast<float>(0xFFFFFF);
}

// One-dimensional value noise with smooth interpolation, 0 to 1.
inline float Noise1(float x, std::uint32_t seed) {
    const float cell = std::floor(x);
    const float f = x - cell;
    const float t = f * f * (3.0f - 2.0f * f);
    const int i = static_cast<int>(cell);
    return Random01(i, 0, seed) * (1.0f - t) + Random01(i + 1, 0, seed) * t;
}

// Fractal sum of octaves of Noise1, 0 to 1.
inline float Fbm1(float x, std::uint32_t seed, int octaves) {
    float sum = 0.0f;
    float amplitude = 0.5f;
    float total = 0.0f;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += Noise1(x, seed + static_cast<std::uint32_t>(octave)) * amplitude;
        total += amplitude;
        x *= 2.03f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

// Linear light, top row first; written out as gamma-encoded bytes.
class Canvas {
public:
    Canvas(int width, int height) : width(width), height(height), pixels(static_cast<std::size_t>(width * height)) {}

    // Averages shade over an n x n grid of points inside every pixel;
    // coordinates run in pixels, y downwards.
    void Shade(int n, const std::function<Color(float x, float y)>& shade) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                Color sum;
                for (int sy = 0; sy < n; ++sy) {
                    for (int sx = 0; sx < n; ++sx) {
                        sum += shade(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / static_cast<float>(n),
                                     static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / static_cast<float>(n));
                    }
                }
                At(x, y) = sum * (1.0f / static_cast<float>(n * n));
            }
        }
    }

    Color& At(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }

    // Packed blue-green-red, bottom row first, as the image blobs hold them.
    std::vector<std::uint8_t> BgrBottomUp() const {
        std::vector<std::uint8_t> out;
        out.reserve(pixels.size() * 3);
        for (int y = height - 1; y >= 0; --y) {
            for (int x = 0; x < width; ++x) {
                const Color& c = pixels[static_cast<std::size_t>(y * width + x)];
                out.push_back(Encode(c.b));
                out.push_back(Encode(c.g));
                out.push_back(Encode(c.r));
            }
        }
        return out;
    }

    const int width;
    const int height;

private:
    static std::uint8_t Encode(float linear) {
        const float v = std::pow(Clamp01(linear), 1.0f / 2.2f);
        return static_cast<std::uint8_t>(std::lround(v * 255.0f));
    }

    std::vector<Color> pixels;
};

}  // namespace zint::pictures
