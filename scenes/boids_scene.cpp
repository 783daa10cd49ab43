#include "scenes/boids_scene.h"

#include <GL/gl.h>

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
    glVertex3fv(from.Data());
    glVertex3fv(to.Data());
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
    listName = glGenLists(1);
    if (listName == 0) return;
    // A 32 x 32 square in the plane y = 0 with the texture stretched once.
    glNewList(listName, GL_COMPILE);
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 1.0f, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-kFloorHalfSide, 0.0f, -kFloorHalfSide);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-kFloorHalfSide, 0.0f, kFloorHalfSide);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(kFloorHalfSide, 0.0f, kFloorHalfSide);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(kFloorHalfSide, 0.0f, -kFloorHalfSide);
    glEnd();
    glEndList();
    valid = true;
}

BoidsScene::BoidsScene(float duration, Resources* resources)
    : floor(std::make_unique<DisplayList>(true)),
      flock(std::make_unique<Flock>(resources, floor.get())),
      duration(duration) {}

bool BoidsScene::Start() {
    elapsed = 0.0f;
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
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
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    UsePerspectiveCamera(kFieldOfView, kAspect, kNear, kFar, eye, target, up);

    DrawFloor();
    DrawBoids();
    DrawObstacleMarkers();
    DrawSpheres();
    if (!textsDone) DrawText();
}

void BoidsScene::DrawFloor() const {
    glEnable(GL_TEXTURE_2D);
    flock->resources->textures[kGeneratedTexture2Slot]->Bind();
    glColor3f(1.0f, 1.0f, 1.0f);
    floor->Call();
    glDisable(GL_TEXTURE_2D);
}

// Each boid as its three axes in white and a square point in its colour.
void BoidsScene::DrawBoids() const {
    glPointSize(kPointSize);
    for (const Boid& boid : flock->boids) {
        glColor3f(1.0f, 1.0f, 1.0f);
        glBegin(GL_LINES);
        DrawBoidAxes(boid);
        glEnd();
        glColor3f(boid.red, boid.green, boid.blue);
        glBegin(GL_POINTS);
        glVertex3fv(boid.position.Data());
        glEnd();
    }
}

// A line from each obstacle down to the floor plane.
void BoidsScene::DrawObstacleMarkers() const {
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    for (const Vector3* obstacle : {&flock->obstacleA, &flock->obstacleB}) {
        glVertex3fv(obstacle->Data());
        glVertex3f(obstacle->x, 0.0f, obstacle->z);
    }
    glEnd();
}

// Half-transparent over what is behind them; depth test and culling stay on.
void BoidsScene::DrawSpheres() const {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, kSphereAlpha);
    glEnable(GL_TEXTURE_2D);
    flock->resources->textures[kGeneratedTexture1Slot]->Bind();
    for (const auto& [obstacle, pulse] :
         {std::pair{&flock->obstacleA, &flock->pulseA}, std::pair{&flock->obstacleB, &flock->pulseB}}) {
        glPushMatrix();
        glTranslatef(obstacle->x, obstacle->y, obstacle->z);
        pulse->DrawSphere();
        glPopMatrix();
    }
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}

// Added on top of the frame at the bottom left. The text textures hold the
// text's top row last, so the quad is placed in top-down coordinates: that
// keeps the text upright in the same pixels.
void BoidsScene::DrawText() const {
    const Resources& set = *flock->resources;
    UseTopLeftPixelProjection();
    BeginAdditiveOverlay();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const float top = static_cast<float>(kScreenHeight) - kTextBottom - static_cast<float>(2 * set.font->height);
    set.font->DrawTextQuad(*set.textures[textIndex], set.textWidths[textIndex - kFirstTextSlot], kTextLeft, top);
    RestoreSceneState();
}

}  // namespace zint
