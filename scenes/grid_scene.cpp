#include "scenes/grid_scene.h"

#include "gfx/drawing.h"

#include <cmath>

#include "gfx/angles.h"
#include "gfx/draw_state.h"
#include "gfx/resources.h"

namespace zint {

namespace {

constexpr float kOneNinetieth = 0.011111111f;
constexpr float kRippleAmplitude = 0.125f;

struct Credit {
    int text;  // scroller text index
    float x;
    float y;
};
constexpr Credit kFadingOutCredits[] = {{1, 450.0f, 390.0f}, {2, 450.0f, 420.0f}};
constexpr Credit kFadingInCredit = {3, 315.0f, 320.0f};

void DrawCredit(const Credit& credit) {
    resources->font->DrawTextQuad(*resources->textures[kFirstTextSlot + credit.text],
                                  resources->textWidths[credit.text], credit.x, credit.y);
}

}  // namespace

GridScene::GridScene(int columns, int rows, int screenWidth, int screenHeight, int cellWidth, int cellHeight,
                     float duration)
    : columns(columns),
      rows(rows),
      screenWidth(screenWidth),
      screenHeight(screenHeight),
      cellWidth(cellWidth),
      cellHeight(cellHeight),
      duration(duration) {
    // Positions and the first coordinates by repeated addition, row by row.
    const float uStep = 1.0f / static_cast<float>(columns);
    const float vStep = 1.0f / static_cast<float>(rows);
    vertices.reserve(static_cast<std::size_t>(columns * rows));
    float y = 0.0f;
    float v = 0.0f;
    for (int i = 0; i < rows; ++i) {
        float x = 0.0f;
        float u = 0.0f;
        for (int j = 0; j < columns; ++j) {
            vertices.push_back({x, y, u, v});
            x += static_cast<float>(cellWidth);
            u += uStep;
        }
        y += static_cast<float>(cellHeight);
        v += vStep;
    }
}

bool GridScene::Start() {
    UseTopLeftPixelProjection(screenWidth, screenHeight);
    gl::Enable(GL_CULL_FACE);
    gl::CullFace(GL_BACK);
    gl::Enable(GL_DEPTH_TEST);
    elapsed = 0.0f;
    fade = std::cos(0.0f / duration);
    gl::Color4f(fade, fade, fade, 1.0f);
    return true;
}

void GridScene::Update(float seconds) {
    const float t = elapsed;
    fade = std::cos(t * kHalfPi / duration);
    RippleTextureCoordinates(t);
    elapsed = t + seconds;
}

// The undisturbed grid spans the picture once; each column's u and each
// row's v swing by a ripple whose phase grows with the column, row and time.
void GridScene::RippleTextureCoordinates(float t) {
    const float uStep = 1.0f / static_cast<float>(screenWidth / cellWidth);
    const float vStep = 1.0f / static_cast<float>(screenHeight / cellHeight);
    float vBase = 0.0f;
    for (int i = 0; i < rows; ++i) {
        float uBase = 0.0f;
        const float vRipple = kRippleAmplitude * std::sin(static_cast<float>(i) * kPi * t * kOneNinetieth);
        for (int j = 0; j < columns; ++j) {
            GridVertex& vertex = vertices[static_cast<std::size_t>(i * columns + j)];
            vertex.u = uBase + kRippleAmplitude * std::cos(static_cast<float>(j) * kPi * t * kOneNinetieth);
            vertex.v = vBase + vRipple;
            uBase += uStep;
        }
        vBase += vStep;
    }
}

void GridScene::Render() {
    gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl::Color4f(fade, fade, fade, 1.0f);
    DrawPicture();

    gl::Disable(GL_TEXTURE_2D);
    BeginAdditiveOverlay();
    DrawCredits();
    RestoreSceneState();
}

// One quad strip per pair of vertex rows; v is negated to turn the
// bottom-row-first picture the right way up.
void GridScene::DrawPicture() const {
    gl::Enable(GL_TEXTURE_2D);
    resources->textures[kPicture1Slot]->Bind();
    for (int i = 0; i + 1 < rows; ++i) {
        gl::Begin(GL_QUAD_STRIP);
        for (int k = 0; k < columns; ++k) {
            for (const GridVertex* vertex : {&Vertex(i, k), &Vertex(i + 1, k)}) {
                gl::TexCoord2f(vertex->u, -vertex->v);
                gl::Vertex2f(vertex->x, vertex->y);
            }
        }
        gl::End();
    }
}

// The first two credits dim with the picture while the third brightens.
void GridScene::DrawCredits() const {
    for (const Credit& credit : kFadingOutCredits) DrawCredit(credit);
    const float rise = 1.0f - fade;
    gl::Color4f(rise, rise, rise, 1.0f);
    DrawCredit(kFadingInCredit);
}

}  // namespace zint
