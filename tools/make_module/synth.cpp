#include "tools/make_module/synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zint::compose {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double Seconds(std::size_t frame, double rate) { return static_cast<double>(frame) / rate; }

// A single-pole high-pass: lets the bright part of noise through.
void HighPass(Wave& wave, float keep) {
    float previousIn = 0.0f;
    float previousOut = 0.0f;
    for (auto& value : wave) {
        const float out = keep * (previousOut + value - previousIn);
        previousIn = value;
        previousOut = out;
        value = out;
    }
}

}  // namespace

std::uint32_t Rng::Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

float Rng::Bipolar() { return static_cast<float>(Next() >> 8) / 8388608.0f - 1.0f; }

Tuning TuneForRate(double rate) {
    const double semitones = 12.0 * std::log2(rate / kBaseRate);
    const double whole = std::floor(semitones + 0.5);
    // The player halves the finetune, so only even values count fully.
    const double finetune = 2.0 * std::round((semitones - whole) * 64.0);
    return {static_cast<std::int8_t>(whole), static_cast<std::int8_t>(std::clamp(finetune, -128.0, 126.0))};
}

double SemitoneRate(int semitones) { return kBaseRate * std::pow(2.0, semitones / 12.0); }

Wave HarmonicCycle(std::size_t frames, const std::vector<float>& amplitudes) {
    Wave wave(frames, 0.0f);
    for (std::size_t i = 0; i < frames; ++i) {
        double sum = 0.0;
        for (std::size_t k = 0; k < amplitudes.size(); ++k)
            sum += amplitudes[k] * std::sin(kTwoPi * static_cast<double>((k + 1) * i) / static_cast<double>(frames));
        wave[i] = static_cast<float>(sum);
    }
    Normalize(wave, 0.99f);
    return wave;
}

std::vector<float> SawHarmonics(int count, float soften) {
    std::vector<float> amplitudes;
    for (int k = 1; k <= count; ++k) amplitudes.push_back(std::exp(-k / soften) / static_cast<float>(k));
    return amplitudes;
}

std::vector<float> PulseHarmonics(int count, float duty, float soften) {
    std::vector<float> amplitudes;
    for (int k = 1; k <= count; ++k) {
        const double a = std::sin(std::numbers::pi * k * duty) / k;
        amplitudes.push_back(static_cast<float>(a * std::exp(-k / soften)));
    }
    return amplitudes;
}

// A sine whose pitch falls fast from a knock to a low boom, gently saturated.
Wave KickDrum(double rate) {
    const auto frames = static_cast<std::size_t>(rate * 0.30);
    Wave wave(frames);
    double phase = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = Seconds(i, rate);
        const double pitch = 47.0 + 125.0 * std::exp(-t / 0.032) + 260.0 * std::exp(-t / 0.004);
        const double level = std::exp(-t / 0.19);
        wave[i] = static_cast<float>(std::tanh(1.8 * level * std::sin(phase)) / std::tanh(1.8));
        phase += kTwoPi * pitch / rate;
    }
    FadeOut(wave, static_cast<std::size_t>(rate * 0.04));
    Normalize(wave, 0.99f);
    return wave;
}

// A short tonal body under a brighter noise burst with a longer tail.
Wave SnareDrum(double rate, Rng& rng) {
    const auto frames = static_cast<std::size_t>(rate * 0.24);
    Wave noise(frames);
    for (auto& value : noise) value = rng.Bipolar();
    HighPass(noise, 0.82f);
    Wave wave(frames);
    double phase = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = Seconds(i, rate);
        const double pitch = 178.0 + 70.0 * std::exp(-t / 0.012);
        const double body =
            std::sin(phase) * std::exp(-t / 0.045) + 0.45 * std::sin(1.62 * phase) * std::exp(-t / 0.03);
        const double hiss = noise[i] * (std::exp(-t / 0.06) + 0.25 * std::exp(-t / 0.16));
        wave[i] = static_cast<float>(0.62 * body + 0.95 * hiss);
        phase += kTwoPi * pitch / rate;
    }
    FadeIn(wave, 6);
    FadeOut(wave, static_cast<std::size_t>(rate * 0.03));
    Normalize(wave, 0.99f);
    return wave;
}

// Bright noise whose filter wraps around, so the loop joins without a seam.
Wave HatNoise(std::size_t frames, Rng& rng) {
    Wave white(frames);
    for (auto& value : white) value = rng.Bipolar();
    Wave wave(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const float before = white[(i + frames - 1) % frames];
        const float after = white[(i + 1) % frames];
        wave[i] = white[i] - 0.5f * (before + after);
    }
    Normalize(wave, 0.99f);
    return wave;
}

// Clangy square partials at inharmonic ratios, mixed into bright noise.
Wave CymbalNoise(double rate, std::size_t frames, Rng& rng) {
    constexpr double partials[] = {587.0, 845.0, 1171.0, 1493.0, 2217.0, 3163.0};
    Wave wave(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = Seconds(i, rate);
        double metal = 0.0;
        for (double pitch : partials) metal += std::sin(kTwoPi * pitch * t) >= 0.0 ? 1.0 : -1.0;
        wave[i] = static_cast<float>(0.10 * metal + 0.75 * rng.Bipolar());
    }
    HighPass(wave, 0.7f);
    Normalize(wave, 0.99f);
    return wave;
}

Wave DetunedPad(double rate, double pitch, std::size_t frames, Rng& rng) {
    constexpr double detuneCents[] = {-11.0, 0.0, 9.0};
    Wave wave(frames, 0.0f);
    for (double cents : detuneCents) {
        const double voicePitch = pitch * std::pow(2.0, cents / 1200.0);
        const double startPhase = kTwoPi * (rng.Next() % 1024) / 1024.0;
        for (int k = 1; k * voicePitch < rate * 0.42; ++k) {
            const double amplitude = std::exp(-k / 9.0) / k;
            for (std::size_t i = 0; i < frames; ++i) {
                const double phase = startPhase + kTwoPi * voicePitch * Seconds(i, rate);
                wave[i] += static_cast<float>(amplitude * std::sin(k * phase));
            }
        }
    }
    Normalize(wave, 0.99f);
    return wave;
}

void FadeIn(Wave& wave, std::size_t frames) {
    frames = std::min(frames, wave.size());
    for (std::size_t i = 0; i < frames; ++i) wave[i] *= static_cast<float>(i) / static_cast<float>(frames);
}

// Raised-cosine fade to silence over the last frames.
void FadeOut(Wave& wave, std::size_t frames) {
    frames = std::min(frames, wave.size());
    const std::size_t start = wave.size() - frames;
    for (std::size_t i = 0; i < frames; ++i) {
        const double x = static_cast<double>(i + 1) / static_cast<double>(frames);
        wave[start + i] *= static_cast<float>(0.5 + 0.5 * std::cos(std::numbers::pi * x));
    }
}

void Normalize(Wave& wave, float peak) {
    float largest = 0.0f;
    for (float value : wave) largest = std::max(largest, std::fabs(value));
    if (largest == 0.0f) return;
    for (auto& value : wave) value *= peak / largest;
}

std::size_t FlatSpotNear(const Wave& wave, std::size_t around, std::size_t radius) {
    const std::size_t first = around > radius ? around - radius : 0;
    const std::size_t last = std::min(around + radius, wave.size() - 2);
    std::size_t best = first;
    float bestScore = 1e9f;
    for (std::size_t i = first; i <= last; ++i) {
        // Flat slope matters most; among flat spots prefer a crest, where the
        // reflected wave also matches in curvature.
        const float slope = std::fabs(wave[i + 1] - wave[i]);
        const float score = slope - 0.05f * std::fabs(wave[i]);
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

std::vector<std::int16_t> To16Bit(const Wave& wave) {
    std::vector<std::int16_t> frames;
    frames.reserve(wave.size());
    for (float value : wave)
        frames.push_back(static_cast<std::int16_t>(std::clamp(std::lround(value * 32767.0f), -32768L, 32767L)));
    return frames;
}

std::vector<std::int16_t> To8Bit(const Wave& wave) {
    std::vector<std::int16_t> frames;
    frames.reserve(wave.size());
    for (float value : wave)
        frames.push_back(static_cast<std::int16_t>(std::clamp(std::lround(value * 127.0f), -128L, 127L) * 256));
    return frames;
}

}  // namespace zint::compose
