#pragma once
// Every effect is a Scene, driven by the main loop in a fixed pattern:
// Start once when it becomes current, then per frame Render, buffer swap,
// Update with the frame's seconds, IsFinished. After IsFinished has said
// true the scene gets no further call.
#include "gfx/vector3.h"

namespace zint {

class Scene {
public:
    virtual ~Scene() = default;
    virtual bool Start() = 0;
    virtual void Update(float seconds) = 0;
    virtual void Render() = 0;
    virtual bool IsFinished() = 0;
};

// Base of the two 3D scenes: the look-at camera, handed to the view
// transform in the order eye, target, up.
class CameraScene : public Scene {
public:
    Vector3 eye;
    Vector3 target;
    Vector3 up;
};

// A black screen between two effects. Like every timed scene it is finished
// only once elapsed exceeds duration, strictly.
class PauseScene final : public Scene {
public:
    explicit PauseScene(float duration) : duration(duration) {}

    bool Start() override;
    void Update(float seconds) override { elapsed += seconds; }
    void Render() override;
    bool IsFinished() override { return elapsed > duration; }

    float duration;
    float elapsed = 0.0f;
};

}  // namespace zint
