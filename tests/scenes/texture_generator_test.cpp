#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>
#include <vector>

#include "data/items.h"
#include "scenes/random.h"
#include "scenes/texture_generator.h"

namespace zint {
namespace {

constexpr int kSize = kGeneratorSize;
using Bytes = std::vector<std::uint8_t>;
using Operation = std::array<std::uint8_t, 8>;

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

std::pair<int, int> SourceOf(TextureGenerator& g, int layer, int x, int y) {
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
MemoryFile Record(const unsigned char* item) {
    return {0, static_cast<std::uint32_t>(data::ItemSize(item)), data::ItemBytes(item)};
}

struct ScriptRun {
    bool accepted = false;
    std::vector<int> uploads;
};

ScriptRun RunScript(TextureGenerator& g, const MemoryFile& script) {
    ScriptRun run;
    run.accepted = RunTextureScript(g, script, [&](const TextureGenerator&, int layer) { run.uploads.push_back(layer); });
    return run;
}

void Scribble(TextureGenerator& g) { std::ranges::fill(g.pixels, 0x5A); }
bool AllZero(const TextureGenerator& g) { return std::ranges::all_of(g.pixels, [](auto b) { return b == 0; }); }

TEST(TextureScript, RejectsBadHeadersAfterZeroingTheLayers) {
    TextureGenerator g;
    const Operation upload = {0, 0};
    Bytes badMagic = Script({upload}, 1);
    badMagic[1] = 0x3D;
    Bytes badVersion = Script({upload}, 1);
    badVersion[4] = 3;
    const Bytes truncated = {0x94, 0x3C, 0x00, 0x00, 0x04};
    for (const Bytes& script : {badMagic, badVersion, truncated}) {
        Scribble(g);
        const ScriptRun run = RunScript(g, Record(script));
        EXPECT_FALSE(run.accepted);
        EXPECT_TRUE(run.uploads.empty());
        EXPECT_TRUE(AllZero(g));
    }
}

TEST(TextureScript, CountsOfZeroOrNegativeRunNothing) {
    TextureGenerator g;
    for (const int count : {0x00, 0x80, 0xFF}) {
        Scribble(g);
        const ScriptRun run = RunScript(g, Record(Script({{3, 0, 0, 0, 0}, {0, 0}}, count)));
        EXPECT_TRUE(run.accepted);
        EXPECT_TRUE(run.uploads.empty()) << "count byte " << count;
        EXPECT_TRUE(AllZero(g));
    }
}

TEST(TextureScript, StopsAtTheScriptsEndWhateverTheCount) {
    TextureGenerator g;
    const Bytes bytes = Script({{0, 1}, {0, 2}, {0, 3}}, 100);
    MemoryFile record = Record(bytes);
    record.size -= 1;  // the third operation is cut short
    EXPECT_EQ(RunScript(g, record).uploads, (std::vector<int>{1, 2}));
}

TEST(TextureScript, SkipsUnknownOpcodesAndOutOfRangeLayersOrChannels) {
    TextureGenerator g;
    const ScriptRun run = RunScript(g, Record(Script({{16, 0},
                                                {255, 0},
                                                {0, 4},
                                                {3, 0, 3, 0, 0},
                                                {3, 4, 0, 0, 0},
                                                {7, 0, 128, 128, 128},
                                                {9, 0, 0, 4},
                                                {2, 0, 9},
                                                {13, 0, 200},
                                                {0, 0}},
                                               10)));
    EXPECT_EQ(run.uploads, (std::vector<int>{0}));
    const Bytes glow = Copy(g, 0);
    EXPECT_EQ(glow[(128 * kSize + 128) * 3], 255) << "the in-range glow ran";
    for (int layer = 1; layer < 4; ++layer) EXPECT_EQ(Copy(g, layer), Bytes(glow.size(), 0)) << layer;
}

TEST(TextureScript, HandsEachOperationItsParametersInOrder) {
    TextureGenerator scripted;
    SeedRand(5);
    const ScriptRun run = RunScript(scripted, Record(Script({{3, 0, 1, 2, 3},
                                                       {7, 1, 200, 100, 50},
                                                       {8, 0, 2, 5, 7},
                                                       {5, 3, 9, 2, 3, 4},
                                                       {15, 3, 1, 2, 3, 20, 10},
                                                       {12, 2, 0, 3, 1, 9, 4},
                                                       {6, 1, 2, 2},
                                                       {9, 0, 3, 1},
                                                       {4, 2, 77},
                                                       {10, 3, 1, 2},
                                                       {11, 3, 0},
                                                       {13, 1, 3},
                                                       {14, 3, 2},
                                                       {1, 1},
                                                       {0, 3}},
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
    EXPECT_EQ(run.uploads, (std::vector<int>{3}));
    EXPECT_EQ(scripted.pixels, direct.pixels);
}

TEST(TextureOperations, CopyAndShiftOntoThemselvesChangeNothing) {
    TextureGenerator g;
    FillCoordinates(g, 0);
    const Bytes before = Copy(g, 0);
    g.CopyLayer(0, 0);
    g.ShiftLayer(0, 0, 3, 5);
    EXPECT_EQ(Copy(g, 0), before);
    g.CopyLayer(0, 1);
    EXPECT_EQ(Copy(g, 1), before);
    g.ShiftLayer(0, 2, 3, 250);
    EXPECT_EQ(SourceOf(g, 2, 0, 0), std::pair(3, 250));
    EXPECT_EQ(SourceOf(g, 2, 253, 10), std::pair(0, 4)) << "wraps around both edges";
    g.ClearLayer(1);
    EXPECT_EQ(Copy(g, 1), Bytes(before.size(), 0));
    EXPECT_EQ(Copy(g, 0), before);
}

// Blurs an impulse of 200 in channel 1 at (px, py) into another layer and
// returns the pixels that received 50 from it.
std::set<std::pair<int, int>> BlurReceivers(int px, int py) {
    TextureGenerator g;
    g.Pixel(0, px, py)[1] = 200;
    g.Blur(0, 1, 1);
    std::set<std::pair<int, int>> receivers;
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
    using Set = std::set<std::pair<int, int>>;
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
    EXPECT_EQ(g.Pixel(2, 5, 4)[0], 50);
    EXPECT_EQ(g.Pixel(2, 4, 5)[0], 50);
    EXPECT_EQ(g.Pixel(2, 5, 5)[0], 25);
    EXPECT_EQ(g.Pixel(2, 6, 4)[0], 12);
    EXPECT_EQ(g.Pixel(2, 6, 5)[0], 9);
}

TEST(TextureOperations, PlasmaOfAmplitudeZeroOrOneSpreadsTheFirstValue) {
    for (const auto& [high, low] : {std::pair{0, 0}, std::pair{0, 1}}) {
        TextureGenerator g;
        SeedRand(11);
        g.Plasma(0, high, low);
        for (int c = 0; c < 3; ++c) {
            const int first = g.Pixel(0, 0, 0)[c];
            for (int i = 1; i < g.layerPixels; ++i) ASSERT_EQ(g.layers[0][i * 3 + c], std::max(first, 1)) << i;
        }
    }
    // A first value of 0 stays, and everything else becomes 1.
    TextureGenerator g;
    g.PlasmaSubdivide(0, 2, 0, 0, kSize, kSize, 1);
    EXPECT_EQ(g.Pixel(0, 0, 0)[2], 0);
    for (int i = 1; i < g.layerPixels; ++i) ASSERT_EQ(g.layers[0][i * 3 + 2], 1) << i;
}

TEST(TextureOperations, PlasmaSubdivideAveragesItsCornersIntoUnsetPoints) {
    TextureGenerator g;
    const int corners[][3] = {{0, 0, 10}, {2, 0, 11}, {0, 2, 12}, {2, 2, 14}};
    for (const auto& [x, y, value] : corners) g.Pixel(0, x, y)[1] = static_cast<std::uint8_t>(value);
    g.Pixel(0, 1, 2)[1] = 200;
    g.PlasmaSubdivide(0, 1, 0, 0, 2, 2, 1);
    EXPECT_EQ(g.Pixel(0, 1, 0)[1], 10);
    EXPECT_EQ(g.Pixel(0, 1, 2)[1], 200) << "a set point keeps its value";
    EXPECT_EQ(g.Pixel(0, 0, 1)[1], 11);
    EXPECT_EQ(g.Pixel(0, 2, 1)[1], 12);
    EXPECT_EQ(g.Pixel(0, 1, 1)[1], 11) << "47 / 4";
    EXPECT_EQ(g.Pixel(0, 3, 3)[1], 0) << "a square of 2 does not recurse";
}

TEST(TextureOperations, PlasmaDrawsOnceForEveryValueStoredOrNot) {
    // Per channel: the first corner, then five values in each of the
    // 1 + 4 + ... + 4^7 squares from 256 down to 2.
    constexpr int kDraws = 3 * (1 + 5 * (1 + 4 + 16 + 64 + 256 + 1024 + 4096 + 16384));
    SeedRand(9);
    for (int i = 0; i < kDraws; ++i) Rand();
    const int next = Rand();

    TextureGenerator fresh;
    SeedRand(9);
    fresh.Plasma(0, 4, 1);
    EXPECT_EQ(Rand(), next);
    EXPECT_EQ(std::ranges::count(fresh.Layer(0).subspan(3), 0), 0) << "every pixel but (0, 0) is set";

    TextureGenerator full;
    std::ranges::fill(full.Layer(1), 77);
    SeedRand(9);
    full.Plasma(1, 4, 1);
    EXPECT_EQ(Rand(), next);
    EXPECT_EQ(std::ranges::count(full.Layer(1).subspan(3), 77), full.layerBytes - 3) << "set points never change";
}

TEST(TextureOperations, SineChannelWritesOneChannelWithinOneTo255) {
    TextureGenerator g;
    Scribble(g);
    g.SineChannel(0, 1, 0, 0);
    for (int i = 0; i < g.layerPixels; ++i) {
        ASSERT_EQ(g.layers[0][i * 3 + 1], 191);
        ASSERT_EQ(g.layers[0][i * 3], 0x5A);
        ASSERT_EQ(g.layers[0][i * 3 + 2], 0x5A);
    }
    g.SineChannel(0, 2, 1, 1);
    EXPECT_EQ(g.Pixel(0, 0, 64)[2], 255);
    EXPECT_EQ(g.Pixel(0, 128, 192)[2], 1);
    EXPECT_EQ(g.Pixel(0, 128, 0)[2], 65);
}

TEST(TextureOperations, IntegerNoiseAndTheNoiseLayersDraws) {
    EXPECT_FLOAT_EQ(IntegerNoise(0), static_cast<float>(1.0 - 1376312589 / 1073741824.0));
    EXPECT_NEAR(IntegerNoise(0), -0.28179f, 1e-5f);
    EXPECT_NEAR(IntegerNoise(1), -0.22637f, 1e-5f);
    EXPECT_NEAR(IntegerNoise(2), 0.29363f, 1e-5f);
    EXPECT_NEAR(IntegerNoise(-1), 0.90013f, 1e-5f);

    // The seed whose first draw is 0: the inverse of the generator's step.
    std::uint32_t inverse = 1103515245u;
    for (int i = 0; i < 5; ++i) inverse *= 2u - 1103515245u * inverse;
    const std::uint32_t seed = (0u - 12345u) * inverse;
    SeedRand(seed);
    ASSERT_EQ(Rand(), 0);

    TextureGenerator g;
    g.NoiseLayer(0, static_cast<int>(seed));
    EXPECT_EQ(g.Pixel(0, 0, 0)[0], 185) << "trunc(-71.857) keeps its low eight bits";
    SeedRand(seed);
    for (const std::uint8_t value : g.Layer(0)) {
        ASSERT_EQ(value, static_cast<std::uint8_t>(static_cast<int>(255.0f * IntegerNoise(Rand()))));
    }
}

TEST(TextureOperations, SpeckleIsSeededAndScaledPerChannel) {
    TextureGenerator g;
    g.Speckle(0, 21, 1, 1, 1);
    g.Speckle(1, 21, 0, 2, 255);
    g.Speckle(2, 22, 1, 1, 1);
    EXPECT_NE(Copy(g, 0), Copy(g, 2));

    // Row, column and three levels per hit, then three blurs in place.
    TextureGenerator expected;
    SeedRand(21);
    for (int n = 0; n < g.layerPixels; ++n) {
        const int y = Rand() % kSize;
        std::uint8_t* p = expected.Pixel(0, Rand() % kSize, y);
        for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(Rand() % 100);
    }
    expected.Blur(0, 0, 3);
    EXPECT_EQ(Copy(g, 0), Copy(expected, 0));
    for (int i = 0; i < g.layerPixels; ++i) {
        const std::uint8_t* plain = g.layers[0] + i * 3;
        const std::uint8_t* scaled = g.layers[1] + i * 3;
        ASSERT_LT(std::max({plain[0], plain[1], plain[2]}), 100);
        ASSERT_EQ(scaled[0], 0);
        ASSERT_EQ(scaled[1], 2 * plain[1]);
        ASSERT_EQ(scaled[2], plain[2] == 0 ? 0 : 255);
    }
}

TEST(TextureOperations, RadialGlowPeaksAtTheCentreAndIsSymmetric) {
    TextureGenerator g;
    g.RadialGlow(0, 128, 64, 0);
    const std::uint8_t* centre = g.Pixel(0, 128, 128);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 127);
    EXPECT_EQ(centre[2], 0);
    EXPECT_EQ(g.Pixel(0, 0, 0)[0], 3) << "1 - sin(sqrt 2) in the corner";
    EXPECT_EQ(g.Pixel(0, 0, 128)[0], 40) << "1 - sin(1) at the left edge";
    EXPECT_EQ(g.Pixel(0, 192, 128)[0], 132) << "1 - sin(0.5) halfway out";
    for (int k = 1; k < 128; ++k) {
        EXPECT_EQ(g.Pixel(0, 128 + k, 128)[0], g.Pixel(0, 128 - k, 128)[0]) << k;
        EXPECT_EQ(g.Pixel(0, 128, 128 + k)[0], g.Pixel(0, 128, 128 - k)[0]) << k;
        EXPECT_LE(g.Pixel(0, 128 + k, 128)[0], g.Pixel(0, 127 + k, 128)[0]) << k;
    }
    g.RadialGlow(1, 255, 255, 255);
    EXPECT_EQ(g.Pixel(1, 120, 130)[0], 255) << "large factors saturate";
}

TEST(TextureOperations, MultiplyInvertAndClampStayInByteRange) {
    TextureGenerator g;
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

    EXPECT_EQ(ClampByte(-1), 0);
    EXPECT_EQ(ClampByte(255), 255);
    EXPECT_EQ(ClampByte(256), 255);
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
            ASSERT_EQ(p[0], expected0) << x << "," << y;
            ASSERT_EQ(p[1], expected1) << x << "," << y;
            ASSERT_EQ(p[2], 127);
        }
    }
}

TEST(TextureOperations, SwirlKeepsItsCentreAndAnUntwistedCore) {
    TextureGenerator g;
    FillCoordinates(g, 0);
    g.Swirl(0, 1);
    EXPECT_EQ(SourceOf(g, 1, 128, 128), std::pair(128, 128));
    for (int y = 112; y <= 144; ++y) {
        for (int x = 112; x <= 144; ++x) {
            const float r = std::hypot(128.0f - x, 128.0f - y);
            if (r > 16.0f) continue;
            // Without twist the offset is (0, r): the angle turns (dx, dy) onto the y axis.
            const auto [sx, sy] = SourceOf(g, 1, x, y);
            EXPECT_LE(std::abs(sx - x), 1) << x << "," << y;
            EXPECT_LE(std::abs(sy - (y + static_cast<int>(r))), 1) << x << "," << y;
        }
    }
    // At radius 100 straight above the centre the twist is pi * 84 / 181 radians.
    EXPECT_EQ(SourceOf(g, 1, 128, 28), std::pair(29, 39));
}

TEST(TextureOperations, WaveWarpPairsRowsWithXAndColumnsWithY) {
    TextureGenerator g;
    FillCoordinates(g, 0);
    g.WaveWarp(0, 1, 0, 0, 16, 16);
    EXPECT_EQ(SourceOf(g, 1, 7, 250), std::pair(7, 10)) << "zero frequencies shift down by the y amplitude";
    g.WaveWarp(0, 1, 1, 0, 16, 0);
    EXPECT_EQ(SourceOf(g, 1, 3, 64), std::pair(19, 64));
    EXPECT_EQ(SourceOf(g, 1, 3, 192), std::pair(243, 192));
    EXPECT_EQ(SourceOf(g, 1, 3, 160), std::pair(248, 160)) << "3 - 11.3 truncates toward zero";
    g.WaveWarp(0, 1, 0, 1, 0, 16);
    EXPECT_EQ(SourceOf(g, 1, 0, 250), std::pair(0, 10));
    EXPECT_EQ(SourceOf(g, 1, 128, 5), std::pair(128, 245));
}

TEST(TextureOperations, SineWarpMovesEachAxisByItsOwnSine) {
    TextureGenerator g;
    FillCoordinates(g, 0);
    g.SineWarp(0, 1, 0, 0, 16, 16);
    EXPECT_EQ(Copy(g, 1), Copy(g, 0));
    g.SineWarp(0, 1, 1, 1, 16, 8);
    EXPECT_EQ(SourceOf(g, 1, 64, 64), std::pair(80, 72));
    EXPECT_EQ(SourceOf(g, 1, 192, 192), std::pair(176, 184));
    EXPECT_EQ(SourceOf(g, 1, 0, 0), std::pair(0, 0));
    EXPECT_EQ(SourceOf(g, 1, 5, 0), std::pair(6, 0)) << "5 + 1.96 truncates";
}

// Mean absolute difference between pixel rows or columns a and b of a layer.
double MeanDifference(TextureGenerator& g, int layer, bool columns, int a, int b) {
    double sum = 0;
    for (int i = 0; i < kSize; ++i) {
        for (int c = 0; c < 3; ++c) {
            const int va = columns ? g.Pixel(layer, a, i)[c] : g.Pixel(layer, i, a)[c];
            const int vb = columns ? g.Pixel(layer, b, i)[c] : g.Pixel(layer, i, b)[c];
            sum += std::abs(va - vb);
        }
    }
    return sum / (3 * kSize);
}

TEST(EmbeddedScripts, FirstIsASeamlessPlasmaSwirled) {
    TextureGenerator g;
    SeedRand(1);
    const ScriptRun run = RunScript(g, Record(data::textureScript1));
    EXPECT_TRUE(run.accepted);
    EXPECT_EQ(run.uploads, (std::vector<int>{1}));
    for (int c = 0; c < 3; ++c) {
        int low = 255, high = 0;
        for (int i = 1; i < g.layerPixels; ++i) {
            low = std::min<int>(low, g.layers[0][i * 3 + c]);
            high = std::max<int>(high, g.layers[0][i * 3 + c]);
        }
        EXPECT_EQ(low, 1) << c;
        EXPECT_EQ(high, 255) << c;
    }
    for (const bool columns : {true, false}) {
        double inside = 0;
        for (int i = 0; i < kSize - 1; ++i) inside += MeanDifference(g, 0, columns, i, i + 1);
        inside /= kSize - 1;
        EXPECT_LT(MeanDifference(g, 0, columns, kSize - 1, 0), 2 * inside) << "the plasma continues over its seam";
    }
    TextureGenerator swirled;
    std::ranges::copy(g.Layer(0), swirled.layers[0]);
    swirled.Swirl(0, 1);
    EXPECT_EQ(Copy(g, 1), Copy(swirled, 1));

    const Bytes first = Copy(g, 1);
    RunScript(g, Record(data::textureScript1));
    EXPECT_NE(Copy(g, 1), first) << "the plasma continues the sequence instead of reseeding";
}

TEST(EmbeddedScripts, SecondIsTheWarpedPlasmaModulatedByItsEmboss) {
    const Bytes plasmaOnly = Script({{10, 0, 6, 43}}, 1);
    TextureGenerator expected;
    SeedRand(1);
    RunScript(expected, Record(plasmaOnly));
    expected.WaveWarp(0, 1, 1, 1, 16, 16);
    expected.Emboss(1, 0);

    TextureGenerator g;
    SeedRand(1);
    const ScriptRun run = RunScript(g, Record(data::textureScript2));
    EXPECT_TRUE(run.accepted);
    EXPECT_EQ(run.uploads, (std::vector<int>{2}));
    EXPECT_EQ(Copy(g, 1), Copy(expected, 1));
    EXPECT_EQ(Copy(g, 0), Copy(expected, 0));
    for (int i = 0; i < g.layerBytes; ++i) {
        ASSERT_EQ(g.layers[2][i], g.layers[0][i] * g.layers[1][i] / 256) << i;
    }
}

}  // namespace
}  // namespace zint
