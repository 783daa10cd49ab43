#include "gfx/draw_state.h"

#include "gfx/drawing.h"

namespace zint {

void UseTopLeftPixelProjection(int width, int height) {
    gl::MatrixMode(GL_PROJECTION);
    gl::LoadIdentity();
    gl::Ortho(0.0, width, height, 0.0, -1.0, 1.0);
    gl::MatrixMode(GL_MODELVIEW);
    gl::LoadIdentity();
}

void UsePerspectiveCamera(double fieldOfViewY, double aspect, double near, double far, const Vector3& eye,
                          const Vector3& target, const Vector3& up) {
    gl::MatrixMode(GL_PROJECTION);
    gl::LoadIdentity();
    gl::Perspective(fieldOfViewY, aspect, near, far);
    gl::MatrixMode(GL_MODELVIEW);
    gl::LoadIdentity();
    gl::LookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
}

void BeginAdditiveOverlay() {
    gl::Disable(GL_CULL_FACE);
    gl::Enable(GL_BLEND);
    gl::BlendFunc(GL_ONE, GL_ONE);
    gl::Enable(GL_TEXTURE_2D);
    gl::Disable(GL_DEPTH_TEST);
}

void RestoreSceneState() {
    gl::Enable(GL_DEPTH_TEST);
    gl::Disable(GL_BLEND);
    gl::Enable(GL_CULL_FACE);
    gl::Disable(GL_TEXTURE_2D);
}

}  // namespace zint
