// The font's glyph lists as GL draws them: shapes, advances against the
// raster position, the code page, and the quad a rendered text goes on.
#include <GL/gl.h>

#include <algorithm>
#include <numeric>
#include <ranges>
#include <string>

#include "gfx/resources.h"
#include "gfx/text_font.h"
#include "tests/support/gl_window.h"

namespace zint {
namespace {

using Positions = std::vector<std::pair<int, int>>;

// Glyphs whose advance tells which code point was asked for.
struct CodePointRasterizer final : platform::FontRasterizer {
    std::string FamilyName() const override { return "test"; }
    platform::GlyphBitmap Render(char32_t codePoint) override {
        return {.advance = int(codePoint % 50) + 1, .bits = {}};
    }
};

// The back buffer's lit pixels, sorted; each must be the raster colour, red.
Positions Lit() {
    const std::vector<std::uint8_t> rgb = test::ReadRgb(0, 0, 640, 480);
    Positions lit;
    int notRed = 0;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        if ((rgb[i] | rgb[i + 1] | rgb[i + 2]) == 0) continue;
        lit.emplace_back(int(i / 3 % 640), int(i / 3 / 640));
        notRed += rgb[i] <= 240 || rgb[i + 1] != 0 || rgb[i + 2] != 0;
    }
    EXPECT_EQ(notRed, 0);
    std::ranges::sort(lit);
    return lit;
}

class TextFontGlTest : public test::PixelGlTest {
protected:
    void SetUp() override {
        PixelGlTest::SetUp();
        if (HasFatalFailure()) return;
        resources = CreateResources(*window);
        glColor3f(1, 0, 0);
    }
    // Draws the text with the font's lists from (x, y) and returns how far the raster position moved.
    static float DrawText(std::string_view text, int x, int y) {
        glRasterPos2i(x, y);
        const float before = RasterX();
        glListBase(FontListBase);
        glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
        return RasterX() - before;
    }
    std::unique_ptr<Resources> resources;
};

// Code 255 has an advance but no list: it draws nothing and does not move.
// Every other glyph is drawn in the raster colour inside a 32-pixel cell
// around its baseline, the tallest and deepest together nearly filling it,
// and a text moves the raster position by the sum of its advances.
TEST_F(TextFontGlTest, EveryCodeHasAnAdvanceAndAllButTheLastAListWhoseMovesSumToTheTextWidth) {
    EXPECT_EQ(resources->window, window.get());
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(glIsList(FontListBase + GLuint(code)), code < kFontListCount) << code;
    }
    for (int code = ' '; code < 127; ++code) EXPECT_GT(resources->font->advances[std::size_t(code)], 0) << code;
    EXPECT_GT(resources->font->advances[255], 0);
    EXPECT_FLOAT_EQ(DrawText("\xff", 10, 100), 0.0f);
    EXPECT_TRUE(Lit().empty());

    std::string printable(95, ' ');
    std::iota(printable.begin(), printable.end(), ' ');
    DrawText(printable.substr(0, 48), 0, 200);
    DrawText(printable.substr(48), 0, 100);
    const Positions lit = Lit();
    ASSERT_FALSE(lit.empty());
    // Heights above the baseline of the lit pixel's row of text.
    const auto [low, high] = std::ranges::minmax(
        lit | std::views::transform([](auto p) { return p.second >= 150 ? p.second - 200 : p.second - 100; }));
    EXPECT_TRUE(high - low + 1 <= 32 && high - low + 1 >= 26) << high - low + 1;

    for (std::string_view word : {"zint", "loading shite intro..", "WMiljq!", "caf\xe9 \x80\x99"}) {
        EXPECT_FLOAT_EQ(DrawText(word, 10, 300), static_cast<float>(resources->font->TextWidth(word))) << word;
    }
}

TEST_F(TextFontGlTest, CompiledGlyphIsUprightWithItsOriginAtThePen) {
    // Rows of 10 pixels take 2 bytes: the list must not assume 4-byte rows.
    const platform::GlyphBitmap glyph{.width = 10, .rows = 3, .pitch = 2, .left = 2, .top = 5, .advance = 13,
                                      .bits = {0xFF, 0xC0,    // top row: all ten pixels
                                               0x80, 0x00,    // middle row: the leftmost
                                               0x00, 0x40}};  // bottom row: the rightmost
    CompileGlyphList(4000, glyph);
    glRasterPos2i(100, 50);
    glCallList(4000);
    EXPECT_FLOAT_EQ(RasterX(), 113.0f);
    Positions expected{{102, 53}, {111, 52}};
    for (int x = 102; x < 112; ++x) expected.emplace_back(x, 54);
    std::ranges::sort(expected);
    EXPECT_EQ(Lit(), expected);
}

TEST_F(TextFontGlTest, GlyphsAreAskedForByTheirWindows1252Characters) {
    TextFont font;
    CodePointRasterizer rasterizer;
    font.BuildGlyphs(rasterizer);
    EXPECT_EQ(std::vector<int>({font.advances['A'], font.advances[0x80], font.advances[0xFF]}),
              std::vector<int>({'A' % 50 + 1, 0x20AC % 50 + 1, 0xFF % 50 + 1}));
    EXPECT_FLOAT_EQ(DrawText("\x80", 10, 10), static_cast<float>(0x20AC % 50 + 1));
}

// 128 wide and twice the 32-pixel font high from (340, 300), the texture
// upright: its first row at the top, its first column on the left.
TEST_F(TextFontGlTest, TextQuadHasItsCornersAndTextureCoordinates) {
    const std::uint8_t texels[] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    Texture texture;
    texture.Upload(4, 2, 2, GL_RGBA, texels);  // red, green over blue, white
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl::BindTexture(0);  // the quad binds its texture itself
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    resources->font->DrawTextQuad(texture, 128, 340.0f, 300.0f);
    std::vector<std::vector<std::uint8_t>> seen;
    for (auto [x, y] : {std::pair{340, 363}, {467, 363}, {340, 300}, {467, 300}, {339, 300}, {468, 363}, {400, 299},
                        {400, 364}}) {
        seen.push_back(test::ReadRgb(x, y, 1, 1));
    }
    EXPECT_EQ(seen, (std::vector<std::vector<std::uint8_t>>{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255},
                                                            {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}));
}

}  // namespace
}  // namespace zint
