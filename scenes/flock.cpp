#include "scenes/flock.h"

#include "gfx/drawing.h"

#include <cmath>
#include <utility>

#include "gfx/angles.h"
#include "scenes/random.h"

namespace zint {

namespace {

constexpr float kInverseRandMax = 1.0f / 32767.0f;

constexpr float kVelocityDamping = 0.5f;
constexpr float kCohesionWeight = 1.05f;
constexpr float kSeparationWeight = 0.95f;
constexpr float kFloorClearance = 0.1f;
constexpr float kFloorPush = 7.0f;

// rand * factor / 32767, in the float steps the flock's start depends on.
float RandomUpTo(float factor) { return static_cast<float>(Rand()) * factor * kInverseRandMax; }

void AddScaled(Vector3& sum, const Vector3& v, float s) {
    Vector3 term;
    v.Scaled(term, s).Sum(sum, sum);
}

// sum += weight * normalise(v); a term without a direction is left out.
void AddDirection(Vector3& sum, const Vector3& v, float weight = 1.0f) {
    if (const std::optional<Vector3> direction = Normalized(v)) AddScaled(sum, *direction, weight);
}

}  // namespace

void Pulse::Grow(float dt) {
    radius += growthRate * dt;
    if (radius > maxRadius) radius = minRadius;
    radiusSquared = radius * radius;
}

bool Pulse::Contains(const Vector3& offsetFromCentre) const {
    return Dot(offsetFromCentre, offsetFromCentre) < radiusSquared;
}

// One quad strip per band of latitude, closed on itself; the texture is
// mapped by the direction's x and y.
void Pulse::DrawSphere() const {
    const float latitudeStep = kPi / static_cast<float>(stacks);
    const float longitudeStep = kTwoPi / static_cast<float>(slices);
    const auto vertex = [this](float longitude, float latitude) {
        const Vector3 u{std::cos(longitude) * std::cos(latitude), std::sin(longitude) * std::cos(latitude),
                        std::sin(latitude)};
        gl::Normal3fv(u.Data());
        gl::TexCoord2f(u.x, u.y);
        gl::Vertex3f(radius * u.x, radius * u.y, radius * u.z);
    };
    float lower = -kHalfPi;
    for (int band = 0; band < stacks; ++band) {
        const float upper = lower + latitudeStep;
        gl::Begin(GL_QUAD_STRIP);
        float longitude = 0.0f;
        for (int j = 0; j <= slices; ++j) {
            vertex(longitude, upper);
            vertex(longitude, lower);
            longitude += longitudeStep;
        }
        gl::End();
        lower = upper;
    }
}

Flock::Flock(Resources* resources, DisplayList* floor)
    : floor(floor), boids(static_cast<std::size_t>(boidCount)), resources(resources) {
    ResetFlock();
}

void Flock::ResetFlock() {
    for (Boid& boid : boids) {
        // The draw order fixes the flock's start and what the rest of the
        // program's random sequence gives.
        boid.position.z = 2.0f - RandomUpTo(4.0f);
        boid.position.y = 0.25f + RandomUpTo(1.5f);
        boid.position.x = 2.0f - RandomUpTo(6.0f);
        boid.velocity.Clear();
        boid.red = 0.5f + RandomUpTo(0.5f);
        boid.green = 0.5f + RandomUpTo(0.5f);
        boid.blue = 0.5f + RandomUpTo(0.5f);
    }
    pulseA.radius = pulseA.minRadius;
    pulseB.radius = pulseB.minRadius;
}

void Flock::StepFlock(float dt) {
    pulseA.Grow(dt);
    pulseB.Grow(dt);
    ComputeCentre();
    // Steering reads positions only, so every boid sees the flock as it was
    // before this step.
    for (Boid& boid : boids) Steer(boid);
    for (Boid& boid : boids) AddScaled(boid.position, boid.velocity, dt);
}

void Flock::ComputeCentre() {
    centre.Clear();
    for (const Boid& boid : boids) boid.position.Sum(centre, centre);
    centre.Scale(1.0f / static_cast<float>(boidCount));
}

void Flock::Steer(Boid& boid) const {
    const Vector3 previous = boid.velocity;
    Vector3& velocity = boid.velocity;
    velocity.Scale(kVelocityDamping);
    AddDirection(velocity, Difference(centre, boid.position), kCohesionWeight);
    if (Vector3{0.0f, boid.position.y, 0.0f}.Length() < kFloorClearance) velocity.y += kFloorPush;
    for (const auto& [obstacle, pulse] : {std::pair{&obstacleA, &pulseA}, std::pair{&obstacleB, &pulseB}}) {
        const Vector3 away = Difference(boid.position, *obstacle);
        if (pulse->Contains(away)) AddDirection(velocity, away);
    }
    AddDirection(velocity, Separation(boid));
    // A boid whose steering cancels out exactly keeps its heading.
    velocity = Normalized(velocity).value_or(previous);
}

// The sum of the directions away from every other boid, whatever the
// distance; a boid sharing this one's position gives no direction.
Vector3 Flock::Separation(const Boid& boid) const {
    Vector3 sum;
    for (const Boid& other : boids) {
        if (&other == &boid) continue;
        AddDirection(sum, Difference(boid.position, other.position), kSeparationWeight);
    }
    return sum;
}

}  // namespace zint
