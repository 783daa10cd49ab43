#include "scenes/path.h"

#include <gtest/gtest.h>

#include <vector>

#include "scenes/tunnel_scene.h"

namespace zint {
namespace {

void ExpectNear(const Vector3& v, const Vector3& expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, expected.x, tolerance);
    EXPECT_NEAR(v.y, expected.y, tolerance);
    EXPECT_NEAR(v.z, expected.z, tolerance);
}

void ExpectSame(const Vector3& v, const Vector3& expected) {
    EXPECT_EQ(v.x, expected.x);
    EXPECT_EQ(v.y, expected.y);
    EXPECT_EQ(v.z, expected.z);
}

PathKey Key(float x, float y, float z, std::uint32_t time) {
    PathKey key;
    key.position.Set(x, y, z);
    key.time = time;
    return key;
}

Path TunnelPath() {
    const auto keys = MakeTunnelPathKeys();
    return Path(keys, true);
}

TEST(Path, ZeroParametersAndEqualSpacingGiveCatmullRomTangentsAllRoundTheLoop) {
    const Path path = TunnelPath();
    ASSERT_EQ(path.keyCount, 32u);
    ASSERT_EQ(path.lastIndex, 31u);
    for (std::uint32_t j = 0; j <= path.lastIndex; ++j) {
        // At the seam key 0 and key 31 both take keys 30 and 1 as neighbours.
        const std::uint32_t previous = j == 0 ? 30 : j - 1;
        const std::uint32_t following = j == path.lastIndex ? 1 : j + 1;
        Vector3 expected = Difference(path.keys[following].position, path.keys[previous].position);
        expected.Scale(0.5f);
        SCOPED_TRACE(j);
        ExpectNear(path.keys[j].incomingTangent, expected);
        ExpectNear(path.keys[j].outgoingTangent, expected);
    }
}

void ExpectMiddleTangents(const std::vector<PathKey>& keys, const Vector3& incoming, const Vector3& outgoing) {
    const Path path(keys, false);
    ExpectNear(path.keys[1].incomingTangent, incoming);
    ExpectNear(path.keys[1].outgoingTangent, outgoing);
}

TEST(Path, KeyRuleWeighsTensionContinuityBiasAndTimeRatios) {
    std::vector<PathKey> keys = {Key(0, 0, 0, 0), Key(1, 0, 0, 50), Key(1, 1, 0, 100)};
    keys[1].continuity = 0.5f;
    keys[1].bias = 0.25f;
    ExpectMiddleTangents(keys, {0.3125f, 0.5625f, 0.0f}, {0.9375f, 0.1875f, 0.0f});

    keys[1].continuity = 0.0f;
    keys[1].bias = 0.0f;
    keys[1].tension = 0.5f;
    ExpectMiddleTangents(keys, {0.25f, 0.25f, 0.0f}, {0.25f, 0.25f, 0.0f});

    // Unequal spacing: each side gets its share of the neighbours' span.
    keys[1].tension = 0.0f;
    keys[1].time = 10;
    keys[2].time = 30;
    ExpectMiddleTangents(keys, {1.0f / 3.0f, 1.0f / 3.0f, 0.0f}, {2.0f / 3.0f, 2.0f / 3.0f, 0.0f});
}

TEST(Path, OpenEndsGetOnlyTheirInnerTangents) {
    std::vector<PathKey> keys = {Key(0, 0, 0, 0), Key(1, 0, 0, 10), Key(1, 1, 0, 30)};
    keys[0].tension = 0.5f;
    const Path path(keys, false);
    // k = 0.75 - 10 / 60 at the start and 0.75 - 20 / 60 at the end.
    ExpectNear(path.keys[0].outgoingTangent, {2.0f / 3.0f, -1.0f / 12.0f, 0.0f});
    ExpectNear(path.keys[2].incomingTangent, {-1.0f / 3.0f, 7.0f / 6.0f, 0.0f});
    ExpectSame(path.keys[0].incomingTangent, {0, 0, 0});
    ExpectSame(path.keys[2].outgoingTangent, {0, 0, 0});
}

TEST(Path, TwoKeysTakeTheirStepScaledByEachTension) {
    std::vector<PathKey> keys = {Key(0, 0, 0, 0), Key(2, 4, 6, 10)};
    keys[0].tension = 0.5f;
    keys[1].tension = 0.25f;
    const Path path(keys, true);
    ExpectNear(path.keys[0].outgoingTangent, {1, 2, 3});
    ExpectNear(path.keys[1].incomingTangent, {1.5f, 3, 4.5f});
}

TEST(Path, ClosedSeamPutsBothEndKeysOnOneTimeLine) {
    // Uneven times: key 0 sees key 2 thirty frames before it and key 1 ten
    // frames after, across the seam.
    const std::vector<PathKey> keys = {Key(0, 0, 0, 0), Key(1, 0, 0, 10), Key(0, 1, 0, 30), Key(0, 0, 0, 60)};
    const Path path(keys, true);
    for (std::uint32_t end : {0u, 3u}) {
        SCOPED_TRACE(end);
        ExpectNear(path.keys[end].incomingTangent, {0.75f, -0.75f, 0.0f});
        ExpectNear(path.keys[end].outgoingTangent, {0.25f, -0.25f, 0.0f});
    }
}

TEST(Path, EaseRemapsWithinTheSegment) {
    EXPECT_EQ(Path::Ease(0.3f, 0.0f, 0.0f), 0.3f);

    // a = b = 0.5: k = 1, quadratic in and out, straight nowhere.
    EXPECT_FLOAT_EQ(Path::Ease(0.0f, 0.5f, 0.5f), 0.0f);
    EXPECT_FLOAT_EQ(Path::Ease(0.25f, 0.5f, 0.5f), 0.125f);
    EXPECT_FLOAT_EQ(Path::Ease(0.5f, 0.5f, 0.5f), 0.5f);
    EXPECT_FLOAT_EQ(Path::Ease(0.75f, 0.5f, 0.5f), 0.875f);
    EXPECT_FLOAT_EQ(Path::Ease(1.0f, 0.5f, 0.5f), 1.0f);

    // Sums above 1 are scaled down to 1.
    EXPECT_FLOAT_EQ(Path::Ease(0.25f, 1.0f, 1.0f), 0.125f);
    EXPECT_FLOAT_EQ(Path::Ease(0.5f, 3.0f, 1.0f), 0.25f / 0.75f);
    EXPECT_FLOAT_EQ(Path::Ease(0.875f, 3.0f, 1.0f), 1.0f - 4.0f * 0.015625f);

    // The straight part joins both arcs: k = 1 / 1.5 for a = 0.2, b = 0.3.
    const float k = 1.0f / 1.5f;
    EXPECT_FLOAT_EQ(Path::Ease(0.1f, 0.2f, 0.3f), k * 0.01f / 0.2f);
    EXPECT_FLOAT_EQ(Path::Ease(0.5f, 0.2f, 0.3f), k * 0.8f);
    EXPECT_NEAR(Path::Ease(0.2f, 0.2f, 0.3f), k * 0.2f, 1e-6f);
    EXPECT_NEAR(Path::Ease(0.7f, 0.2f, 0.3f), k * 1.2f, 1e-6f);
    EXPECT_FLOAT_EQ(Path::Ease(0.9f, 0.2f, 0.3f), 1.0f - (k / 0.3f) * 0.01f);
}

TEST(Path, EaseFromAloneReachesOneAtTheSegmentEnd) {
    EXPECT_FLOAT_EQ(Path::Ease(1.0f, 0.5f, 0.0f), 1.0f);
    EXPECT_FLOAT_EQ(Path::Ease(0.75f, 0.5f, 0.0f), (2.0f * 0.75f - 0.5f) / 1.5f);
    // And ease-to alone starts at 0.
    EXPECT_FLOAT_EQ(Path::Ease(0.0f, 0.0f, 0.5f), 0.0f);
}

TEST(Path, AdvanceEndsASegmentOnItsLastFrameAndStartsTheNextOneFrameLater) {
    // Evenly spaced keys on a line: the curve is the line itself, traversed
    // at an even pace, so the point tells the segment parameter.
    const std::vector<PathKey> keys = {Key(0, 0, 0, 0), Key(10, 0, 0, 50), Key(20, 0, 0, 100), Key(30, 0, 0, 150)};
    Path path(keys, false);
    path.Reset();
    ExpectSame(path.point, keys[0].position);
    for (int frame = 1; frame <= 50; ++frame) path.AdvancePath();
    EXPECT_EQ(path.current, 0u);
    EXPECT_EQ(path.next, 1u);
    EXPECT_EQ(path.frameCounter, 50u);
    ExpectSame(path.point, keys[1].position);

    path.AdvancePath();
    EXPECT_EQ(path.current, 1u);
    EXPECT_EQ(path.next, 2u);
    EXPECT_EQ(path.frameCounter, 51u);
    ExpectNear(path.point, {10.2f, 0.0f, 0.0f});
}

TEST(Path, AdvanceOnTheTunnelLoopHitsKeysExactlyAndMatchesKeyPointOffsets) {
    Path path = TunnelPath();
    path.Reset();
    for (int frame = 1; frame <= 25; ++frame) path.AdvancePath();
    ExpectSame(path.point, path.KeyPoint(0, 25));
    for (int frame = 26; frame <= 50; ++frame) path.AdvancePath();
    ExpectSame(path.point, path.keys[1].position);
    path.AdvancePath();
    ExpectSame(path.point, path.KeyPoint(1, 1));
}

TEST(Path, ClosedLoopHoldsTheLoopPointThreeFramesAndRepeatsEvery1552Calls) {
    Path path = TunnelPath();
    path.Reset();
    std::vector<Vector3> firstLoop;
    for (int call = 1; call <= 1552; ++call) {
        path.AdvancePath();
        firstLoop.push_back(path.point);
    }
    ExpectSame(firstLoop[1549], path.keys[31].position);
    EXPECT_NE(firstLoop[1548].x, firstLoop[1549].x);
    // One frame on the segment from key 31 back to key 0: u is practically 0.
    ExpectNear(firstLoop[1550], path.keys[31].position, 1e-6f);
    ExpectSame(firstLoop[1551], path.keys[0].position);
    EXPECT_EQ(path.current, 0u);
    EXPECT_EQ(path.next, 1u);
    EXPECT_EQ(path.frameCounter, 0u);

    for (std::size_t call = 0; call < firstLoop.size(); ++call) {
        path.AdvancePath();
        ASSERT_EQ(path.point.x, firstLoop[call].x) << call;
        ASSERT_EQ(path.point.y, firstLoop[call].y) << call;
        ASSERT_EQ(path.point.z, firstLoop[call].z) << call;
    }
}

TEST(Path, KeyPointWrapsIndicesOnceAroundTheLoop) {
    const Path path = TunnelPath();
    ExpectSame(path.KeyPoint(-1, 0), path.keys[30].position);
    ExpectSame(path.KeyPoint(0, 0), path.keys[0].position);
    ExpectSame(path.KeyPoint(31, 0), path.keys[31].position);
    ExpectSame(path.KeyPoint(32, 0), path.keys[1].position);
    ExpectSame(path.KeyPoint(61, 0), path.keys[30].position);
    // Key 31 leads on to key 1 across the seam: the unsigned time step is
    // huge, so an offset barely moves off the loop point.
    ExpectNear(path.KeyPoint(31, 20), path.keys[31].position, 1e-6f);
}

}  // namespace
}  // namespace zint
