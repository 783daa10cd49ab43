#include "gfx/vector3.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>

namespace zint {
namespace {

using Xyz = std::array<float, 3>;

// Read through Data(), as GL reads a vertex. The cases compared exactly are
// exact in binary floating point.
Xyz Of(const Vector3& v) { return {v.Data()[0], v.Data()[1], v.Data()[2]}; }

TEST(Vector3, IsThreeContiguousFloatsWhoseSettersChainOnThisVector) {
    static_assert(offsetof(Vector3, y) == sizeof(float) && offsetof(Vector3, z) == 2 * sizeof(float));
    Vector3 v;
    Vector3 w;
    EXPECT_EQ(Of(v), (Xyz{0, 0, 0}));
    EXPECT_EQ(&v.Set(1.0f, -2.0f, 3.0f).Scale(2.0f), &v);
    EXPECT_EQ(&w.Assign(v), &w);
    EXPECT_EQ(std::pair(Of(w), Of(v)), std::pair(Xyz{2, -4, 6}, Xyz{2, -4, 6}));
    EXPECT_EQ(&w.Clear(), &w);
    EXPECT_EQ(std::pair(Of(w), Of(v)), std::pair(Xyz{0, 0, 0}, Xyz{2, -4, 6}));
}

TEST(Vector3, ScaledSumAndProjectLeaveTheirInputsAloneOrWriteIntoAnyOfThem) {
    Vector3 a{1.0f, 2.0f, 3.0f};
    Vector3 b{10.0f, 20.0f, 30.0f};
    Vector3 out;
    EXPECT_EQ(&a.Scaled(out, -0.5f), &out);
    EXPECT_EQ(std::pair(Of(out), Of(a)), std::pair(Xyz{-0.5f, -1, -1.5f}, Xyz{1, 2, 3}));
    EXPECT_EQ(&a.Sum(out, b), &out);
    EXPECT_EQ(std::tuple(Of(out), Of(a), Of(b)), std::tuple(Xyz{11, 22, 33}, Xyz{1, 2, 3}, Xyz{10, 20, 30}));
    EXPECT_EQ(Of(a.Sum(a, b)), (Xyz{11, 22, 33}));
    EXPECT_EQ(Of(a.Sum(b, b)), (Xyz{21, 42, 63}));
    EXPECT_EQ(Of(a.Sum(a, a)), (Xyz{22, 44, 66}));
    EXPECT_EQ(Of(a.Scaled(a, -0.5f)), (Xyz{-11, -22, -33}));

    const Vector3 up{0.0f, 5.0f, 0.0f};
    Project(Vector3{3.0f, 0.0f, -4.0f}, up, out);
    EXPECT_EQ(Of(out), (Xyz{0, 0, 0})) << "perpendicular";
    Project(Vector3{0.0f, -0.5f, 0.0f}, up, out);
    EXPECT_EQ(Of(out), (Xyz{0, 5, 0})) << "the length comes from the second vector";
    Vector3 c{3.0f, -1.0f, 4.0f};
    Project(Vector3{0.0f, 0.0f, 2.0f}, c, c);
    EXPECT_EQ(Of(c), (Xyz{0, 0, 4}));
    Vector3 d{1.0f, 1.0f, 0.0f};
    Project(d, Vector3{2.0f, 0.0f, 7.0f}, d);
    EXPECT_EQ(Of(d), (Xyz{1, 1, 0}));
}

TEST(Vector3, LengthsDirectionsDifferencesAndCrossProducts) {
    EXPECT_EQ((Vector3{-2.0f, 2.0f, 1.0f}).Length(), 3.0f);
    Vector3 v{3.0f, 4.0f, 0.0f};
    v.Normalize();
    const std::optional<Vector3> unit = Normalized({3.0f, 4.0f, 0.0f});
    ASSERT_TRUE(unit);
    for (const Vector3& u : {v, *unit}) {
        EXPECT_TRUE(std::fabs(u.x - 0.6f) < 1e-6f && std::fabs(u.y - 0.8f) < 1e-6f && u.z == 0.0f);
    }
    EXPECT_FALSE(Normalized({0.0f, 0.0f, 0.0f}));
    EXPECT_FALSE(Normalized({1e-30f, 0.0f, -1e-30f})) << "squares underflow to a zero length";
    EXPECT_FALSE(Normalized({NAN, 1.0f, 0.0f}));
    EXPECT_NEAR(Normalized({0.0f, -1e-19f, 0.0f}).value_or(Vector3{}).y, -1.0f, 1e-3f);

    EXPECT_EQ(Of(Difference({1.0f, 5.0f, -2.0f}, {4.0f, 1.0f, 1.0f})), (Xyz{-3, 4, -3}));
    EXPECT_EQ(Of(Cross({1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f})), (Xyz{0, 0, 1}));
    EXPECT_EQ(Of(Cross({0.0f, 2.0f, 0.0f}, {0.0f, 0.0f, 3.0f})), (Xyz{6, 0, 0}));
    EXPECT_EQ(Of(Cross({1.0f, 2.0f, 3.0f}, {4.0f, 5.0f, 6.0f})), (Xyz{-3, 6, -3}));
}

}  // namespace
}  // namespace zint
