#include "scenes/flock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "data/items.h"
#include "scenes/random.h"
#include "scenes/texture_generator.h"

namespace zint {
namespace {

constexpr float kFrame = 1.0f / 60.0f;

bool IsFinite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void ExpectEqualVectors(const Vector3& actual, const Vector3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// A flock drawn from the sequence at `seed`, not tied to any resources.
Flock MakeFlock(std::uint32_t seed = 1) {
    SeedRand(seed);
    return Flock(nullptr, nullptr);
}

// Every boid on a level circle, so cohesion and separation are horizontal.
void PlaceOnCircle(Flock& flock, Vector3 middle, float radius) {
    for (std::size_t i = 0; i < flock.boids.size(); ++i) {
        const float angle = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) /
                            static_cast<float>(flock.boids.size());
        flock.boids[i].position.Set(middle.x + radius * std::cos(angle), middle.y,
                                    middle.z + radius * std::sin(angle));
        flock.boids[i].velocity.Clear();
    }
}

TEST(FlockReset, DrawsZYXThenRedGreenBluePerBoidFromTheSharedSequence) {
    const Flock flock = MakeFlock(77);
    const int nextAfterConstruction = Rand();

    SeedRand(77);
    const float inverse = 1.0f / 32767.0f;
    const auto draw = [&](float factor) { return static_cast<float>(Rand()) * factor * inverse; };
    ASSERT_EQ(flock.boids.size(), 50u);
    for (const Boid& boid : flock.boids) {
        const float z = 2.0f - draw(4.0f);
        const float y = 0.25f + draw(1.5f);
        const float x = 2.0f - draw(6.0f);
        EXPECT_EQ(boid.position.z, z);
        EXPECT_EQ(boid.position.y, y);
        EXPECT_EQ(boid.position.x, x);
        EXPECT_EQ(boid.red, 0.5f + draw(0.5f));
        EXPECT_EQ(boid.green, 0.5f + draw(0.5f));
        EXPECT_EQ(boid.blue, 0.5f + draw(0.5f));
    }
    EXPECT_EQ(Rand(), nextAfterConstruction) << "construction draws exactly six values per boid";
}

TEST(FlockReset, KeepsBoidsInTheirBoxWithZeroVelocityAndShrinksThePulses) {
    Flock flock = MakeFlock(5);
    float low[3] = {10, 10, 10};
    float high[3] = {-10, -10, -10};
    float colourLow = 10;
    float colourHigh = -10;
    for (int reset = 0; reset < 200; ++reset) {
        flock.StepFlock(1.0f);
        flock.ResetFlock();
        EXPECT_EQ(flock.pulseA.radius, 0.05f);
        EXPECT_EQ(flock.pulseB.radius, 0.05f);
        for (const Boid& boid : flock.boids) {
            EXPECT_EQ(boid.velocity.Length(), 0.0f);
            const float p[3] = {boid.position.x, boid.position.y, boid.position.z};
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], p[axis]);
                high[axis] = std::max(high[axis], p[axis]);
            }
            colourLow = std::min({colourLow, boid.red, boid.green, boid.blue});
            colourHigh = std::max({colourHigh, boid.red, boid.green, boid.blue});
        }
    }
    // 10000 draws per coordinate come within a few thousandths of each end.
    const float bounds[3][2] = {{-4.0f, 2.0f}, {0.25f, 1.75f}, {-2.0f, 2.0f}};
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_GE(low[axis], bounds[axis][0] - 1e-6f);
        EXPECT_LT(low[axis], bounds[axis][0] + 0.01f);
        EXPECT_LE(high[axis], bounds[axis][1] + 1e-6f);
        EXPECT_GT(high[axis], bounds[axis][1] - 0.01f);
    }
    EXPECT_GE(colourLow, 0.5f);
    EXPECT_LE(colourHigh, 1.0f + 1e-6f);
}

TEST(Pulse, GrowsByItsRateAndWrapsToItsMinimumOnlyAboveTheMaximum) {
    Pulse pulse;
    pulse.Grow(1.0f);
    EXPECT_EQ(pulse.radius, 0.05f + 0.975f);
    EXPECT_EQ(pulse.radiusSquared, pulse.radius * pulse.radius);

    pulse.growthRate = 1.0f;
    pulse.radius = 1.5f;
    pulse.Grow(0.5f);
    EXPECT_EQ(pulse.radius, 2.0f) << "exactly the maximum does not wrap";
    EXPECT_EQ(pulse.radiusSquared, 4.0f);
    pulse.Grow(1e-6f);
    EXPECT_EQ(pulse.radius, 0.05f);
    EXPECT_EQ(pulse.radiusSquared, 0.05f * 0.05f);
}

TEST(Pulse, WrapsAboutEveryTwoSecondsAtSixtyFrames) {
    Pulse pulse;
    std::vector<int> wraps;
    for (int frame = 1; frame <= 600; ++frame) {
        const float before = pulse.radius;
        pulse.Grow(kFrame);
        EXPECT_LE(pulse.radius, 2.0f);
        if (pulse.radius < before) {
            EXPECT_EQ(pulse.radius, 0.05f);
            wraps.push_back(frame);
        }
    }
    // 0.05 + 120 * 0.01625 is 2.0 exactly; the float sum ends just above.
    ASSERT_EQ(wraps.size(), 5u);
    EXPECT_EQ(wraps[0], 120);
    for (std::size_t i = 1; i < wraps.size(); ++i) EXPECT_EQ(wraps[i] - wraps[i - 1], 120);
}

TEST(Pulse, ContainsOnlyPointsStrictlyInside) {
    Pulse pulse;
    pulse.growthRate = 0.0f;
    pulse.radius = 0.5f;
    pulse.Grow(kFrame);
    EXPECT_FALSE(pulse.Contains({0.5f, 0.0f, 0.0f}));
    EXPECT_FALSE(pulse.Contains({0.0f, -0.3f, 0.4f}));
    EXPECT_TRUE(pulse.Contains({0.0f, 0.0f, 0.499f}));
    EXPECT_TRUE(pulse.Contains({0.0f, 0.0f, 0.0f}));
}

class FlockStep : public ::testing::Test {
protected:
    // A circle far from both obstacles plus boid 0 placed by the test; the
    // two flocks differ only in the radius of the first pulse.
    void PlaceTwins(Vector3 loner) {
        for (Flock* flock : {&small, &large}) {
            PlaceOnCircle(*flock, {-3.0f, 1.0f, -1.0f}, 0.5f);
            flock->boids[0].position = loner;
            flock->pulseA.growthRate = 0.0f;
        }
        small.pulseA.radius = 0.05f;
        large.pulseA.radius = 0.5f;
        small.StepFlock(kFrame);
        large.StepFlock(kFrame);
    }

    Flock small = MakeFlock();
    Flock large = MakeFlock();
};

TEST_F(FlockStep, APulsePushesOutOnlyBoidsStrictlyInsideIt) {
    const Vector3 obstacle = small.obstacleA;
    PlaceTwins({obstacle.x + 0.5f, obstacle.y, obstacle.z});
    EXPECT_EQ(large.boids[0].velocity.x, small.boids[0].velocity.x) << "on the sphere is not inside";
    EXPECT_EQ(large.boids[0].velocity.z, small.boids[0].velocity.z);

    PlaceTwins({obstacle.x + 0.499f, obstacle.y, obstacle.z});
    EXPECT_GT(large.boids[0].velocity.x, small.boids[0].velocity.x + 0.05f) << "pushed away along +x";
    EXPECT_EQ(large.boids[1].velocity.x, small.boids[1].velocity.x) << "other boids are unaffected";
}

TEST(FlockStepFloor, BoidsCloserThanATenthToTheFloorTurnSteeplyUp) {
    for (const float height : {0.05f, -0.05f, 0.0999f, 0.0f}) {
        Flock flock = MakeFlock();
        PlaceOnCircle(flock, {0.0f, height, 0.0f}, 0.5f);
        flock.StepFlock(kFrame);
        for (const Boid& boid : flock.boids) EXPECT_GT(boid.velocity.y, 0.9f) << "height " << height;
    }
    for (const float height : {0.1f, -0.1f, 0.3f}) {
        Flock flock = MakeFlock();
        PlaceOnCircle(flock, {0.0f, height, 0.0f}, 0.5f);
        flock.StepFlock(kFrame);
        for (const Boid& boid : flock.boids) EXPECT_NEAR(boid.velocity.y, 0.0f, 1e-5f) << "height " << height;
    }
}

TEST(FlockStepOrder, EveryBoidSteersFromThePositionsBeforeTheStep) {
    Flock forward = MakeFlock(9);
    Flock reversed = MakeFlock(9);
    std::reverse(reversed.boids.begin(), reversed.boids.end());
    Vector3 mean;
    for (const Boid& boid : forward.boids) boid.position.Sum(mean, mean);
    mean.Scale(1.0f / 50.0f);

    const std::vector<Boid> before = forward.boids;
    forward.StepFlock(0.1f);
    reversed.StepFlock(0.1f);
    ExpectEqualVectors(forward.centre, mean, 1e-5f);
    for (std::size_t i = 0; i < 50; ++i) {
        const Boid& boid = forward.boids[i];
        const Boid& twin = reversed.boids[49 - i];
        ExpectEqualVectors(boid.velocity, twin.velocity, 1e-4f);
        Vector3 moved;
        boid.velocity.Scaled(moved, 0.1f).Sum(moved, before[i].position);
        ExpectEqualVectors(boid.position, moved, 1e-6f);
    }
}

TEST(FlockStepDegenerate, BoidsWithoutADirectionStayFinite) {
    Flock flock = MakeFlock();
    for (Boid& boid : flock.boids) boid.position.Set(0.0f, 0.5f, 0.0f);  // all on the centre
    flock.StepFlock(kFrame);
    for (const Boid& boid : flock.boids) {
        EXPECT_EQ(boid.velocity.Length(), 0.0f) << "nothing to steer by: no heading yet";
        EXPECT_EQ(boid.position.y, 0.5f);
    }
    for (Boid& boid : flock.boids) boid.velocity.Set(1.0f, 0.0f, 0.0f);
    flock.StepFlock(kFrame);
    for (const Boid& boid : flock.boids) {
        ExpectEqualVectors(boid.velocity, {1.0f, 0.0f, 0.0f}, 1e-7f);
        EXPECT_NEAR(boid.position.x, kFrame, 1e-7f);
    }

    flock.ResetFlock();
    flock.boids[1].position = flock.boids[0].position;  // a shared position
    flock.boids[2].position.Set(1e-30f, 1.0f, 0.0f);    // a difference too small to square
    flock.boids[3].position.Set(0.0f, 1.0f, 0.0f);
    flock.boids[4].position = flock.obstacleB;  // on the sphere's centre
    flock.pulseB.radius = 1.0f;
    flock.StepFlock(kFrame);
    for (const Boid& boid : flock.boids) {
        EXPECT_TRUE(IsFinite(boid.position));
        EXPECT_NEAR(boid.velocity.Length(), 1.0f, 1e-6f);
    }
}

// The sequence as the program runs it: the flock's first reset, the two
// texture scripts, then the reset of the scene's start.
TEST(FlockStepLongRun, VelocitiesStayUnitAndNothingBecomesNaN) {
    Flock flock = MakeFlock(1);
    TextureGenerator generator;
    const auto ignore = [](const TextureGenerator&, int) {};
    for (const unsigned char* script : {data::textureScript1, data::textureScript2}) {
        const MemoryFile record{0, static_cast<std::uint32_t>(data::ItemSize(script)), data::ItemBytes(script)};
        ASSERT_TRUE(RunTextureScript(generator, record, ignore));
    }
    flock.ResetFlock();

    const float frameTimes[] = {kFrame, 1.0f / 85.0f, 1.0f / 30.0f, 0.0f, 0.25f};
    int bad = 0;
    for (int step = 0; step < 4000 && bad == 0; ++step) {
        flock.StepFlock(frameTimes[step % 5]);
        for (const Boid& boid : flock.boids) {
            if (!IsFinite(boid.position) || std::fabs(boid.velocity.Length() - 1.0f) > 1e-5f) ++bad;
        }
        if (!IsFinite(flock.centre)) ++bad;
        EXPECT_EQ(bad, 0) << "at step " << step;
    }
}

}  // namespace
}  // namespace zint
