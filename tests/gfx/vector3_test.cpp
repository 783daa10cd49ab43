#include "gfx/vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <optional>

namespace zint {
namespace {

void ExpectVector(const Vector3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(Vector3, IsThreeContiguousFloatsInXYZOrder) {
    static_assert(offsetof(Vector3, x) == 0);
    static_assert(offsetof(Vector3, y) == sizeof(float));
    static_assert(offsetof(Vector3, z) == 2 * sizeof(float));
    const Vector3 v{1.0f, 2.0f, 3.0f};
    EXPECT_EQ(v.Data()[0], 1.0f);
    EXPECT_EQ(v.Data()[1], 2.0f);
    EXPECT_EQ(v.Data()[2], 3.0f);
}

TEST(Vector3, MemberOperationsChainOnThisVector) {
    Vector3 v;
    ExpectVector(v, 0, 0, 0);
    Vector3& result = v.Set(1.0f, -2.0f, 3.0f).Scale(2.0f);
    EXPECT_EQ(&result, &v);
    ExpectVector(v, 2, -4, 6);
    Vector3 w;
    EXPECT_EQ(&w.Assign(v), &w);
    ExpectVector(w, 2, -4, 6);
    EXPECT_EQ(&w.Clear(), &w);
    ExpectVector(w, 0, 0, 0);
    ExpectVector(v, 2, -4, 6);
}

TEST(Vector3, ScaledLeavesThisAloneAndMayWriteIntoIt) {
    Vector3 v{1.0f, 2.0f, -3.0f};
    Vector3 out;
    EXPECT_EQ(&v.Scaled(out, 0.5f), &out);
    ExpectVector(out, 0.5f, 1.0f, -1.5f);
    ExpectVector(v, 1, 2, -3);

    EXPECT_EQ(&v.Scaled(v, -2.0f), &v);
    ExpectVector(v, -2, -4, 6);
}

TEST(Vector3, SumLeavesThisAloneAndMayWriteIntoEitherOperand) {
    Vector3 v{1.0f, 2.0f, 3.0f};
    Vector3 other{10.0f, 20.0f, 30.0f};
    Vector3 out;
    EXPECT_EQ(&v.Sum(out, other), &out);
    ExpectVector(out, 11, 22, 33);
    ExpectVector(v, 1, 2, 3);
    ExpectVector(other, 10, 20, 30);

    v.Sum(v, other);
    ExpectVector(v, 11, 22, 33);
    v.Sum(other, other);
    ExpectVector(other, 21, 42, 63);
    v.Sum(v, v);
    ExpectVector(v, 22, 44, 66);
}

TEST(Vector3, LengthAndNormalize) {
    Vector3 v{3.0f, 4.0f, 0.0f};
    EXPECT_FLOAT_EQ(v.Length(), 5.0f);
    v.Normalize();
    ExpectVector(v, 0.6f, 0.8f, 0.0f);
    EXPECT_FLOAT_EQ(v.Length(), 1.0f);

    Vector3 diagonal{-2.0f, 2.0f, 1.0f};
    EXPECT_FLOAT_EQ(diagonal.Length(), 3.0f);
}

TEST(Vector3, ProjectGivesTheComponentAlongTheFirstVector) {
    const Vector3 b{0.0f, 5.0f, 0.0f};
    Vector3 out{9.0f, 9.0f, 9.0f};
    Project(Vector3{3.0f, 0.0f, -4.0f}, b, out);
    ExpectVector(out, 0, 0, 0);

    Project(Vector3{0.0f, -0.5f, 0.0f}, b, out);
    ExpectVector(out, 0, 5, 0);

    Project(Vector3{1.0f, 1.0f, 0.0f}, Vector3{2.0f, 0.0f, 7.0f}, out);
    ExpectVector(out, 1, 1, 0);
}

TEST(Vector3, ProjectMayWriteIntoEitherInput) {
    Vector3 a{1.0f, 1.0f, 0.0f};
    const Vector3 b{2.0f, 0.0f, 7.0f};
    Project(a, b, a);
    ExpectVector(a, 1, 1, 0);

    const Vector3 axis{0.0f, 0.0f, 2.0f};
    Vector3 c{3.0f, -1.0f, 4.0f};
    Project(axis, c, c);
    ExpectVector(c, 0, 0, 4);
}

TEST(Vector3, DifferenceIsTheStepFromTheSecondToTheFirst) {
    ExpectVector(Difference(Vector3{1.0f, 5.0f, -2.0f}, Vector3{4.0f, 1.0f, 1.0f}), -3, 4, -3);
}

TEST(Normalized, GivesUnitVectorsAndNothingForVectorsWithoutDirection) {
    const std::optional<Vector3> unit = Normalized({3.0f, 4.0f, 0.0f});
    ASSERT_TRUE(unit);
    ExpectVector(*unit, 0.6f, 0.8f, 0.0f);
    EXPECT_FALSE(Normalized({0.0f, 0.0f, 0.0f}));
    EXPECT_FALSE(Normalized({1e-30f, 0.0f, -1e-30f})) << "squares underflow to a zero length";
    EXPECT_FALSE(Normalized({NAN, 1.0f, 0.0f}));
    const std::optional<Vector3> tiny = Normalized({0.0f, -1e-19f, 0.0f});
    ASSERT_TRUE(tiny);
    EXPECT_NEAR(tiny->y, -1.0f, 1e-3f);
}

TEST(Vector3, CrossFollowsTheRightHandRule) {
    ExpectVector(Cross({1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}), 0, 0, 1);
    ExpectVector(Cross({0.0f, 2.0f, 0.0f}, {0.0f, 0.0f, 3.0f}), 6, 0, 0);
    ExpectVector(Cross({1.0f, 2.0f, 3.0f}, {4.0f, 5.0f, 6.0f}), -3, 6, -3);
}

}  // namespace
}  // namespace zint
