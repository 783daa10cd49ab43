#pragma once
// The flock over a textured floor, seen by a camera that circles it and
// looks at its centre, with two translucent pulsing spheres and seven
// messages shown one after another for 300 frames each.
#include "gfx/drawing.h"

#include <memory>

#include "app/scene.h"
#include "scenes/flock.h"

namespace zint {

struct Resources;

// One compiled display list: the floor quad. The list is never deleted; like
// the textures it lives as long as the process.
class DisplayList {
public:
    explicit DisplayList(bool build);  // true compiles the floor; needs a current context

    void Call() const {
        if (valid) gl::CallList(listName);
    }

    bool valid = false;
    GLuint listName = 0;
};

class BoidsScene final : public CameraScene {
public:
    static constexpr int kTextFrames = 300;

    // Builds the floor and resets the flock once. The resources are read
    // only while rendering, so they may still be empty here.
    BoidsScene(float duration, Resources* resources);

    bool Start() override;
    void Update(float seconds) override;
    void Render() override;
    bool IsFinished() override { return elapsed > duration; }

    std::unique_ptr<DisplayList> floor;  // before the flock, which keeps a pointer to it
    std::unique_ptr<Flock> flock;
    float orbitAngle = 0.0f;
    float duration;
    float elapsed = 0.0f;
    bool textsDone = false;
    int textCountdown = 0;
    int textIndex = 0;  // texture slot of the text shown
    int lastTextIndex = 0;

private:
    void AdvanceTexts();
    void Orbit();
    void DrawFloor() const;
    void DrawBoids() const;
    void DrawObstacleMarkers() const;
    void DrawSpheres() const;
    void DrawText() const;
};

}  // namespace zint
