#include "scenes/texture_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "data/items.h"
#include "scenes/random.h"

namespace zint {
namespace {

constexpr int kSize = kGeneratorSize;
using Bytes = std::vector<std::uint8_t>;
using Operation = std::array<std::uint8_t, 8>;
using Point = std::pair<int, int>;

Bytes Copy(const TextureGenerator& g, int layer) { return {g.Layer(layer).begin(), g.Layer(layer).end()}; }

// Channel 0 = x, channel 1 = y, channel 2 = x ^ y: a remap's result names its source.
void FillCoordinates(TextureGenerator& g, int layer) {
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            std::uint8_t* p = g.Pixel(layer, x, y);
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x ^ y);
        }
    }
}

Point SourceOf(TextureGenerator& g, int layer, int x, int y) {
    const std::uint8_t* p = g.Pixel(layer, x, y);
    EXPECT_EQ(p[2], p[0] ^ p[1]) << "not a whole source pixel at " << x << "," << y;
    return {p[0], p[1]};
}

Bytes Script(const std::vector<Operation>& operations, int count) {
    Bytes bytes = {0x94, 0x3C, 0x00, 0x00, 0x04, static_cast<std::uint8_t>(count)};
    for (const Operation& op : operations) bytes.insert(bytes.end(), op.begin(), op.end());
    return bytes;
}

MemoryFile Record(const Bytes& bytes) { return {0, static_cast<std::uint32_t>(bytes.size()), bytes.data()}; }

// The layers uploaded, or -1 for a refused script.
std::vector<int> RunScript(TextureGenerator& g, const MemoryFile& script) {
    std::vector<int> uploads;
    if (!RunTextureScript(g, script, [&](const TextureGenerator&, int layer) { uploads.push_back(layer); })) {
        uploads.push_back(-1);
    }
    return uploads;
}

TEST(TextureScript, RefusesBadHeadersRunsNoCountAndStopsAtTheEndAlwaysZeroingFirst) {
    Bytes badMagic = Script({{0, 0}}, 1);
    badMagic[1] = 0x3D;
    Bytes badVersion = Script({{0, 0}}, 1);
    badVersion[4] = 3;
    const std::vector<std::pair<Bytes, std::vector<int>>> cases{
        {badMagic, {-1}},
        {badVersion, {-1}},
        {{0x94, 0x3C, 0x00, 0x00, 0x04}, {-1}},
        {Script({{0, 1}}, 0x00), {}},
        {Script({{0, 1}}, 0x80), {}},  // the count is signed
        {Script({{0, 1}}, 0xFF), {}},
        {Script({{0, 1}, {0, 2}, {0, 3}}, 100), {1, 2, 3}},
    };
    for (const auto& [script, uploads] : cases) {
        TextureGenerator g;
        std::ranges::fill(g.pixels, 0x5A);
        EXPECT_EQ(RunScript(g, Record(script)), uploads);
        EXPECT_TRUE(std::ranges::all_of(g.pixels, [](auto b) { return b == 0; }));
    }
    TextureGenerator g;
    const Bytes cut = Script({{0, 1}, {0, 2}, {0, 3}}, 100);
    EXPECT_EQ(RunScript(g, {0, static_cast<std::uint32_t>(cut.size() - 1), cut.data()}), (std::vector<int>{1, 2}))
        << "the third operation is cut short";
}

TEST(TextureScript, SkipsUnknownOpcodesAndOutOfRangeLayersOrChannels) {
    TextureGenerator g;
    const auto uploads = RunScript(g, Record(Script({{16, 0}, {255, 0}, {0, 4}, {3, 0, 3, 0, 0}, {3, 4, 0, 0, 0},
                                                     {7, 0, 128, 128, 128}, {9, 0, 0, 4}, {2, 0, 9}, {13, 0, 200},
                                                     {0, 0}},
                                                    10)));
    EXPECT_EQ(uploads, (std::vector<int>{0}));
    EXPECT_EQ(g.Pixel(0, 128, 128)[0], 255) << "the in-range glow ran";
    for (int layer = 1; layer < 4; ++layer) EXPECT_EQ(Copy(g, layer), Bytes(g.layerBytes, 0)) << layer;
}

TEST(TextureScript, HandsEachOperationItsParametersInOrder) {
    TextureGenerator scripted;
    SeedRand(5);
    const auto uploads = RunScript(
        scripted, Record(Script({{3, 0, 1, 2, 3}, {7, 1, 200, 100, 50}, {8, 0, 2, 5, 7}, {5, 3, 9, 2, 3, 4},
                                 {15, 3, 1, 2, 3, 20, 10}, {12, 2, 0, 3, 1, 9, 4}, {6, 1, 2, 2}, {9, 0, 3, 1},
                                 {4, 2, 77}, {10, 3, 1, 2}, {11, 3, 0}, {13, 1, 3}, {14, 3, 2}, {1, 1}, {0, 3}},
                                15)));
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
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const std::uint8_t* p = g.Pixel(1, x, y);
            EXPECT_EQ(p[0] + p[2], 0);
            if (p[1] == 50) receivers.insert({x, y});
            else EXPECT_EQ(p[1], 0) << x << "," << y;
        }
    }
    return receivers;
}

TEST(TextureOperations, BlurReadsRowMajorNeighboursWithTwoCornerExceptions) {
    using Set = std::set<Point>;
    EXPECT_EQ(BlurReceivers(5, 5), (Set{{5, 4}, {5, 6}, {4, 5}, {6, 5}}));
    // End of row 0: the next pixel in row-major order, and (0, 0) whose left wraps within row 0.
    EXPECT_EQ(BlurReceivers(255, 0), (Set{{255, 1}, {255, 255}, {254, 0}, {0, 1}, {0, 0}}));
    // Start of the last row: also the very last pixel, whose right wraps within its row.
    EXPECT_EQ(BlurReceivers(0, 255), (Set{{0, 0}, {0, 254}, {1, 255}, {255, 254}, {255, 255}}));
    EXPECT_EQ(BlurReceivers(0, 0), (Set{{0, 1}, {0, 255}, {1, 0}}));
    EXPECT_EQ(BlurReceivers(255, 255), (Set{{255, 0}, {255, 254}, {254, 255}}));
}

TEST(TextureOperations, BlurPassesRepeatBetweenLayersAndCompoundInPlace) {
    TextureGenerator g;
    g.NoiseLayer(0, 3);
    const Bytes noise = Copy(g, 0);
    g.Blur(0, 1, 0);
    EXPECT_EQ(Copy(g, 1), Bytes(noise.size(), 0));
    g.Blur(0, 1, 1);
    const Bytes once = Copy(g, 1);
    g.Blur(0, 1, 3);
    EXPECT_EQ(Copy(g, 1), once);
    EXPECT_EQ(Copy(g, 0), noise);
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

    // Amplitude 0 or 1 spreads the first value, and a first value of 0 gives 1 elsewhere.
    for (const auto& [high, low] : {Point{0, 0}, Point{0, 1}}) {
        g.ClearLayer(2);
        SeedRand(11);
        g.Plasma(2, high, low);
        for (int c = 0; c < 3; ++c) {
            const int first = std::max<int>(g.Pixel(2, 0, 0)[c], 1);
            for (int i = 1; i < g.layerPixels; ++i) ASSERT_EQ(g.layers[2][i * 3 + c], first) << i;
        }
    }
    g.ClearLayer(3);
    g.PlasmaSubdivide(3, 2, 0, 0, kSize, kSize, 1);
    EXPECT_EQ(g.Pixel(3, 0, 0)[2], 0);
    EXPECT_EQ(std::ranges::count(g.Layer(3), 1), g.layerPixels - 1);
}

TEST(TextureOperations, PlasmaSubdivideAveragesItsCornersIntoUnsetPoints) {
    TextureGenerator g;
    for (const auto& [x, y, value] : {std::array{0, 0, 10}, {2, 0, 11}, {0, 2, 12}, {2, 2, 14}, {1, 2, 200}}) {
        g.Pixel(0, x, y)[1] = static_cast<std::uint8_t>(value);
    }
    g.PlasmaSubdivide(0, 1, 0, 0, 2, 2, 1);
    // (1, 2) was set; the centre is 47 / 4; a square of 2 does not recurse to (3, 3).
    const std::vector<int> got{g.Pixel(0, 1, 0)[1], g.Pixel(0, 1, 2)[1], g.Pixel(0, 0, 1)[1], g.Pixel(0, 2, 1)[1],
                               g.Pixel(0, 1, 1)[1], g.Pixel(0, 3, 3)[1]};
    EXPECT_EQ(got, (std::vector<int>{10, 200, 11, 12, 11, 0}));
}

TEST(TextureOperations, SineNoiseSpeckleAndGlowWriteTheirValues) {
    TextureGenerator g;
    std::ranges::fill(g.pixels, 0x5A);
    g.SineChannel(0, 1, 0, 0);
    for (int i = 0; i < g.layerPixels; ++i) {
        ASSERT_EQ(g.layers[0][i * 3 + 1], 191);
        ASSERT_EQ(g.layers[0][i * 3] * 256 + g.layers[0][i * 3 + 2], 0x5A5A) << "one channel only";
    }
    g.SineChannel(0, 2, 1, 1);
    EXPECT_EQ(std::vector<int>({g.Pixel(0, 0, 64)[2], g.Pixel(0, 128, 192)[2], g.Pixel(0, 128, 0)[2]}),
              (std::vector<int>{255, 1, 65}));

    EXPECT_NEAR(IntegerNoise(0), -0.28179f, 1e-5f);
    EXPECT_NEAR(IntegerNoise(1), -0.22637f, 1e-5f);
    EXPECT_NEAR(IntegerNoise(-1), 0.90013f, 1e-5f);
    // The seed whose first draw is 0: the inverse of the generator's step.
    std::uint32_t inverse = 1103515245u;
    for (int i = 0; i < 5; ++i) inverse *= 2u - 1103515245u * inverse;
    const std::uint32_t seed = (0u - 12345u) * inverse;
    g.NoiseLayer(1, static_cast<int>(seed));
    EXPECT_EQ(g.Pixel(1, 0, 0)[0], 185) << "trunc(255 * -0.28179) keeps its low eight bits";

    g.Speckle(2, 21, 1, 1, 1);
    g.Speckle(3, 21, 0, 2, 255);
    int lit = 0;
    for (int i = 0; i < g.layerPixels; ++i) {
        const std::uint8_t* plain = g.layers[2] + i * 3;
        const std::uint8_t* scaled = g.layers[3] + i * 3;
        ASSERT_LT(std::max({plain[0], plain[1], plain[2]}), 100);
        const std::array<int, 3> expected{0, 2 * plain[1], plain[2] == 0 ? 0 : 255};
        ASSERT_EQ((std::array<int, 3>{scaled[0], scaled[1], scaled[2]}), expected);
        lit += plain[1] > 0;
    }
    EXPECT_GT(lit, g.layerPixels / 2);
    g.Speckle(3, 22, 1, 1, 1);
    EXPECT_NE(Copy(g, 2), Copy(g, 3)) << "seeded";

    g.RadialGlow(0, 128, 64, 0);
    EXPECT_EQ(std::vector<int>({g.Pixel(0, 128, 128)[0], g.Pixel(0, 128, 128)[1], g.Pixel(0, 128, 128)[2]}),
              (std::vector<int>{255, 127, 0}));
    // 1 - sin(r) at r = sqrt 2 in the corner, 1 at the left edge, 0.5 halfway out.
    EXPECT_EQ(std::vector<int>({g.Pixel(0, 0, 0)[0], g.Pixel(0, 0, 128)[0], g.Pixel(0, 192, 128)[0]}),
              (std::vector<int>{3, 40, 132}));
    for (int k = 1; k < 128; ++k) {
        EXPECT_EQ(g.Pixel(0, 128 + k, 128)[0], g.Pixel(0, 128 - k, 128)[0]) << k;
        EXPECT_EQ(g.Pixel(0, 128, 128 + k)[0], g.Pixel(0, 128, 128 - k)[0]) << k;
        EXPECT_LE(g.Pixel(0, 128 + k, 128)[0], g.Pixel(0, 127 + k, 128)[0]) << k;
    }
    g.RadialGlow(1, 255, 255, 255);
    EXPECT_EQ(g.Pixel(1, 120, 130)[0], 255) << "large factors saturate";
}

TEST(TextureOperations, CopyShiftMultiplyInvertAndClampStayInByteRange) {
    TextureGenerator g;
    FillCoordinates(g, 0);
    const Bytes coordinates = Copy(g, 0);
    g.CopyLayer(0, 0);
    g.ShiftLayer(0, 0, 3, 5);
    EXPECT_EQ(Copy(g, 0), coordinates) << "onto themselves they change nothing";
    g.CopyLayer(0, 1);
    EXPECT_EQ(Copy(g, 1), coordinates);
    g.ShiftLayer(0, 2, 3, 250);
    EXPECT_EQ(SourceOf(g, 2, 0, 0), Point(3, 250));
    EXPECT_EQ(SourceOf(g, 2, 253, 10), Point(0, 4)) << "wraps around both edges";

    std::ranges::fill(g.Layer(0), 255);
    g.MultiplyLayers(0, 0, 1);
    EXPECT_EQ(std::ranges::count(g.Layer(1), 254), g.layerBytes);
    std::ranges::fill(g.Layer(2), 128);
    g.MultiplyLayers(2, 2, 2);
    EXPECT_EQ(std::ranges::count(g.Layer(2), 64), g.layerBytes);
    g.NoiseLayer(3, 8);
    const Bytes noise = Copy(g, 3);
    g.InvertLayer(3, 0);
    EXPECT_EQ(255 - g.layers[0][1000], noise[1000]);
    g.InvertLayer(0, 0);
    EXPECT_EQ(Copy(g, 0), noise);
    EXPECT_EQ(std::vector<int>({ClampByte(-1), ClampByte(255), ClampByte(256)}), (std::vector<int>{0, 255, 255}));
}

TEST(TextureOperations, EmbossIsAHorizontalGradientThatWrapsAllEdges) {
    TextureGenerator g;
    g.Pixel(0, 0, 0)[0] = 10;
    g.Pixel(0, 0, 0)[1] = 255;
    g.Emboss(0, 1);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool nearRow = y <= 1 || y == 255;
            const std::uint8_t* p = g.Pixel(1, x, y);
            const int expected0 = nearRow && x == 255 ? 137 : nearRow && x == 1 ? 117 : 127;
            const int expected1 = nearRow && x == 255 ? 255 : nearRow && x == 1 ? 0 : 127;
            ASSERT_EQ((std::array<int, 3>{p[0], p[1], p[2]}), (std::array<int, 3>{expected0, expected1, 127}))
                << x << "," << y;
        }
    }
}

TEST(TextureOperations, RemapsMoveEachPixelFromWhereTheirWavesSay) {
    TextureGenerator g;
    FillCoordinates(g, 0);
    g.Swirl(0, 1);
    EXPECT_EQ(SourceOf(g, 1, 128, 128), Point(128, 128));
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

    // The wave warp pairs rows with the x frequency and columns with the y one.
    struct Case {
        bool sine;
        int xFrequency, yFrequency, xAmplitude, yAmplitude, x, y;
        Point source;
    };
    for (const Case& c : {Case{false, 0, 0, 16, 16, 7, 250, {7, 10}},  // zero frequencies shift by the y amplitude
                          {false, 1, 0, 16, 0, 3, 64, {19, 64}},
                          {false, 1, 0, 16, 0, 3, 192, {243, 192}},
                          {false, 1, 0, 16, 0, 3, 160, {248, 160}},  // 3 - 11.3 truncates toward zero
                          {false, 0, 1, 0, 16, 0, 250, {0, 10}},
                          {false, 0, 1, 0, 16, 128, 5, {128, 245}},
                          {true, 0, 0, 16, 16, 9, 200, {9, 200}},
                          {true, 1, 1, 16, 8, 64, 64, {80, 72}},
                          {true, 1, 1, 16, 8, 192, 192, {176, 184}},
                          {true, 1, 1, 16, 8, 5, 0, {6, 0}}}) {  // 5 + 1.96 truncates
        if (c.sine) g.SineWarp(0, 1, c.xFrequency, c.yFrequency, c.xAmplitude, c.yAmplitude);
        else g.WaveWarp(0, 1, c.xFrequency, c.yFrequency, c.xAmplitude, c.yAmplitude);
        EXPECT_EQ(SourceOf(g, 1, c.x, c.y), c.source) << c.sine << " at " << c.x << "," << c.y;
    }
}

// Mean absolute difference between neighbouring rows (or columns) inside the
// layer, and between the last and the first.
std::pair<double, double> InsideAndSeamDifference(TextureGenerator& g, bool columns) {
    auto difference = [&](int a, int b) {
        double sum = 0;
        for (int i = 0; i < kSize; ++i) {
            for (int c = 0; c < 3; ++c) {
                sum += std::abs((columns ? g.Pixel(0, a, i) : g.Pixel(0, i, a))[c] -
                                (columns ? g.Pixel(0, b, i) : g.Pixel(0, i, b))[c]);
            }
        }
        return sum / (3 * kSize);
    };
    double inside = 0;
    for (int i = 0; i < kSize - 1; ++i) inside += difference(i, i + 1) / (kSize - 1);
    return {inside, difference(kSize - 1, 0)};
}

TEST(EmbeddedScripts, UploadTheirLayerFromASeamlessFullRangePlasmaThatContinuesTheSequence) {
    TextureGenerator g;
    SeedRand(1);
    const auto script1 = data::textureScript1;
    const MemoryFile first{0, static_cast<std::uint32_t>(data::ItemSize(script1)), data::ItemBytes(script1)};
    EXPECT_EQ(RunScript(g, first), (std::vector<int>{1}));
    for (int c = 0; c < 3; ++c) {
        int low = 255, high = 0;
        for (int i = 1; i < g.layerPixels; ++i) {
            low = std::min<int>(low, g.layers[0][i * 3 + c]);
            high = std::max<int>(high, g.layers[0][i * 3 + c]);
        }
        EXPECT_EQ(low * 1000 + high, 1255) << c;
    }
    for (const bool columns : {true, false}) {
        const auto [inside, seam] = InsideAndSeamDifference(g, columns);
        EXPECT_LT(seam, 2 * inside) << "the plasma continues over its seam";
    }
    EXPECT_NE(Copy(g, 1), Copy(g, 0)) << "swirled";
    const Bytes swirled = Copy(g, 1);
    RunScript(g, first);
    EXPECT_NE(Copy(g, 1), swirled) << "the plasma continues the sequence instead of reseeding";

    const auto script2 = data::textureScript2;
    EXPECT_EQ(RunScript(g, {0, static_cast<std::uint32_t>(data::ItemSize(script2)), data::ItemBytes(script2)}),
              (std::vector<int>{2}));
}

TEST(Random, SpansZeroToItsMaximumAndReseedingRestarts) {
    SeedRand(7);
    int low = kRandMax, high = 0;
    for (int i = 0; i < (1 << 20); ++i) {
        const int value = Rand();
        low = std::min(low, value);
        high = std::max(high, value);
    }
    EXPECT_EQ(low * 100000 + high, kRandMax);
    SeedRand(42);
    const int first = Rand();
    SeedRand(42);
    EXPECT_EQ(Rand(), first);
}

}  // namespace
}  // namespace zint
