#include "scenes/flock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "scenes/random.h"

namespace zint {
namespace {

constexpr float kFrame = 1.0f / 60.0f;

float Distance(const Vector3& a, const Vector3& b) { return Difference(a, b).Length(); }

// A flock drawn from the sequence at `seed`, not tied to any resources.
Flock MakeFlock(std::uint32_t seed = 1) {
    SeedRand(seed);
    return Flock(nullptr, nullptr);
}

// Every boid at rest (as drawn) on a level circle, so cohesion and separation are horizontal.
Flock FlockOnCircle(Vector3 middle, float radius) {
    Flock flock = MakeFlock();
    for (std::size_t i = 0; i < flock.boids.size(); ++i) {
        const float angle = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / 50.0f;
        flock.boids[i].position.Set(middle.x + radius * std::cos(angle), middle.y, middle.z + radius * std::sin(angle));
    }
    return flock;
}

TEST(FlockReset, DrawsEachBoidsZFirstIntoItsBoxAtRestAndShrinksThePulses) {
    // The seed whose first two draws are 0 (the inverse of the generator's step): z = 2 - 0 and y = 0.25 + 0.
    std::uint32_t inverse = 1103515245u;
    for (int i = 0; i < 5; ++i) inverse *= 2u - 1103515245u * inverse;
    const Vector3 first = MakeFlock((0u - 12345u) * inverse).boids[0].position;
    EXPECT_TRUE(first.z == 2.0f && first.y == 0.25f && first.x != 2.0f);

    Flock flock = MakeFlock(5);
    std::array<std::vector<float>, 6> drawn;  // x, y, z, red, green, blue
    for (int reset = 0; reset < 200; ++reset) {
        flock.StepFlock(1.0f);
        flock.ResetFlock();
        EXPECT_EQ(std::pair(flock.pulseA.radius, flock.pulseB.radius), std::pair(0.05f, 0.05f));
        for (const Boid& b : flock.boids) {
            EXPECT_EQ(b.velocity.Length(), 0.0f);
            const float values[] = {b.position.x, b.position.y, b.position.z, b.red, b.green, b.blue};
            for (int i = 0; i < 6; ++i) drawn[i].push_back(values[i]);
        }
    }
    // 10000 draws per value come within a few thousandths of each end.
    const float bounds[6][2] = {{-4.0f, 2.0f}, {0.25f, 1.75f}, {-2.0f, 2.0f}, {0.5f, 1.0f}, {0.5f, 1.0f}, {0.5f, 1.0f}};
    for (int i = 0; i < 6; ++i) {
        const auto [low, high] = std::ranges::minmax(drawn[i]);
        EXPECT_NEAR(low, bounds[i][0] + 0.005f, 0.0051f) << i;
        EXPECT_NEAR(high, bounds[i][1] - 0.005f, 0.0051f) << i;
    }
}

TEST(Pulse, WrapsToItsMinimumOnlyAboveTheMaximumEveryTwoSecondsAndHoldsOnlyWhatIsStrictlyInside) {
    Pulse pulse;
    std::vector<int> wraps;
    for (int frame = 1; frame <= 600; ++frame) {
        const float before = pulse.radius;
        pulse.Grow(kFrame);
        ASSERT_EQ(pulse.radiusSquared, pulse.radius * pulse.radius);
        if (pulse.radius < before) wraps.push_back(frame * 10 + (pulse.radius == 0.05f));
    }
    // 0.05 + 120 * 0.01625 is 2.0 exactly; the float sum ends just above.
    EXPECT_EQ(wraps, (std::vector<int>{1201, 2401, 3601, 4801, 6001}));
    pulse.growthRate = 1.0f;
    pulse.radius = 0.0f;
    pulse.Grow(0.5f);
    EXPECT_FALSE(pulse.Contains({0.5f, 0.0f, 0.0f}) || pulse.Contains({0.0f, -0.3f, 0.4f}));
    EXPECT_TRUE(pulse.Contains({0.0f, 0.0f, 0.499f}));
    pulse.Grow(1.5f);
    EXPECT_EQ(pulse.radius, 2.0f) << "exactly the maximum does not wrap";
}

TEST(FlockStep, APulsePushesOutBoidsStrictlyInsideAndBoidsNearTheFloorTurnUp) {
    // Twin flocks that differ only in the radius of the first pulse.
    for (const float offset : {0.5f, 0.499f}) {
        Flock small = FlockOnCircle({-3.0f, 1.0f, -1.0f}, 0.5f);
        Flock large = FlockOnCircle({-3.0f, 1.0f, -1.0f}, 0.5f);
        for (Flock* flock : {&small, &large}) {
            flock->boids[0].position = flock->obstacleA;
            flock->boids[0].position.x += offset;
            flock->pulseA.growthRate = 0.0f;
        }
        large.pulseA.radius = 0.5f;
        small.StepFlock(kFrame);
        large.StepFlock(kFrame);
        const float push = large.boids[0].velocity.x - small.boids[0].velocity.x;
        if (offset == 0.5f) EXPECT_EQ(push, 0.0f) << "on the sphere is not inside";
        else EXPECT_GT(push, 0.05f) << "pushed away along +x";
        EXPECT_EQ(large.boids[1].velocity.x, small.boids[1].velocity.x) << "other boids are unaffected";
    }
    // Closer than a tenth to the floor, from above or below, turns steeply up.
    for (const float height : {0.05f, -0.05f, 0.0999f, 0.0f, 0.1f, -0.1f, 0.3f}) {
        Flock flock = FlockOnCircle({0.0f, height, 0.0f}, 0.5f);
        flock.StepFlock(kFrame);
        const bool close = std::abs(height) < 0.1f;
        for (const Boid& boid : flock.boids) {
            ASSERT_TRUE(close ? boid.velocity.y > 0.9f : std::abs(boid.velocity.y) < 1e-5f) << height;
        }
    }
}

TEST(FlockStep, SeparationCountsEveryOtherBoidAlikeWhereCohesionWeighsTheirPositions) {
    // Boid 0 between 25 boids one unit along x and 24 three units along z:
    // towards the centre (0.5, 1.44) turns less than away from both groups.
    Flock flock = MakeFlock();
    for (std::size_t i = 1; i < 50; ++i) {
        flock.boids[i].position.Set(i <= 25 ? 1.0f : 0.0f, 1.0f, i <= 25 ? 0.0f : 3.0f);
    }
    flock.boids[0].position.Set(0.0f, 1.0f, 0.0f);
    flock.StepFlock(kFrame);
    const Vector3& heading = flock.boids[0].velocity;
    EXPECT_TRUE(heading.x < -0.7f && heading.z > 0.55f) << heading.x << "," << heading.z;
}

TEST(FlockStep, EveryBoidSteersFromThePositionsBeforeTheStep) {
    Flock forward = MakeFlock(9);
    Flock reversed = MakeFlock(9);
    std::reverse(reversed.boids.begin(), reversed.boids.end());
    Vector3 mean;
    for (const Boid& boid : forward.boids) boid.position.Sum(mean, mean);
    const std::vector<Boid> before = forward.boids;
    forward.StepFlock(0.1f);
    reversed.StepFlock(0.1f);
    EXPECT_LT(Distance(forward.centre, mean.Scale(1.0f / 50.0f)), 1e-5f);
    for (std::size_t i = 0; i < 50; ++i) {
        const Boid& boid = forward.boids[i];
        EXPECT_LT(Distance(boid.velocity, reversed.boids[49 - i].velocity), 1e-4f) << i;
        Vector3 moved;
        boid.velocity.Scaled(moved, 0.1f).Sum(moved, before[i].position);
        EXPECT_LT(Distance(boid.position, moved), 1e-6f) << i;
    }
}

TEST(FlockStep, BoidsWithoutADirectionStayFinite) {
    Flock flock = MakeFlock();
    for (Boid& boid : flock.boids) boid.position.Set(0.0f, 0.5f, 0.0f);  // all on the centre
    flock.StepFlock(kFrame);
    for (const Boid& boid : flock.boids) EXPECT_EQ(boid.velocity.Length(), 0.0f) << "nothing to steer by";

    flock.ResetFlock();
    flock.boids[1].position = flock.boids[0].position;  // a shared position
    flock.boids[2].position.Set(1e-30f, 1.0f, 0.0f);    // a difference too small to square
    flock.boids[3].position.Set(0.0f, 1.0f, 0.0f);
    flock.boids[4].position = flock.obstacleB;  // on the sphere's centre
    flock.pulseB.radius = 1.0f;
    flock.StepFlock(kFrame);
    for (const Boid& boid : flock.boids) {
        EXPECT_TRUE(std::isfinite(boid.position.Length()));
        EXPECT_NEAR(boid.velocity.Length(), 1.0f, 1e-6f);
    }
}

}  // namespace
}  // namespace zint
