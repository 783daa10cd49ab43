#pragma once
// The one face of the program at one size. Each character code c from 0 to
// 254 has a bitmap display list FontListBase + c that draws the glyph in the
// current raster colour and moves the raster position by advances[c].
#include <GL/gl.h>

#include <array>
#include <string>
#include <string_view>

#include "gfx/texture.h"

namespace zint {

inline constexpr GLuint FontListBase = 1000;
inline constexpr int kFontCodes = 256;
inline constexpr int kFontListCount = 255;  // code 255 has an advance but no list

class TextFont {
public:
    int weight = 600;
    int characterSet = 0;
    std::string faceName;
    int width = 0;
    int height = 0;  // character cell height in pixels
    std::array<int, kFontCodes> advances{};

    // Pixel width of a text: the sum of its characters' advances.
    int TextWidth(std::string_view text) const;

    // One quad of the given width and twice the font height with its top-left
    // corner at (x, y) in the current 2D coordinates, mapping the text
    // texture upright. Sets no colour, blending or matrices.
    void DrawTextQuad(const Texture& texture, int quadWidth, float x, float y) const;
};

}  // namespace zint
