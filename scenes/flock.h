#pragma once
// The boids of the boids scene: fifty points that steer towards their centre,
// away from each other, off the floor and out of two pulsing spheres, always
// at one unit per second.
#include <optional>
#include <vector>

#include "gfx/vector3.h"

namespace zint {

struct Resources;
class DisplayList;

struct Boid {
    float red = 0.0f;  // each 0.5 to 1.0
    float green = 0.0f;
    float blue = 0.0f;
    Vector3 position;
    Vector3 velocity;  // unit length after every step
};

// A sphere around an obstacle whose radius grows and wraps back to its
// minimum; boids strictly inside it are pushed out.
struct Pulse {
    // radius += growthRate * dt, wrapping to minRadius above maxRadius.
    void Grow(float dt);
    bool Contains(const Vector3& offsetFromCentre) const;
    // Textured sphere around the current origin, polar axis z.
    void DrawSphere() const;

    float growthRate = 0.975f;  // radius units per second
    int slices = 32;
    int stacks = 32;
    float radius = 0.05f;
    float radiusSquared = 0.0025f;
    float minRadius = 0.05f;
    float maxRadius = 2.0f;
};

class Flock {
public:
    static constexpr int kBoidCount = 50;

    // Resets the flock once, drawing from the program's random sequence.
    // Neither pointer is read here: the floor plays no part in the flock and
    // the resources are read only when the spheres are drawn.
    Flock(Resources* resources, DisplayList* floor);

    // New random positions and colours, zero velocities, minimal pulses.
    void ResetFlock();
    // Grows the pulses, steers every boid from the positions before the step,
    // then moves each along its new heading.
    void StepFlock(float dt);

    Vector3 centre;
    Vector3 obstacleA{1.0f, -0.05f, 1.0f};
    Pulse pulseA;
    Vector3 obstacleB{-1.0f, -0.05f, 0.2f};
    Pulse pulseB;
    DisplayList* floor;
    int boidCount = kBoidCount;
    std::vector<Boid> boids;
    Resources* resources;

private:
    void ComputeCentre();
    void Steer(Boid& boid) const;
    Vector3 Separation(const Boid& boid) const;
};

}  // namespace zint
