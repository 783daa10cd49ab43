#include "scenes/texture_generator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/angles.h"
#include "gfx/texture.h"
#include "scenes/random.h"

namespace zint {

namespace {

// The swirl leaves this radius around the centre untwisted.
constexpr float kSwirlCore = 16.0f;
constexpr int kSpecklePasses = 3;
constexpr int kSpeckleLevels = 100;
constexpr int kEmbossBias = 127;

int Truncate(float value) { return static_cast<int>(value); }

// A modulo whose result is 0..size-1 for negative values too.
int Wrap(int value, int size) {
    const int rest = value % size;
    return rest < 0 ? rest + size : rest;
}

}  // namespace

float IntegerNoise(std::int32_t n) {
    std::uint32_t m = static_cast<std::uint32_t>(n);
    m ^= m << 13;
    const std::uint32_t v = (m * (m * m * 15731u + 789221u) - 771171059u) & 0x7fffffffu;
    return static_cast<float>(1.0 - v / 1073741824.0);
}

std::uint8_t ClampByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

TextureGenerator::TextureGenerator() : pixels(static_cast<std::size_t>(layerBytes) * kGeneratorLayerCount, 0) {
    for (int k = 0; k < kGeneratorLayerCount; ++k) layers[k] = pixels.data() + k * layerBytes;
}

void TextureGenerator::UploadLayer(int layer, Texture& texture) const {
    texture.Upload(bytesPerPixel, width, height, pixelFormat, layers[layer]);
}

void TextureGenerator::ClearLayer(int layer) {
    const std::span<std::uint8_t> cleared = Layer(layer);
    std::fill(cleared.begin(), cleared.end(), 0);
}

void TextureGenerator::CopyLayer(int source, int destination) {
    if (source == destination) return;
    const std::span<std::uint8_t> from = Layer(source);
    std::copy(from.begin(), from.end(), layers[destination]);
}

void TextureGenerator::SineChannel(int layer, int channel, int xFrequency, int yFrequency) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float wave = std::cos(kTwoPi * xFrequency * x / width) + std::sin(kTwoPi * yFrequency * y / height);
            Pixel(layer, x, y)[channel] = ClampByte(128 + Truncate(63.5f * wave));
        }
    }
}

void TextureGenerator::NoiseLayer(int layer, int seed) {
    SeedRand(static_cast<std::uint32_t>(seed));
    // Negative values keep their low eight bits: -71 is stored as 185.
    for (std::uint8_t& value : Layer(layer)) value = static_cast<std::uint8_t>(Truncate(255.0f * IntegerNoise(Rand())));
}

void TextureGenerator::Speckle(int layer, int seed, int redGain, int greenGain, int blueGain) {
    SeedRand(static_cast<std::uint32_t>(seed));
    for (int n = 0; n < width * height; ++n) {
        const int y = Rand() % height;
        const int x = Rand() % width;
        std::uint8_t* pixel = Pixel(layer, x, y);
        for (int c = 0; c < bytesPerPixel; ++c) pixel[c] = static_cast<std::uint8_t>(Rand() % kSpeckleLevels);
    }
    for (int pass = 0; pass < kSpecklePasses; ++pass) BlurPass(layer, layer);
    const int gains[] = {redGain, greenGain, blueGain};
    std::span<std::uint8_t> bytes = Layer(layer);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = ClampByte(bytes[i] * gains[i % bytesPerPixel]);
}

void TextureGenerator::Blur(int source, int destination, int passes) {
    for (int pass = 0; pass < passes; ++pass) BlurPass(source, destination);
}

// Each value is the mean of the same channel of four neighbours: the rows
// above and below (wrapping top to bottom) and the previous and next pixel in
// row-major order, which at a row's end lies in the adjacent row. Only the
// very first and very last pixels wrap within their own row.
void TextureGenerator::BlurPass(int source, int destination) {
    const std::uint8_t* from = layers[source];
    std::uint8_t* to = layers[destination];
    const int lastPixel = layerPixels - 1;
    for (int i = 0; i < layerPixels; ++i) {
        const int x = i % width;
        const int y = i / width;
        const int neighbours[] = {
            Wrap(y - 1, height) * width + x,               // up
            Wrap(y + 1, height) * width + x,               // down
            i == 0 ? width - 1 : i - 1,                    // left
            i == lastPixel ? lastPixel - (width - 1) : i + 1,  // right
        };
        for (int c = 0; c < bytesPerPixel; ++c) {
            int sum = 0;
            for (const int n : neighbours) sum += from[n * bytesPerPixel + c];
            to[i * bytesPerPixel + c] = static_cast<std::uint8_t>(sum >> 2);
        }
    }
}

void TextureGenerator::RadialGlow(int layer, int red, int green, int blue) {
    const float factors[] = {red / 128.0f, green / 128.0f, blue / 128.0f};
    // Summed step by step, as the textures were made.
    const float xStep = 1.0f / static_cast<float>(width / 2);
    const float yStep = 1.0f / static_cast<float>(height / 2);
    float ny = -1.0f;
    for (int y = 0; y < height; ++y, ny += yStep) {
        float nx = -1.0f;
        for (int x = 0; x < width; ++x, nx += xStep) {
            const float v = 1.0f - std::sin(std::sqrt(nx * nx + ny * ny));
            std::uint8_t* pixel = Pixel(layer, x, y);
            for (int c = 0; c < bytesPerPixel; ++c) pixel[c] = ClampByte(Truncate(v * factors[c] * 255.0f));
        }
    }
}

template <typename SourceOf>
void TextureGenerator::Remap(int source, int destination, SourceOf sourceOf) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto [sourceX, sourceY] = sourceOf(x, y);
            // Copied channel by channel: in place, the source may be this pixel.
            const std::uint8_t* from = Pixel(source, sourceX, sourceY);
            std::uint8_t* to = Pixel(destination, x, y);
            for (int c = 0; c < bytesPerPixel; ++c) to[c] = from[c];
        }
    }
}

void TextureGenerator::ShiftLayer(int source, int destination, int xOffset, int yOffset) {
    if (source == destination) return;
    Remap(source, destination, [&](int x, int y) {
        return std::pair{Wrap(x + xOffset, width), Wrap(y + yOffset, height)};
    });
}

void TextureGenerator::MultiplyLayers(int sourceA, int sourceB, int destination) {
    const std::uint8_t* a = layers[sourceA];
    const std::uint8_t* b = layers[sourceB];
    std::uint8_t* to = layers[destination];
    for (int i = 0; i < layerBytes; ++i) to[i] = ClampByte(Truncate(b[i] * (1.0f / 256.0f) * a[i]));
}

void TextureGenerator::Plasma(int layer, int amplitudeHigh, int amplitudeLow) {
    const int amplitude = std::max(amplitudeHigh * 256 + amplitudeLow, 1);
    for (int c = 0; c < bytesPerPixel; ++c) {
        Pixel(layer, 0, 0)[c] = static_cast<std::uint8_t>(Rand() & 0xff);
        PlasmaSubdivide(layer, c, 0, 0, width, height, amplitude);
    }
}

void TextureGenerator::PlasmaSubdivide(int layer, int channel, int x0, int y0, int x1, int y1, int amplitude) {
    amplitude = std::max(amplitude, 1);
    const int half = amplitude >> 1;
    auto at = [&](int x, int y) -> std::uint8_t& { return Pixel(layer, x % width, y % height)[channel]; };
    const int topLeft = at(x0, y0);
    const int topRight = at(x1, y0);
    const int bottomLeft = at(x0, y1);
    const int bottomRight = at(x1, y1);
    const int xm = x0 + (x1 - x0) / 2;
    const int ym = y0 + (y1 - y0) / 2;
    // Every point draws a number, even one that is already set, so the
    // sequence does not depend on which points were set before.
    auto displace = [&](int x, int y, int average) {
        const int value = std::clamp(Rand() % amplitude + average - half, 1, 255);
        std::uint8_t& point = at(x, y);
        if (point == 0) point = static_cast<std::uint8_t>(value);
    };
    displace(xm, y0, (topLeft + topRight) / 2);
    displace(xm, y1, (bottomLeft + bottomRight) / 2);
    displace(x0, ym, (topLeft + bottomLeft) / 2);
    displace(x1, ym, (bottomRight + topRight) / 2);
    displace(xm, ym, (topLeft + topRight + bottomLeft + bottomRight) / 4);
    if (x1 - x0 > 2) {
        PlasmaSubdivide(layer, channel, x0, y0, xm, ym, half);
        PlasmaSubdivide(layer, channel, xm, y0, x1, ym, half);
        PlasmaSubdivide(layer, channel, x0, ym, xm, y1, half);
        PlasmaSubdivide(layer, channel, xm, ym, x1, y1, half);
    }
}

void TextureGenerator::Swirl(int source, int destination) {
    const float cx = width * 0.5f;
    const float cy = height * 0.5f;
    const float radius = std::sqrt(cx * cx + cy * cy);
    Remap(source, destination, [&](int x, int y) {
        const float dx = cx - x;
        const float dy = cy - y;
        const float r = std::sqrt(dx * dx + dy * dy);
        const float twist = std::max(r - kSwirlCore, 0.0f);
        const float angle = std::atan2(dx, dy) + kPi * twist / radius;
        const int u = Truncate(std::cos(angle) * dx - std::sin(angle) * dy);
        const int v = Truncate(std::sin(angle) * dx + std::cos(angle) * dy);
        return std::pair{Wrap(x + u, width), Wrap(y + v, height)};
    });
}

// The row index goes with the x frequency and the column index with the y
// frequency: that pairing shaped the stored textures.
void TextureGenerator::WaveWarp(int source, int destination, int xFrequency, int yFrequency, int xAmplitude,
                                int yAmplitude) {
    const float kx = kTwoPi * xFrequency / width;
    const float ky = kTwoPi * yFrequency / height;
    Remap(source, destination, [&](int x, int y) {
        const float rowShift = xAmplitude * std::sin(y * kx);
        return std::pair{Wrap(Truncate(x + rowShift), width), Wrap(Truncate(y + yAmplitude * std::cos(x * ky)), height)};
    });
}

void TextureGenerator::InvertLayer(int source, int destination) {
    const std::uint8_t* from = layers[source];
    std::uint8_t* to = layers[destination];
    for (int i = 0; i < layerBytes; ++i) to[i] = static_cast<std::uint8_t>(255 - from[i]);
}

void TextureGenerator::Emboss(int source, int destination) {
    for (int y = 0; y < height; ++y) {
        const int above = Wrap(y - 1, height);
        const int below = Wrap(y + 1, height);
        for (int x = 0; x < width; ++x) {
            const int left = Wrap(x - 1, width);
            const int right = Wrap(x + 1, width);
            std::uint8_t* to = Pixel(destination, x, y);
            for (int c = 0; c < bytesPerPixel; ++c) {
                auto at = [&](int sx, int sy) { return static_cast<int>(Pixel(source, sx, sy)[c]); };
                const int gradient = at(right, above) + at(right, y) + at(right, below) - at(left, above) -
                                     at(left, y) - at(left, below);
                to[c] = ClampByte(gradient + kEmbossBias);
            }
        }
    }
}

void TextureGenerator::SineWarp(int source, int destination, int xFrequency, int yFrequency, int xAmplitude,
                                int yAmplitude) {
    const float kx = kTwoPi * xFrequency / width;
    const float ky = kTwoPi * yFrequency / height;
    Remap(source, destination, [&](int x, int y) {
        return std::pair{Wrap(Truncate(x + xAmplitude * std::sin(x * kx)), width),
                         Wrap(Truncate(y + yAmplitude * std::sin(y * ky)), height)};
    });
}

namespace {

// How many of an operation's leading parameters name layers.
constexpr std::array<int, kTextureOpCount> kLayerParameters = {1, 1, 2, 1, 1, 1, 2, 1, 2, 3, 1, 2, 2, 2, 2, 2};

bool ParametersInRange(TextureOp op, const std::uint8_t* p) {
    for (int i = 1; i <= kLayerParameters[static_cast<int>(op)]; ++i) {
        if (p[i] >= kGeneratorLayerCount) return false;
    }
    return op != TextureOp::SineChannel || p[2] < kGeneratorBytesPerPixel;
}

// p[0] is the opcode, p[1]..p[7] the parameters.
void RunOperation(TextureGenerator& g, const std::uint8_t* p, const LayerUpload& upload) {
    if (p[0] >= kTextureOpCount) return;
    const auto op = static_cast<TextureOp>(p[0]);
    if (!ParametersInRange(op, p)) return;
    switch (op) {
        case TextureOp::UploadLayer: upload(g, p[1]); break;
        case TextureOp::ClearLayer: g.ClearLayer(p[1]); break;
        case TextureOp::CopyLayer: g.CopyLayer(p[1], p[2]); break;
        case TextureOp::SineChannel: g.SineChannel(p[1], p[2], p[3], p[4]); break;
        case TextureOp::NoiseLayer: g.NoiseLayer(p[1], p[2]); break;
        case TextureOp::Speckle: g.Speckle(p[1], p[2], p[3], p[4], p[5]); break;
        case TextureOp::Blur: g.Blur(p[1], p[2], p[3]); break;
        case TextureOp::RadialGlow: g.RadialGlow(p[1], p[2], p[3], p[4]); break;
        case TextureOp::ShiftLayer: g.ShiftLayer(p[1], p[2], p[3], p[4]); break;
        case TextureOp::MultiplyLayers: g.MultiplyLayers(p[1], p[2], p[3]); break;
        case TextureOp::Plasma: g.Plasma(p[1], p[2], p[3]); break;
        case TextureOp::Swirl: g.Swirl(p[1], p[2]); break;
        case TextureOp::WaveWarp: g.WaveWarp(p[1], p[2], p[3], p[4], p[5], p[6]); break;
        case TextureOp::InvertLayer: g.InvertLayer(p[1], p[2]); break;
        case TextureOp::Emboss: g.Emboss(p[1], p[2]); break;
        case TextureOp::SineWarp: g.SineWarp(p[1], p[2], p[3], p[4], p[5], p[6]); break;
    }
}

std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

bool RunTextureScript(TextureGenerator& generator, const MemoryFile& script, const LayerUpload& upload) {
    std::fill(generator.pixels.begin(), generator.pixels.end(), 0);
    if (script.data == nullptr || script.size < kTextureScriptHeaderBytes) return false;
    const std::uint8_t* bytes = script.data;
    if (ReadLittleEndian32(bytes) != kTextureScriptMagic || bytes[4] != kTextureScriptVersion) return false;
    const int count = static_cast<std::int8_t>(bytes[5]);
    const std::size_t available = (script.size - kTextureScriptHeaderBytes) / kTextureOperationBytes;
    const std::size_t operations = std::min(static_cast<std::size_t>(std::max(count, 0)), available);
    for (std::size_t i = 0; i < operations; ++i) {
        RunOperation(generator, bytes + kTextureScriptHeaderBytes + i * kTextureOperationBytes, upload);
    }
    return true;
}

bool RunTextureScript(TextureGenerator& generator, const MemoryFile& script, Texture& texture) {
    return RunTextureScript(generator, script,
                            [&texture](const TextureGenerator& g, int layer) { g.UploadLayer(layer, texture); });
}

}  // namespace zint
