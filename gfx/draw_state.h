#pragma once
// The screen and the OpenGL state changes the scenes share. Every scene
// leaves depth test and back-face culling on, blending and texturing off.
#include "gfx/vector3.h"

namespace zint {

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

// Pixel coordinates with the origin at the top left and y growing downwards;
// the modelview matrix becomes the identity.
void UseTopLeftPixelProjection(int width = kScreenWidth, int height = kScreenHeight);

// A perspective projection and a look-at view from eye towards target.
void UsePerspectiveCamera(double fieldOfViewY, double aspect, double near, double far, const Vector3& eye,
                          const Vector3& target, const Vector3& up);

// Textured quads added onto the picture: no culling, no depth test,
// blending one + one.
void BeginAdditiveOverlay();

// Back to the state every scene leaves behind.
void RestoreSceneState();

}  // namespace zint
