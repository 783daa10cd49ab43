#pragma once
// The fly-through: the camera follows a closed key-framed loop through a
// fogged, textured tube rebuilt every frame around the keys near the camera,
// fading in from black while the corner picture fades out.
#include <array>
#include <span>

#include "app/scene.h"
#include "scenes/path.h"

namespace zint {

inline constexpr int kTunnelKeyCount = 32;
inline constexpr std::uint32_t kTunnelKeySpacing = 50;  // frames from key to key
inline constexpr float kTunnelDuration = 24.0f;

// The loop the tunnel flies: a circle of radius sqrt(2) seen along z, tilted
// into the plane z = 0.75 (x + y). Key 31 repeats key 0 up to float rounding.
std::array<PathKey, kTunnelKeyCount> MakeTunnelPathKeys();

// Three unit vectors of a tube ring.
struct RingAxes {
    Vector3 forward;
    Vector3 up;
    Vector3 side;
};

class TunnelScene final : public CameraScene {
public:
    // The keys form a closed loop.
    TunnelScene(std::span<const PathKey> keys, float duration);

    bool Start() override;
    void Update(float seconds) override;
    void Render() override;
    bool IsFinished() override { return elapsed > duration; }

    // Axes of a ring facing along a -> b, its up as near the world's up as
    // the direction allows.
    static RingAxes RingFrame(const Vector3& a, const Vector3& b);

    Path path;
    float duration;
    float elapsed = 0.0f;
    float fade = 0.0f;  // brightness of the tube; 1 - fade that of the corner picture

private:
    void SetUpCamera() const;
    void DrawTube() const;
    void DrawCornerPicture() const;
};

}  // namespace zint
