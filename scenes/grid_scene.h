#pragma once
// The end scene: the first picture stretched over the screen through a grid
// whose vertices stay put while their texture coordinates ripple, fading out
// along a quarter cosine while the credits change.
#include <vector>

#include "app/scene.h"

namespace zint {

struct GridVertex {
    float x;  // screen position in pixels, y downwards
    float y;
    float u;  // texture coordinates
    float v;
};

class GridScene final : public Scene {
public:
    GridScene(int columns, int rows, int screenWidth, int screenHeight, int cellWidth, int cellHeight,
              float duration);

    bool Start() override;
    void Update(float seconds) override;
    void Render() override;
    bool IsFinished() override { return elapsed > duration; }

    const GridVertex& Vertex(int row, int column) const { return vertices[row * columns + column]; }

    int columns;
    int rows;
    int screenWidth;
    int screenHeight;
    int cellWidth;
    int cellHeight;
    std::vector<GridVertex> vertices;  // row by row
    float fade = 0.0f;
    float duration;
    float elapsed = 0.0f;

private:
    void RippleTextureCoordinates(float t);
    void DrawPicture() const;
    void DrawCredits() const;
};

}  // namespace zint
