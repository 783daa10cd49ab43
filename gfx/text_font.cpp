#include "gfx/text_font.h"

#include <algorithm>
#include <vector>

namespace zint {

namespace {

// Codes 0x80 to 0x9F of Windows-1252; the rest of the page is Latin-1.
constexpr std::array<char32_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// glBitmap reads rows bottom first; the rasterizer gives them top first.
std::vector<GLubyte> BottomRowsFirst(const platform::GlyphBitmap& glyph) {
    std::vector<GLubyte> rows(glyph.bits.size());
    const auto pitch = static_cast<std::size_t>(glyph.pitch);
    for (int row = 0; row < glyph.rows; ++row) {
        const auto from = glyph.bits.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * pitch);
        const auto to = static_cast<std::size_t>(glyph.rows - 1 - row) * pitch;
        std::copy(from, from + static_cast<std::ptrdiff_t>(pitch), rows.begin() + static_cast<std::ptrdiff_t>(to));
    }
    return rows;
}

}  // namespace

char32_t Windows1252ToUnicode(unsigned char code) {
    if (code >= 0x80 && code < 0xA0) return kWindows1252High[code - 0x80];
    return code;
}

void CompileGlyphList(GLuint list, const platform::GlyphBitmap& glyph) {
    // An empty glyph still needs a pixel pointer: compiling glBitmap with
    // null fails with GL_OUT_OF_MEMORY and leaves a list that does not move.
    static constexpr GLubyte kNoPixels[1] = {0};
    const std::vector<GLubyte> rows = BottomRowsFirst(glyph);
    // The pixel data is copied into the list under the unpack state of the
    // moment: rows packed to the byte, nothing skipped.
    gl::PushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    gl::PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl::PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl::PixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    gl::PixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    gl::PixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    gl::NewList(list);
    gl::Bitmap(glyph.width, glyph.rows, static_cast<GLfloat>(-glyph.left),
             static_cast<GLfloat>(glyph.rows - glyph.top), static_cast<GLfloat>(glyph.advance), 0.0f,
             rows.empty() ? kNoPixels : rows.data());
    gl::EndList();
    gl::PopClientAttrib();
}

void TextFont::Create() {
    const auto rasterizer = platform::CreateFontRasterizer(faceName, weight, height);
    if (rasterizer) BuildGlyphs(*rasterizer);
}

void TextFont::BuildGlyphs(platform::FontRasterizer& rasterizer) {
    for (int code = 0; code < kFontCodes; ++code) {
        const platform::GlyphBitmap glyph = rasterizer.Render(Windows1252ToUnicode(static_cast<unsigned char>(code)));
        advances[static_cast<std::size_t>(code)] = glyph.advance;
        if (code < kFontListCount) CompileGlyphList(FontListBase + static_cast<GLuint>(code), glyph);
    }
}

int TextFont::TextWidth(std::string_view text) const {
    int sum = 0;
    for (char c : text) sum += advances[static_cast<unsigned char>(c)];
    return sum;
}

void TextFont::DrawTextQuad(const Texture& texture, int quadWidth, float x, float y) const {
    const float right = x + static_cast<float>(quadWidth);
    const float bottom = y + static_cast<float>(2 * height);
    texture.Bind();
    gl::Begin(GL_QUADS);
    gl::TexCoord2f(0.0f, 1.0f);
    gl::Vertex2f(x, y);
    gl::TexCoord2f(1.0f, 1.0f);
    gl::Vertex2f(right, y);
    gl::TexCoord2f(1.0f, 0.0f);
    gl::Vertex2f(right, bottom);
    gl::TexCoord2f(0.0f, 0.0f);
    gl::Vertex2f(x, bottom);
    gl::End();
}

}  // namespace zint
