#include "scenes/path.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "scenes/tunnel_scene.h"

namespace zint {
namespace {

std::array<float, 3> Xyz(const Vector3& v) { return {v.x, v.y, v.z}; }

void ExpectNear(const Vector3& v, const Vector3& expected, float tolerance = 1e-5f) {
    EXPECT_LT(Difference(v, expected).Length(), tolerance)
        << v.x << "," << v.y << "," << v.z << " instead of " << expected.x << "," << expected.y << "," << expected.z;
}

PathKey Key(float x, float y, float z, std::uint32_t time) {
    PathKey key;
    key.position.Set(x, y, z);
    key.time = time;
    return key;
}

Path TunnelPath() { return Path(MakeTunnelPathKeys(), true); }

TEST(Path, ZeroParametersAndEqualSpacingGiveCatmullRomTangentsAllRoundTheLoop) {
    const Path path = TunnelPath();
    for (std::uint32_t j = 0; j <= 31; ++j) {
        // At the seam key 0 and key 31 both take keys 30 and 1 as neighbours.
        Vector3 expected = Difference(path.keys[j == 31 ? 1 : j + 1].position, path.keys[j == 0 ? 30 : j - 1].position);
        expected.Scale(0.5f);
        SCOPED_TRACE(j);
        ExpectNear(path.keys[j].incomingTangent, expected);
        ExpectNear(path.keys[j].outgoingTangent, expected);
    }
}

TEST(Path, KeyRuleWeighsTensionContinuityBiasAndTimeRatios) {
    struct Case {
        float tension, continuity, bias;
        std::uint32_t t1, t2;
        Vector3 incoming, outgoing;
    };
    for (const Case& c : {Case{0, 0.5f, 0.25f, 50, 100, {0.3125f, 0.5625f, 0}, {0.9375f, 0.1875f, 0}},
                          Case{0.5f, 0, 0, 50, 100, {0.25f, 0.25f, 0}, {0.25f, 0.25f, 0}},
                          // Unequal spacing: each side gets its share of the neighbours' span.
                          Case{0, 0, 0, 10, 30, {1 / 3.0f, 1 / 3.0f, 0}, {2 / 3.0f, 2 / 3.0f, 0}}}) {
        std::vector<PathKey> keys = {Key(0, 0, 0, 0), Key(1, 0, 0, c.t1), Key(1, 1, 0, c.t2)};
        keys[1].tension = c.tension;
        keys[1].continuity = c.continuity;
        keys[1].bias = c.bias;
        const Path path(keys, false);
        ExpectNear(path.keys[1].incomingTangent, c.incoming);
        ExpectNear(path.keys[1].outgoingTangent, c.outgoing);
    }
}

TEST(Path, OpenEndsTwoKeyPathsAndTheClosedSeamGetTheirOwnTangents) {
    std::vector<PathKey> keys = {Key(0, 0, 0, 0), Key(1, 0, 0, 10), Key(1, 1, 0, 30)};
    keys[0].tension = 0.5f;
    const Path open(keys, false);
    // k = 0.75 - 10 / 60 at the start and 0.75 - 20 / 60 at the end.
    ExpectNear(open.keys[0].outgoingTangent, {2.0f / 3.0f, -1.0f / 12.0f, 0.0f});
    ExpectNear(open.keys[2].incomingTangent, {-1.0f / 3.0f, 7.0f / 6.0f, 0.0f});
    EXPECT_EQ(Xyz(open.keys[0].incomingTangent), Xyz({}));
    EXPECT_EQ(Xyz(open.keys[2].outgoingTangent), Xyz({}));

    std::vector<PathKey> two = {Key(0, 0, 0, 0), Key(2, 4, 6, 10)};
    two[0].tension = 0.5f;
    two[1].tension = 0.25f;
    const Path line(two, true);
    ExpectNear(line.keys[0].outgoingTangent, {1, 2, 3});
    ExpectNear(line.keys[1].incomingTangent, {1.5f, 3, 4.5f});

    // Uneven times: key 0 sees key 2 thirty frames before it and key 1 ten after, across the seam.
    const Path loop(std::vector<PathKey>{Key(0, 0, 0, 0), Key(1, 0, 0, 10), Key(0, 1, 0, 30), Key(0, 0, 0, 60)}, true);
    for (std::uint32_t end : {0u, 3u}) {
        ExpectNear(loop.keys[end].incomingTangent, {0.75f, -0.75f, 0.0f});
        ExpectNear(loop.keys[end].outgoingTangent, {0.25f, -0.25f, 0.0f});
    }
}

TEST(Path, EaseRemapsWithinTheSegment) {
    const float k = 1.0f / 1.5f;  // the straight part's slope for a = 0.2, b = 0.3
    struct Case {
        float u, a, b, expected;
    };
    for (const Case& c : {Case{0.3f, 0, 0, 0.3f}, {0.25f, 0.5f, 0.5f, 0.125f}, {0.5f, 0.5f, 0.5f, 0.5f},
                          {0.75f, 0.5f, 0.5f, 0.875f}, {1, 0.5f, 0.5f, 1},
                          // Sums above 1 are scaled down to 1.
                          {0.25f, 1, 1, 0.125f}, {0.5f, 3, 1, 0.25f / 0.75f}, {0.875f, 3, 1, 1 - 4 * 0.015625f},
                          {0.1f, 0.2f, 0.3f, k * 0.01f / 0.2f}, {0.5f, 0.2f, 0.3f, k * 0.8f},
                          {0.2f, 0.2f, 0.3f, k * 0.2f}, {0.7f, 0.2f, 0.3f, k * 1.2f},
                          {0.9f, 0.2f, 0.3f, 1 - (k / 0.3f) * 0.01f},
                          // Ease-from alone runs straight to 1; ease-to alone starts at 0.
                          {1, 0.5f, 0, 1}, {0.75f, 0.5f, 0, (1.5f - 0.5f) / 1.5f}, {0, 0, 0.5f, 0}}) {
        EXPECT_NEAR(Path::Ease(c.u, c.a, c.b), c.expected, 1e-6f) << c.u << " " << c.a << " " << c.b;
    }
}

TEST(Path, AdvanceEndsASegmentOnItsLastFrameAndStartsTheNextOneFrameLater) {
    // Evenly spaced keys on a line: the point tells the segment parameter.
    const std::vector<PathKey> keys = {Key(0, 0, 0, 0), Key(10, 0, 0, 50), Key(20, 0, 0, 100), Key(30, 0, 0, 150)};
    Path path(keys, false);
    path.Reset();
    for (int frame = 1; frame <= 50; ++frame) path.AdvancePath();
    EXPECT_EQ(std::tuple(path.current, path.next, path.frameCounter), std::tuple(0u, 1u, 50u));
    EXPECT_EQ(Xyz(path.point), Xyz(keys[1].position));
    path.AdvancePath();
    EXPECT_EQ(std::tuple(path.current, path.next, path.frameCounter), std::tuple(1u, 2u, 51u));
    ExpectNear(path.point, {10.2f, 0.0f, 0.0f});
}

TEST(Path, ClosedLoopHoldsTheLoopPointAndRepeatsEvery1552Calls) {
    Path path = TunnelPath();
    path.Reset();
    std::vector<std::array<float, 3>> firstLoop;
    for (int call = 1; call <= 1552; ++call) {
        path.AdvancePath();
        firstLoop.push_back(Xyz(path.point));
        if (call == 25 || call == 51) {
            EXPECT_EQ(firstLoop.back(), Xyz(call == 25 ? path.KeyPoint(0, 25) : path.KeyPoint(1, 1))) << call;
        }
    }
    EXPECT_EQ(firstLoop[49], Xyz(path.keys[1].position));
    EXPECT_EQ(firstLoop[1549], Xyz(path.keys[31].position));
    EXPECT_NE(firstLoop[1548], firstLoop[1549]);
    // One frame on the segment from key 31 back to key 0: u is practically 0.
    ExpectNear({firstLoop[1550][0], firstLoop[1550][1], firstLoop[1550][2]}, path.keys[31].position, 1e-6f);
    EXPECT_EQ(firstLoop[1551], Xyz(path.keys[0].position));
    EXPECT_EQ(std::tuple(path.current, path.next, path.frameCounter), std::tuple(0u, 1u, 0u));
    for (std::size_t call = 0; call < firstLoop.size(); ++call) {
        path.AdvancePath();
        ASSERT_EQ(Xyz(path.point), firstLoop[call]) << call;
    }
}

TEST(Path, KeyPointWrapsIndicesOnceAroundTheLoop) {
    const Path path = TunnelPath();
    for (const auto& [index, key] : {std::pair{-1, 30}, {0, 0}, {31, 31}, {32, 1}, {61, 30}}) {
        EXPECT_EQ(Xyz(path.KeyPoint(index, 0)), Xyz(path.keys[key].position)) << index;
    }
    // Key 31 leads on to key 1 across the seam: the unsigned time step is
    // huge, so an offset barely moves off the loop point.
    ExpectNear(path.KeyPoint(31, 20), path.keys[31].position, 1e-6f);
}

}  // namespace
}  // namespace zint
