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

PathKey Key(float x, float y, float z, std::uint32_t time, float tension = 0, float continuity = 0, float bias = 0) {
    return {{x, y, z}, {}, {}, time, tension, continuity, bias};
}

TEST(Path, TangentsFollowTheKeyRuleTheOpenEndsAndTheClosedSeam) {
    const Path tunnel(MakeTunnelPathKeys(), true);
    for (std::uint32_t j = 0; j <= 31; ++j) {
        // Zero parameters and equal spacing: Catmull-Rom, with keys 30 and 1 as the seam's neighbours.
        const Vector3& after = tunnel.keys[j == 31 ? 1 : j + 1].position;
        Vector3 expected = Difference(after, tunnel.keys[j == 0 ? 30 : j - 1].position);
        expected.Scale(0.5f);
        SCOPED_TRACE(j);
        ExpectNear(tunnel.keys[j].incomingTangent, expected);
        ExpectNear(tunnel.keys[j].outgoingTangent, expected);
    }
    struct Case {
        std::vector<PathKey> keys;
        bool closed;
        std::uint32_t key;
        Vector3 incoming, outgoing;
    };
    // Three keys bending at key 1, which has the parameters given.
    const auto bend = [](std::uint32_t t1, std::uint32_t t2, float tension = 0, float continuity = 0, float bias = 0) {
        return std::vector<PathKey>{Key(0, 0, 0, 0), Key(1, 0, 0, t1, tension, continuity, bias), Key(1, 1, 0, t2)};
    };
    std::vector<PathKey> tenseStart = bend(10, 30);
    tenseStart[0].tension = 0.5f;
    const std::vector<PathKey> two = {Key(0, 0, 0, 0, 0.5f), Key(2, 4, 6, 10, 0.25f)};
    const std::vector<PathKey> loop = {Key(0, 0, 0, 0), Key(1, 0, 0, 10), Key(0, 1, 0, 30), Key(0, 0, 0, 60)};
    const Case cases[] = {
        {bend(50, 100, 0, 0.5f, 0.25f), false, 1, {0.3125f, 0.5625f, 0}, {0.9375f, 0.1875f, 0}},
        {bend(50, 100, 0.5f), false, 1, {0.25f, 0.25f, 0}, {0.25f, 0.25f, 0}},
        // Unequal spacing: each side gets its share of the neighbours' span.
        {bend(10, 30), false, 1, {1 / 3.0f, 1 / 3.0f, 0}, {2 / 3.0f, 2 / 3.0f, 0}},
        // Open ends: k = 0.75 - 10 / 60 at the start and 0.75 - 20 / 60 at the end.
        {tenseStart, false, 0, {}, {2.0f / 3.0f, -1.0f / 12.0f, 0}},
        {bend(10, 30), false, 2, {-1.0f / 3.0f, 7.0f / 6.0f, 0}, {}},
        // Two keys: the step, each end scaled by its own tension.
        {two, true, 0, {}, {1, 2, 3}},
        {two, true, 1, {1.5f, 3, 4.5f}, {}},
        // Key 0 sees key 2 thirty frames before it and key 1 ten after, across the seam; key 3 is key 0.
        {loop, true, 0, {0.75f, -0.75f, 0}, {0.25f, -0.25f, 0}},
        {loop, true, 3, {0.75f, -0.75f, 0}, {0.25f, -0.25f, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        const Path path(c.keys, c.closed);
        ExpectNear(path.keys[c.key].incomingTangent, c.incoming);
        ExpectNear(path.keys[c.key].outgoingTangent, c.outgoing);
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
    Path path(std::vector<PathKey>{Key(0, 0, 0, 0), Key(10, 0, 0, 50), Key(20, 0, 0, 100), Key(30, 0, 0, 150)}, false);
    path.Reset();
    for (int frame = 1; frame <= 25; ++frame) path.AdvancePath();
    ExpectNear(path.point, {5.0f, 0.0f, 0.0f});  // the open start's tangent keeps the pace even
    for (int frame = 26; frame <= 50; ++frame) path.AdvancePath();
    EXPECT_EQ(std::tuple(path.current, path.next, path.frameCounter), std::tuple(0u, 1u, 50u));
    EXPECT_EQ(Xyz(path.point), (std::array{10.0f, 0.0f, 0.0f}));
    path.AdvancePath();
    EXPECT_EQ(std::tuple(path.current, path.next, path.frameCounter), std::tuple(1u, 2u, 51u));
    ExpectNear(path.point, {10.2f, 0.0f, 0.0f});
}

TEST(Path, ClosedLoopHoldsTheLoopPointAndRepeatsEvery1552Calls) {
    Path path(MakeTunnelPathKeys(), true);
    path.Reset();
    std::vector<std::array<float, 3>> firstLoop;
    for (int call = 1; call <= 1552; ++call) {
        path.AdvancePath();
        firstLoop.push_back(Xyz(path.point));
    }
    EXPECT_EQ((std::vector{firstLoop[24], firstLoop[49], firstLoop[50], firstLoop[1549], firstLoop[1551]}),
              (std::vector{Xyz(path.KeyPoint(0, 25)), Xyz(path.keys[1].position), Xyz(path.KeyPoint(1, 1)),
                           Xyz(path.keys[31].position), Xyz(path.keys[0].position)}));
    EXPECT_NE(firstLoop[1548], firstLoop[1549]);
    // One frame on the segment from key 31 back to key 0: u is practically 0.
    ExpectNear({firstLoop[1550][0], firstLoop[1550][1], firstLoop[1550][2]}, path.keys[31].position, 1e-6f);
    EXPECT_EQ(std::tuple(path.current, path.next, path.frameCounter), std::tuple(0u, 1u, 0u));
    for (std::size_t call = 0; call < firstLoop.size(); ++call) {
        path.AdvancePath();
        ASSERT_EQ(Xyz(path.point), firstLoop[call]) << call;
    }
    // KeyPoint wraps indices once around the loop.
    for (const auto& [index, key] : {std::pair{-1, 30}, {0, 0}, {31, 31}, {32, 1}, {61, 30}}) {
        EXPECT_EQ(Xyz(path.KeyPoint(index, 0)), Xyz(path.keys[key].position)) << index;
    }
    // Key 31 leads on to key 1 across the seam: the unsigned time step is
    // huge, so an offset barely moves off the loop point.
    ExpectNear(path.KeyPoint(31, 20), path.keys[31].position, 1e-6f);
}

}  // namespace
}  // namespace zint
