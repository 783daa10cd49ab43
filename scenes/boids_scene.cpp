#include "scenes/boids_scene.h"

#include "gfx/drawing.h"

#include <cmath>
#include <utility>

#include "gfx/angles.h"
#include "gfx/draw_state.h"
#include "gfx/resources.h"

namespace zint {

namespace {

constexpr float kOrbitStep = kPi * (1.0f / 360.0f);  // half a degree per frame
constexpr float kOrbitRadius = 4.0f;
constexpr float kEyeHeight = 2.0f;

constexpr int kFirstBoidsTextSlot = kFirstTextSlot + 4;
constexpr int kLastBoidsTextSlot = kFirstTextSlot + kScrollerTextCount - 1;

constexpr double kFieldOfView = 60.0;
constexpr double kAspect = 4.0 / 3.0;
constexpr double kNear = 0.5;
constexpr double kFar = 32.0;

constexpr float kFloorHalfSide = 16.0f;
constexpr float kPointSize = 4.0f;
constexpr float kSegmentLength = 0.25f;
constexpr float kSphereAlpha = 0.5f;
constexpr Vector3 kWorldUp{0.0f, 1.0f, 0.0f};

constexpr float kTextLeft = 16.0f;
constexpr float kTextBottom = 8.0f;  // pixels above the bottom edge

void DrawSegment(const Vector3& from, const Vector3& direction) {
    Vector3 to;
    direction.Scaled(to, kSegmentLength).Sum(to, from);
    gl::Vertex3fv(from.Data());
    gl::Vertex3fv(to.Data());
}

// The heading, the world up made perpendicular to it, and the side. A boid
// without a heading (before its first step) draws none of them, and one
// heading straight up only its heading.
void DrawBoidAxes(const Boid& boid) {
    const Vector3& heading = boid.velocity;
    if (!Normalized(heading)) return;
    DrawSegment(boid.position, heading);
    Vector3 upAlongHeading;
    Project(heading, kWorldUp, upAlongHeading);
    const std::optional<Vector3> up = Normalized(Difference(kWorldUp, upAlongHeading));
    if (!up) return;
    DrawSegment(boid.position, *up);
    if (const std::optional<Vector3> side = Normalized(Cross(heading, *up))) DrawSegment(boid.position, *side);
}

}  // namespace

DisplayList::DisplayList(bool build) {
    if (!build) return;
    listName = gl::GenLists(1);
    if (listName == 0) return;
    // A 32 x 32 square in the plane y = 0 with the texture stretched once.
    gl::NewList(listName);
    gl::Begin(GL_QUADS);
    gl::Normal3f(0.0f, 1.0f, 0.0f);
    gl::TexCoord2f(0.0f, 0.0f);
    gl::Vertex3f(-kFloorHalfSide, 0.0f, -kFloorHalfSide);
    gl::TexCoord2f(0.0f, 1.0f);
    gl::Vertex3f(-kFloorHalfSide, 0.0f, kFloorHalfSide);
    gl::TexCoord2f(1.0f, 1.0f);
    gl::Vertex3f(kFloorHalfSide, 0.0f, kFloorHalfSide);
    gl::TexCoord2f(1.0f, 0.0f);
    gl::Vertex3f(kFloorHalfSide, 0.0f, -kFloorHalfSide);
    gl::End();
    gl::EndList();
    valid = true;
}

BoidsScene::BoidsScene(float duration, Resources* resources)
    : floor(std::make_unique<DisplayList>(true)),
      flock(std::make_unique<Flock>(resources, floor.get())),
      duration(duration) {}

bool BoidsScene::Start() {
    elapsed = 0.0f;
    gl::Enable(GL_CULL_FACE);
    gl::CullFace(GL_BACK);
    gl::Enable(GL_DEPTH_TEST);
    gl::Color4f(1.0f, 1.0f, 1.0f, 1.0f);
    gl::ClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    eye.Set(0.0f, kEyeHeight, 4.0f);
    target.Set(0.0f, 0.0f, 0.0f);
    up.Assign(kWorldUp);
    flock->ResetFlock();
    orbitAngle = 0.0f;
    textCountdown = kTextFrames;
    textIndex = kFirstBoidsTextSlot;
    lastTextIndex = kLastBoidsTextSlot;
    textsDone = false;
    return true;
}

void BoidsScene::Update(float seconds) {
    elapsed += seconds;
    AdvanceTexts();
    Orbit();
    flock->StepFlock(seconds);
    target.Assign(flock->centre);
}

// Paced by frames, not seconds.
void BoidsScene::AdvanceTexts() {
    if (--textCountdown != 0) return;
    ++textIndex;
    if (textIndex > lastTextIndex) textsDone = true;
    textCountdown = kTextFrames;
}

// Circles the vertical axis by a fixed angle per frame and bobs with time.
void BoidsScene::Orbit() {
    orbitAngle += kOrbitStep;
    if (orbitAngle > kTwoPi) orbitAngle -= kTwoPi;
    const float c = std::cos(orbitAngle);
    const float s = std::sin(orbitAngle);
    eye.Set(kOrbitRadius * (c - s), std::cos(elapsed) + kEyeHeight, kOrbitRadius * (c + s));
}

void BoidsScene::Render() {
    gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    UsePerspectiveCamera(kFieldOfView, kAspect, kNear, kFar, eye, target, up);

    DrawFloor();
    DrawBoids();
    DrawObstacleMarkers();
    DrawSpheres();
    if (!textsDone) DrawText();
}

void BoidsScene::DrawFloor() const {
    gl::Enable(GL_TEXTURE_2D);
    flock->resources->textures[kGeneratedTexture2Slot]->Bind();
    gl::Color3f(1.0f, 1.0f, 1.0f);
    floor->Call();
    gl::Disable(GL_TEXTURE_2D);
}

// Each boid as its three axes in white and a square point in its colour.
void BoidsScene::DrawBoids() const {
    gl::PointSize(kPointSize);
    for (const Boid& boid : flock->boids) {
        gl::Color3f(1.0f, 1.0f, 1.0f);
        gl::Begin(GL_LINES);
        DrawBoidAxes(boid);
        gl::End();
        gl::Color3f(boid.red, boid.green, boid.blue);
        gl::Begin(GL_POINTS);
        gl::Vertex3fv(boid.position.Data());
        gl::End();
    }
}

// A line from each obstacle down to the floor plane.
void BoidsScene::DrawObstacleMarkers() const {
    gl::Color3f(1.0f, 1.0f, 1.0f);
    gl::Begin(GL_LINES);
    for (const Vector3* obstacle : {&flock->obstacleA, &flock->obstacleB}) {
        gl::Vertex3fv(obstacle->Data());
        gl::Vertex3f(obstacle->x, 0.0f, obstacle->z);
    }
    gl::End();
}

// Half-transparent over what is behind them; depth test and culling stay on.
void BoidsScene::DrawSpheres() const {
    gl::Enable(GL_BLEND);
    gl::BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl::Color4f(1.0f, 1.0f, 1.0f, kSphereAlpha);
    gl::Enable(GL_TEXTURE_2D);
    flock->resources->textures[kGeneratedTexture1Slot]->Bind();
    for (const auto& [obstacle, pulse] :
         {std::pair{&flock->obstacleA, &flock->pulseA}, std::pair{&flock->obstacleB, &flock->pulseB}}) {
        gl::PushMatrix();
        gl::Translatef(obstacle->x, obstacle->y, obstacle->z);
        pulse->DrawSphere();
        gl::PopMatrix();
    }
    gl::Disable(GL_BLEND);
    gl::Disable(GL_TEXTURE_2D);
}

// Added on top of the frame at the bottom left. The text textures hold the
// text's top row last, so the quad is placed in top-down coordinates: that
// keeps the text upright in the same pixels.
void BoidsScene::DrawText() const {
    const Resources& set = *flock->resources;
    UseTopLeftPixelProjection();
    BeginAdditiveOverlay();
    gl::Color4f(1.0f, 1.0f, 1.0f, 1.0f);
    const float top = static_cast<float>(kScreenHeight) - kTextBottom - static_cast<float>(2 * set.font->height);
    set.font->DrawTextQuad(*set.textures[textIndex], set.textWidths[textIndex - kFirstTextSlot], kTextLeft, top);
    RestoreSceneState();
}

}  // namespace zint
