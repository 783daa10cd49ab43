#include "scenes/texture_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "scenes/random.h"

namespace zint {
namespace {

constexpr int kSize = kGeneratorSize;
using Bytes = std::vector<std::uint8_t>;
using Point = std::pair<int, int>;

Bytes Copy(const TextureGenerator& g, int layer) { return {g.Layer(layer).begin(), g.Layer(layer).end()}; }

std::vector<int> Channels(TextureGenerator& g, int layer, int x, int y) {
    return {g.Pixel(layer, x, y), g.Pixel(layer, x, y) + 3};
}

// Channel 0 = x, channel 1 = y, channel 2 = x ^ y: a remap's result names its source.
void FillCoordinates(TextureGenerator& g, int layer) {
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) std::ranges::copy(std::array{x, y, x ^ y}, g.Pixel(layer, x, y));
    }
}

Point SourceOf(TextureGenerator& g, int layer, int x, int y) {
    const std::uint8_t* p = g.Pixel(layer, x, y);
    EXPECT_EQ(p[2], p[0] ^ p[1]) << "not a whole source pixel at " << x << "," << y;
    return {p[0], p[1]};
}

// A script of the operations given; its version and its magic's second byte may be made wrong.
Bytes Script(const std::vector<std::array<std::uint8_t, 8>>& operations, int count, std::uint8_t version = 4,
             std::uint8_t magic = 0x3C) {
    Bytes bytes = {0x94, magic, 0x00, 0x00, version, static_cast<std::uint8_t>(count)};
    for (const auto& op : operations) bytes.insert(bytes.end(), op.begin(), op.end());
    return bytes;
}

// The layers uploaded from the script's first size - cut bytes, or -1 for a refused script.
std::vector<int> RunScript(TextureGenerator& g, const Bytes& script, std::size_t cut = 0) {
    std::vector<int> uploads;
    const MemoryFile record{0, static_cast<std::uint32_t>(script.size() - cut), script.data()};
    if (!RunTextureScript(g, record, [&](const TextureGenerator&, int layer) { uploads.push_back(layer); })) {
        uploads.push_back(-1);
    }
    return uploads;
}

// The seed whose first draw is 0: the inverse of the generator's step.
std::uint32_t SeedOfAZeroDraw() {
    std::uint32_t inverse = 1103515245u;
    for (int i = 0; i < 5; ++i) inverse *= 2u - 1103515245u * inverse;
    return (0u - 12345u) * inverse;
}

// Out-of-range layers or channels and unknown opcodes are skipped, not the script.
TEST(TextureScript, RefusesBadHeadersRunsNoCountStopsAtTheEndAndSkipsBadOperationsAlwaysZeroingFirst) {
    const std::vector<std::array<std::uint8_t, 8>> uploads123 = {{0, 1}, {0, 2}, {0, 3}};
    const Bytes three = Script(uploads123, 100);
    const Bytes skipped = Script({{16, 0}, {255, 0}, {0, 4}, {3, 0, 3, 0, 0}, {3, 4, 0, 0, 0}, {9, 0, 0, 4}, {2, 0, 9},
                                  {13, 0, 200}, {0, 0}},
                                 9);
    struct Case {
        Bytes script;
        std::size_t cut;
        std::vector<int> uploads;
    };
    for (const auto& [script, cut, uploads] :
         {Case{Script(uploads123, 100, 4, 0x3D), 0, {-1}}, {Script(uploads123, 100, 3), 0, {-1}},
          {three, three.size() - 5, {-1}}, {three, 0, {1, 2, 3}},
          {three, 1, {1, 2}},  // the third operation is cut short
          {Script({{0, 1}}, 0x00), 0, {}}, {Script({{0, 1}}, 0x80), 0, {}}, {Script({{0, 1}}, 0xFF), 0, {}},
          {skipped, 0, {0}}}) {
        TextureGenerator g;
        std::ranges::fill(g.pixels, 0x5A);
        EXPECT_EQ(RunScript(g, script, cut), uploads) << cut << " " << int(script[5]);
        EXPECT_EQ(std::ranges::count(g.pixels, 0), std::ssize(g.pixels));
    }
}

// Checks the interpreter's parameter order, not the operations.
TEST(TextureScript, HandsEachOperationItsParametersInOrder) {
    TextureGenerator scripted;
    SeedRand(5);
    const auto uploads =
        RunScript(scripted, Script({{3, 0, 1, 2, 3}, {7, 1, 200, 100, 50}, {8, 0, 2, 5, 7}, {5, 3, 9, 2, 3, 4},
                                    {15, 3, 1, 2, 3, 20, 10}, {12, 2, 0, 3, 1, 9, 4}, {6, 1, 2, 2}, {9, 0, 3, 1},
                                    {4, 2, 77}, {10, 3, 1, 2}, {11, 3, 0}, {13, 1, 3}, {14, 3, 2}, {1, 1}, {0, 3}},
                                   15));
    TextureGenerator direct;
    SeedRand(5);
    direct.SineChannel(0, 1, 2, 3);
    direct.RadialGlow(1, 200, 100, 50);
    direct.ShiftLayer(0, 2, 5, 7);
    direct.Speckle(3, 9, 2, 3, 4);
    direct.SineWarp(3, 1, 2, 3, 20, 10);
    direct.WaveWarp(2, 0, 3, 1, 9, 4);
    direct.Blur(1, 2, 2);
    direct.MultiplyLayers(0, 3, 1);
    direct.NoiseLayer(2, 77);
    direct.Plasma(3, 1, 2);
    direct.Swirl(3, 0);
    direct.InvertLayer(1, 3);
    direct.Emboss(3, 2);
    direct.ClearLayer(1);
    EXPECT_EQ(uploads, (std::vector<int>{3}));
    EXPECT_EQ(scripted.pixels, direct.pixels);
}

// Blurs an impulse of 200 in channel 1 at (px, py) into another layer and
// returns the pixels that received 50 from it.
std::set<Point> BlurReceivers(int px, int py) {
    TextureGenerator g;
    g.Pixel(0, px, py)[1] = 200;
    g.Blur(0, 1, 1);
    std::set<Point> receivers;
    for (int i = 0; i < g.layerBytes; ++i) {
        const int value = g.layers[1][i];
        if (value == 50 && i % 3 == 1) receivers.insert({i / 3 % kSize, i / 3 / kSize});
        else EXPECT_EQ(value, 0) << i;
    }
    return receivers;
}

TEST(TextureOperations, BlurReadsRowMajorNeighboursWithTwoCornerExceptionsAndCompoundsInPlace) {
    using Set = std::set<Point>;
    EXPECT_EQ(BlurReceivers(5, 5), (Set{{5, 4}, {5, 6}, {4, 5}, {6, 5}}));
    // End of row 0: the next pixel in row-major order, and (0, 0) whose left wraps within row 0.
    EXPECT_EQ(BlurReceivers(255, 0), (Set{{255, 1}, {255, 255}, {254, 0}, {0, 1}, {0, 0}}));
    // Start of the last row: also the very last pixel, whose right wraps within its row.
    EXPECT_EQ(BlurReceivers(0, 255), (Set{{0, 0}, {0, 254}, {1, 255}, {255, 254}, {255, 255}}));
    EXPECT_EQ(BlurReceivers(0, 0), (Set{{0, 1}, {0, 255}, {1, 0}}));
    EXPECT_EQ(BlurReceivers(255, 255), (Set{{255, 0}, {255, 254}, {254, 255}}));

    TextureGenerator g;
    g.NoiseLayer(0, 3);
    g.Blur(0, 1, 1);
    const Bytes once = Copy(g, 1);
    g.Blur(0, 1, 3);
    EXPECT_EQ(Copy(g, 1), once) << "passes between layers repeat the same pass";
    // In place, later pixels read the values already written.
    g.ClearLayer(2);
    g.Pixel(2, 5, 5)[0] = 200;
    g.Blur(2, 2, 1);
    const std::vector<int> got{g.Pixel(2, 5, 4)[0], g.Pixel(2, 4, 5)[0], g.Pixel(2, 5, 5)[0], g.Pixel(2, 6, 4)[0],
                               g.Pixel(2, 6, 5)[0]};
    EXPECT_EQ(got, (std::vector<int>{50, 50, 25, 12, 9}));
}

TEST(TextureOperations, PlasmaFillsEveryPointOnceDrawingForEveryValueStoredOrNot) {
    // Per channel: the first corner, then five values in each of the
    // 1 + 4 + ... + 4^7 squares from 256 down to 2.
    constexpr int kDraws = 3 * (1 + 5 * (1 + 4 + 16 + 64 + 256 + 1024 + 4096 + 16384));
    SeedRand(9);
    for (int i = 0; i < kDraws; ++i) Rand();
    const int next = Rand();
    TextureGenerator g;
    std::ranges::fill(g.Layer(1), 77);
    for (int layer : {0, 1}) {
        SeedRand(9);
        g.Plasma(layer, 4, 1);
        EXPECT_EQ(Rand(), next);
    }
    EXPECT_EQ(std::ranges::count(g.Layer(0).subspan(3), 0), 0) << "every pixel but (0, 0) is set";
    EXPECT_EQ(std::ranges::count(g.Layer(1).subspan(3), 77), g.layerBytes - 3) << "set points never change";
    // Amplitude 0 acts as 1, which spreads the first value; a first value of 0 gives 1 elsewhere.
    g.Plasma(2, 0, 0);
    for (int c = 0; c < 3; ++c) {
        const int first = std::max<int>(g.Pixel(2, 0, 0)[c], 1);
        for (int i = 1; i < g.layerPixels; ++i) ASSERT_EQ(g.layers[2][i * 3 + c], first) << i;
    }
}

TEST(TextureOperations, SineNoiseSpeckleAndGlowWriteTheirValues) {
    TextureGenerator g;
    std::ranges::fill(g.pixels, 0x5A);
    g.SineChannel(0, 1, 0, 0);
    EXPECT_EQ(std::ranges::count(g.Layer(0), 191), g.layerPixels);
    EXPECT_EQ(Channels(g, 0, 7, 9), (std::vector<int>{0x5A, 191, 0x5A})) << "channel 1 only";
    g.SineChannel(0, 2, 1, 1);
    EXPECT_EQ(std::vector<int>({g.Pixel(0, 0, 64)[2], g.Pixel(0, 128, 192)[2], g.Pixel(0, 128, 0)[2]}),
              (std::vector<int>{255, 1, 65}));

    for (const auto& [n, noise] : {std::pair{0, -0.28179f}, {1, -0.22637f}, {-1, 0.90013f}}) {
        EXPECT_NEAR(IntegerNoise(n), noise, 1e-5f) << n;
    }
    g.NoiseLayer(1, static_cast<int>(SeedOfAZeroDraw()));
    EXPECT_EQ(g.Pixel(1, 0, 0)[0], 185) << "trunc(255 * -0.28179) keeps its low eight bits";

    g.Speckle(2, 21, 1, 1, 1);
    g.Speckle(3, 21, 0, 2, 255);
    for (int i = 0; i < g.layerPixels; ++i) {
        const std::uint8_t* plain = g.layers[2] + i * 3;
        ASSERT_LT(std::max({plain[0], plain[1], plain[2]}), 100);
        ASSERT_EQ(Channels(g, 3, i % kSize, i / kSize), (std::vector<int>{0, 2 * plain[1], plain[2] ? 255 : 0}));
    }
    EXPECT_GT(std::ranges::count_if(g.Layer(2), [](int v) { return v > 0; }), g.layerBytes / 2);

    g.RadialGlow(0, 128, 64, 0);
    EXPECT_EQ(Channels(g, 0, 128, 128), (std::vector<int>{255, 127, 0}));
    // 1 - sin(r) at r = sqrt 2 in the corner, 1 at the left edge, 0.5 halfway out.
    EXPECT_EQ(std::vector<int>({g.Pixel(0, 0, 0)[0], g.Pixel(0, 0, 128)[0], g.Pixel(0, 192, 128)[0]}),
              (std::vector<int>{3, 40, 132}));
}

TEST(TextureOperations, CopyShiftMultiplyInvertAndEmbossStayInByteRange) {
    TextureGenerator g;
    FillCoordinates(g, 0);
    const Bytes coordinates = Copy(g, 0);
    g.ShiftLayer(0, 0, 3, 5);
    EXPECT_EQ(Copy(g, 0), coordinates) << "onto itself a shift changes nothing";
    g.CopyLayer(0, 1);
    EXPECT_EQ(Copy(g, 1), coordinates);
    g.ShiftLayer(0, 2, 3, 250);
    EXPECT_EQ(SourceOf(g, 2, 0, 0), Point(3, 250));
    EXPECT_EQ(SourceOf(g, 2, 253, 10), Point(0, 4)) << "wraps around both edges";

    std::ranges::fill(g.Layer(0), 255);
    std::ranges::fill(g.Layer(2), 128);
    g.MultiplyLayers(0, 0, 1);
    g.MultiplyLayers(2, 2, 2);
    EXPECT_EQ(std::pair(Channels(g, 1, 7, 9)[1], Channels(g, 2, 7, 9)[1]), std::pair(254, 64));
    g.NoiseLayer(3, 8);
    g.InvertLayer(3, 0);
    EXPECT_EQ(255 - g.layers[0][1000], g.layers[3][1000]);
    EXPECT_EQ(std::vector<int>({ClampByte(-1), ClampByte(255), ClampByte(256)}), (std::vector<int>{0, 255, 255}));

    // A horizontal gradient over 3 x 3 that wraps all edges.
    g.ClearLayer(0);
    g.Pixel(0, 0, 0)[0] = 10;
    g.Pixel(0, 0, 0)[1] = 255;
    g.Emboss(0, 1);
    Bytes expected(g.layerBytes, 127);
    for (const int y : {255, 0, 1}) {
        std::ranges::copy(std::array{137, 255}, expected.begin() + (y * kSize + 255) * 3);
        std::ranges::copy(std::array{117, 0}, expected.begin() + (y * kSize + 1) * 3);
    }
    EXPECT_TRUE(Copy(g, 1) == expected);
}

TEST(TextureOperations, RemapsMoveEachPixelFromWhereTheirWavesSay) {
    TextureGenerator g;
    FillCoordinates(g, 0);
    g.Swirl(0, 1);
    for (int y = 112; y <= 144; ++y) {
        for (int x = 112; x <= 144; ++x) {
            const float r = std::hypot(128.0f - x, 128.0f - y);
            if (r > 16.0f) continue;
            // Without twist the offset is (0, r): the angle turns (dx, dy) onto the y axis.
            const auto [sx, sy] = SourceOf(g, 1, x, y);
            EXPECT_LE(std::abs(sx - x) + std::abs(sy - (y + static_cast<int>(r))), 1) << x << "," << y;
        }
    }
    // At radius 100 straight above the centre the twist is pi * 84 / 181 radians.
    EXPECT_EQ(SourceOf(g, 1, 128, 28), Point(29, 39));

    // The wave warp pairs rows with the x frequency and columns with the y
    // one; with zero frequencies it shifts by the y amplitude. At (3, 160)
    // 3 - 11.3 truncates toward zero, and the sine warp's 5 + 1.96 at (5, 0) too.
    struct Case {
        bool sine;
        int xFrequency, yFrequency, xAmplitude, yAmplitude, x, y;
        Point source;
    };
    for (const Case& c : {Case{false, 0, 0, 16, 16, 7, 250, {7, 10}}, {false, 1, 0, 16, 0, 3, 64, {19, 64}},
                          {false, 1, 0, 16, 0, 3, 160, {248, 160}}, {false, 0, 1, 0, 16, 128, 5, {128, 245}},
                          {true, 0, 0, 16, 16, 9, 200, {9, 200}}, {true, 1, 1, 16, 8, 64, 64, {80, 72}},
                          {true, 1, 1, 16, 8, 192, 192, {176, 184}}, {true, 1, 1, 16, 8, 5, 0, {6, 0}}}) {
        if (c.sine) g.SineWarp(0, 1, c.xFrequency, c.yFrequency, c.xAmplitude, c.yAmplitude);
        else g.WaveWarp(0, 1, c.xFrequency, c.yFrequency, c.xAmplitude, c.yAmplitude);
        EXPECT_EQ(SourceOf(g, 1, c.x, c.y), c.source) << c.sine << " at " << c.x << "," << c.y;
    }
}

// Reseeding restarts the sequence: the plasma test relies on it.
TEST(Random, SpansZeroToItsMaximum) {
    SeedRand(7);
    std::set<int> values;
    for (int i = 0; i < (1 << 20); ++i) values.insert(Rand());
    EXPECT_EQ(std::pair(*values.begin(), *values.rbegin()), std::pair(0, kRandMax));
}

}  // namespace
}  // namespace zint
