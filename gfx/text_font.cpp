#include "gfx/text_font.h"

namespace zint {

int TextFont::TextWidth(std::string_view text) const {
    int sum = 0;
    for (char c : text) sum += advances[static_cast<unsigned char>(c)];
    return sum;
}

void TextFont::DrawTextQuad(const Texture& texture, int quadWidth, float x, float y) const {
    const float right = x + static_cast<float>(quadWidth);
    const float bottom = y + static_cast<float>(2 * height);
    texture.Bind();
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(x, y);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(right, y);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(right, bottom);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(x, bottom);
    glEnd();
}

}  // namespace zint
