#include "gfx/drawing.h"

#include "app/scene.h"

namespace zint {

bool PauseScene::Start() {
    elapsed = 0.0f;
    gl::ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    return true;
}

void PauseScene::Render() { gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

}  // namespace zint
