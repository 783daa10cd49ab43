#pragma once
// The one face of the program at one size. Each character code c from 0 to
// 254 has a bitmap display list FontListBase + c that draws the glyph in the
// current raster colour and moves the raster position by advances[c].
#include "gfx/drawing.h"

#include <array>
#include <string>
#include <string_view>

#include "gfx/texture.h"
#include "platform/font_rasterizer.h"

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

    // Renders the face named by the record at its weight and cell height and
    // builds the glyph lists and advances from it. Without any usable face
    // the lists stay undefined and the advances 0: texts come out empty.
    // Needs a current context.
    void Create();

    // Builds the display lists of codes 0 to 254 and the advances of codes 0
    // to 255 from the rasterizer's glyphs, codes read as Windows-1252.
    void BuildGlyphs(platform::FontRasterizer& rasterizer);

    // Pixel width of a text: the sum of its characters' advances.
    int TextWidth(std::string_view text) const;

    // One quad of the given width and twice the font height with its top-left
    // corner at (x, y) in the current 2D coordinates, mapping the text
    // texture upright. Sets no colour, blending or matrices.
    void DrawTextQuad(const Texture& texture, int quadWidth, float x, float y) const;
};

// The Unicode character of a Windows-1252 code. The five codes the code page
// leaves unassigned stand for the control characters of the same numbers.
char32_t Windows1252ToUnicode(unsigned char code);

// Compiles the glyph into the display list: the bitmap drawn with the pen
// at the raster position, which then moves right by the glyph's advance.
void CompileGlyphList(GLuint list, const platform::GlyphBitmap& glyph);

}  // namespace zint
