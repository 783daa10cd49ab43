#include "scenes/tunnel_scene.h"

#include "gfx/drawing.h"

#include <cmath>

#include "gfx/angles.h"
#include "gfx/draw_state.h"
#include "gfx/resources.h"

namespace zint {

namespace {


constexpr float kKeyRadiusZ = 1.5f;

constexpr double kFieldOfView = 60.0;
constexpr double kAspect = 4.0 / 3.0;
constexpr double kNearPlane = 0.1f;  // the float value, widened
constexpr double kFarPlane = 666.0;
constexpr GLfloat kFogColour[4] = {0.25f, 0.25f, 0.25f, 1.0f};

constexpr int kTubeRings = 16;  // around keys current - 1 to current + 14
constexpr int kRingSegments = 16;
constexpr float kRingScale = 0.25f;
constexpr float kSegmentAngle = kTwoPi * 0.0625f;

constexpr float kPictureSide = 256.0f;
constexpr float kPictureLeftCut = 0.01f;  // the picture's leftmost columns are not shown

// A ring of the tube: its centre and its side and up axes scaled to the radius.
struct Ring {
    Vector3 centre;
    Vector3 side;
    Vector3 up;
};

Ring MakeRing(const Vector3& centre, const RingAxes& axes) {
    Ring ring{centre, {}, {}};
    axes.side.Scaled(ring.side, kRingScale);
    axes.up.Scaled(ring.up, kRingScale);
    return ring;
}

// centre + side * q + up * p
Vector3 RingVertex(const Ring& ring, float q, float p) {
    Vector3 vertex;
    Vector3 lift;
    ring.side.Scaled(vertex, q).Sum(vertex, ring.centre);
    ring.up.Scaled(lift, p).Sum(vertex, vertex);
    return vertex;
}

// One quad strip from the farther ring to the nearer one. The texture wraps
// once around and once along, and the inner faces come out front-facing.
void DrawStrip(const Ring& farther, const Ring& nearer) {
    gl::Begin(GL_QUAD_STRIP);
    float theta = 0.0f;
    for (int j = 0; j <= kRingSegments; ++j) {
        const float p = std::sin(theta) + std::cos(theta);
        const float q = std::cos(theta) - std::sin(theta);
        gl::TexCoord2f(static_cast<float>(j) / kRingSegments, 0.0f);
        gl::Vertex3fv(RingVertex(farther, q, p).Data());
        gl::TexCoord2f(static_cast<float>(j + 1) / kRingSegments, 1.0f);
        gl::Vertex3fv(RingVertex(nearer, q, p).Data());
        theta += kSegmentAngle;
    }
    gl::End();
}

void BindTexture(int slot) { resources->textures[slot]->Bind(); }

}  // namespace

std::array<PathKey, kTunnelKeyCount> MakeTunnelPathKeys() {
    // Accumulated in single precision, so the last key lands one turn on.
    constexpr float kAngleStep = kPi * (2.0f / (kTunnelKeyCount - 1));
    std::array<PathKey, kTunnelKeyCount> keys{};
    float angle = 0.0f;
    for (int i = 0; i < kTunnelKeyCount; ++i) {
        const float cosine = std::cos(angle);
        const float sine = std::sin(angle);
        keys[i].position.Set(cosine - sine, sine + cosine, kKeyRadiusZ * cosine);
        keys[i].time = kTunnelKeySpacing * static_cast<std::uint32_t>(i);
        angle += kAngleStep;
    }
    return keys;
}

TunnelScene::TunnelScene(std::span<const PathKey> keys, float duration) : path(keys, true), duration(duration) {}

bool TunnelScene::Start() {
    elapsed = 0.0f;
    gl::ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    // The tube needs both; the scene before leaves them on, but say so here.
    gl::Enable(GL_DEPTH_TEST);
    gl::Enable(GL_CULL_FACE);
    eye.Set(0.0f, 2.0f, 4.0f);
    target.Set(0.0f, 0.0f, 0.0f);
    up.Set(0.0f, 1.0f, 0.0f);
    path.Reset();
    fade = 0.0f;
    return true;
}

void TunnelScene::Update(float seconds) {
    elapsed += seconds;
    // One path frame per rendered frame, whatever the seconds.
    path.AdvancePath();
    eye.Assign(target);
    target.Assign(path.point);
    fade = std::sin(kHalfPi * elapsed / duration);
}

void TunnelScene::Render() {
    gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetUpCamera();

    gl::Enable(GL_TEXTURE_2D);
    BindTexture(kGeneratedTexture2Slot);
    gl::Enable(GL_FOG);
    gl::Fogi(GL_FOG_MODE, GL_EXP2);
    gl::Fogfv(GL_FOG_COLOR, kFogColour);
    // The walls fade in; the fog colour does not.
    gl::Color4f(fade, fade, fade, 1.0f);
    DrawTube();
    gl::Disable(GL_TEXTURE_2D);
    gl::Disable(GL_FOG);

    DrawCornerPicture();
    RestoreSceneState();
}

RingAxes TunnelScene::RingFrame(const Vector3& a, const Vector3& b) {
    const Vector3 worldUp{0.0f, 1.0f, 0.0f};
    RingAxes axes;
    axes.forward = Difference(b, a);
    axes.forward.Normalize();

    Vector3 alongForward;
    Project(axes.forward, worldUp, alongForward);
    axes.up = Difference(worldUp, alongForward);
    axes.up.Normalize();

    axes.side = Cross(axes.forward, axes.up);
    axes.side.Normalize();
    return axes;
}

void TunnelScene::SetUpCamera() const {
    UsePerspectiveCamera(kFieldOfView, kAspect, kNearPlane, kFarPlane, eye, target, up);
}

void TunnelScene::DrawTube() const {
    // The tube starts one key behind the camera's segment; the first two
    // rings share the direction into key `current`.
    const int first = static_cast<int>(path.current) - 1;
    const Vector3 start = path.KeyPoint(first, 0);
    Ring nearer = MakeRing(start, RingFrame(start, path.KeyPoint(first + 1, 0)));
    for (int k = 1; k < kTubeRings; ++k) {
        const Vector3 centre = path.KeyPoint(first + k, 0);
        const Ring farther = MakeRing(centre, RingFrame(nearer.centre, centre));
        DrawStrip(farther, nearer);
        nearer = farther;
    }
}

void TunnelScene::DrawCornerPicture() const {
    UseTopLeftPixelProjection();
    BeginAdditiveOverlay();
    const float brightness = 1.0f - fade;
    gl::Color4f(brightness, brightness, brightness, 1.0f);
    BindTexture(kPicture2Slot);

    // Bottom-right corner, upright.
    constexpr float right = kScreenWidth;
    constexpr float bottom = kScreenHeight;
    constexpr float left = right - kPictureSide;
    constexpr float top = bottom - kPictureSide;
    gl::Begin(GL_QUADS);
    gl::TexCoord2f(kPictureLeftCut, 0.0f);
    gl::Vertex2f(left, bottom);
    gl::TexCoord2f(1.0f, 0.0f);
    gl::Vertex2f(right, bottom);
    gl::TexCoord2f(1.0f, 1.0f);
    gl::Vertex2f(right, top);
    gl::TexCoord2f(kPictureLeftCut, 1.0f);
    gl::Vertex2f(left, top);
    gl::End();
}

}  // namespace zint
