#include <GL/gl.h>

#include <cmath>
#include <set>
#include <string>

#include "gfx/resources.h"
#include "gfx/text_font.h"
#include "tests/gfx/gl_window_fixture.h"

namespace zint {
namespace {

// Glyphs whose advance tells which code point was asked for.
class CodePointRasterizer final : public platform::FontRasterizer {
public:
    std::string FamilyName() const override { return "test"; }
    platform::GlyphBitmap Render(char32_t codePoint) override {
        platform::GlyphBitmap glyph;
        glyph.advance = static_cast<int>(codePoint % 50) + 1;
        return glyph;
    }
};

// The pixels of the back buffer that are not black, as (x, y) pairs.
struct LitPixels {
    std::vector<std::pair<int, int>> positions;
    std::vector<std::array<std::uint8_t, 3>> colours;
};

LitPixels FindLit(int x0, int y0, int width, int height) {
    const std::vector<std::uint8_t> rgb = test::ReadRgb(x0, y0, width, height);
    LitPixels lit;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>((y * width + x) * 3);
            if (rgb[i] == 0 && rgb[i + 1] == 0 && rgb[i + 2] == 0) continue;
            lit.positions.emplace_back(x0 + x, y0 + y);
            lit.colours.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
        }
    }
    return lit;
}

class TextFontGlTest : public test::PixelGlTest {
protected:
    void SetUp() override {
        PixelGlTest::SetUp();
        if (HasFatalFailure()) return;
        resources = CreateResources(*window);
    }

    // Draws the text with the font's lists from the raster position (x, y)
    // and returns how far the raster position moved right.
    static float DrawText(std::string_view text, int x, int y) {
        glRasterPos2i(x, y);
        const float before = test::RasterPosition()[0];
        glListBase(FontListBase);
        glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
        return test::RasterPosition()[0] - before;
    }

    std::unique_ptr<Resources> resources;
};

TEST_F(TextFontGlTest, ResourcesStartWithAnEmptyTableAndTheFont) {
    EXPECT_EQ(resources->window, window.get());
    for (const auto& texture : resources->textures) EXPECT_EQ(texture, nullptr);
    for (int width : resources->textWidths) EXPECT_EQ(width, 0);
    EXPECT_EQ(resources->generator, nullptr);
    EXPECT_FALSE(resources->loaded);

    const TextFont& font = *resources->font;
    EXPECT_EQ(font.faceName, "Impact");
    EXPECT_EQ(font.weight, 400);
    EXPECT_EQ(font.height, 32);
    EXPECT_EQ(font.width, 0);
    EXPECT_EQ(font.characterSet, 0);
    for (int code = 0; code < kFontListCount; ++code) {
        EXPECT_TRUE(glIsList(FontListBase + static_cast<GLuint>(code))) << "code " << code;
    }
    EXPECT_FALSE(glIsList(FontListBase + 255));
    for (int code = ' '; code < 127; ++code) EXPECT_GT(font.advances[static_cast<std::size_t>(code)], 0) << code;
}

TEST_F(TextFontGlTest, AdvancesSumToTheRasterPositionsMovement) {
    const TextFont& font = *resources->font;
    for (std::string_view word : {"zint", "loading shite intro..", "WMiljq!", "caf\xe9 \x80\x99"}) {
        EXPECT_FLOAT_EQ(DrawText(word, 10, 100), static_cast<float>(font.TextWidth(word))) << word;
    }
}

TEST_F(TextFontGlTest, CodeTwoHundredFiftyFiveHasAnAdvanceButDrawsNothing) {
    EXPECT_GT(resources->font->advances[255], 0);
    EXPECT_FLOAT_EQ(DrawText("\xff", 10, 100), 0.0f);
    EXPECT_TRUE(FindLit(0, 0, kWidth, kHeight).positions.empty());
}

TEST_F(TextFontGlTest, GlyphsAreDrawnInTheRasterColourWithinTheCell) {
    glColor3f(1.0f, 0.0f, 0.0f);
    std::string printable;
    for (char c = ' '; c < 127; ++c) printable += c;
    constexpr int kBaseline = 200;
    DrawText(printable.substr(0, 48), 0, kBaseline);
    DrawText(printable.substr(48), 0, kBaseline - 100);

    const LitPixels lit = FindLit(0, 0, kWidth, kHeight);
    ASSERT_FALSE(lit.positions.empty());
    for (const auto& colour : lit.colours) {
        ASSERT_GT(colour[0], 240);
        ASSERT_EQ(colour[1], 0);
        ASSERT_EQ(colour[2], 0);
    }
    // Every glyph stays inside a 32-pixel cell around its baseline, and the
    // tallest and deepest together nearly fill it.
    int top = 0;
    int bottom = kHeight;
    for (auto [x, y] : lit.positions) {
        const int fromBaseline = y >= kBaseline - 50 ? y - kBaseline : y - (kBaseline - 100);
        top = std::max(top, fromBaseline);
        bottom = std::min(bottom, fromBaseline);
    }
    EXPECT_LE(top - bottom + 1, 32);
    EXPECT_GE(top - bottom + 1, 26);
}

TEST_F(TextFontGlTest, CompiledGlyphIsUprightWithItsOriginAtThePen) {
    // Rows of 10 pixels take 2 bytes: the list must not assume 4-byte rows.
    platform::GlyphBitmap glyph;
    glyph.width = 10;
    glyph.rows = 3;
    glyph.pitch = 2;
    glyph.left = 2;
    glyph.top = 5;
    glyph.advance = 13;
    glyph.bits = {0xFF, 0xC0,   // top row: all ten pixels
                  0x80, 0x00,   // middle row: the leftmost
                  0x00, 0x40};  // bottom row: the rightmost
    constexpr GLuint kList = 4000;
    CompileGlyphList(kList, glyph);

    glColor3f(1, 1, 1);
    glRasterPos2i(100, 50);
    glCallList(kList);
    EXPECT_FLOAT_EQ(test::RasterPosition()[0], 113.0f);

    std::vector<std::pair<int, int>> expected;
    for (int x = 102; x < 112; ++x) expected.emplace_back(x, 54);
    expected.emplace_back(102, 53);
    expected.emplace_back(111, 52);
    std::sort(expected.begin(), expected.end());
    std::vector<std::pair<int, int>> drawn = FindLit(0, 0, kWidth, kHeight).positions;
    std::sort(drawn.begin(), drawn.end());
    EXPECT_EQ(drawn, expected);
}

TEST_F(TextFontGlTest, GlyphsAreAskedForByTheirWindows1252Characters) {
    TextFont font;
    CodePointRasterizer rasterizer;
    font.BuildGlyphs(rasterizer);
    EXPECT_EQ(font.advances['A'], 'A' % 50 + 1);
    EXPECT_EQ(font.advances[0x80], 0x20AC % 50 + 1);  // the euro sign
    EXPECT_EQ(font.advances[0xFF], 0xFF % 50 + 1);
    EXPECT_FLOAT_EQ(DrawText("\x80", 10, 10), static_cast<float>(0x20AC % 50 + 1));
}

// A vertex as feedback mode reports it: window position and texture coordinates.
struct FedBackVertex {
    float x, y, s, t;
    auto operator<=>(const FedBackVertex&) const = default;
};

// The vertices of the polygons drawn while feedback mode was on; the
// implementation may split a quad into triangles.
std::vector<FedBackVertex> PolygonVertices(const std::vector<GLfloat>& feedback, GLint used) {
    constexpr int kFloatsPerVertex = 11;  // x, y, z, RGBA, s, t, r, q
    std::vector<FedBackVertex> vertices;
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(feedback[static_cast<std::size_t>(i)], GL_POLYGON_TOKEN);
        const int count = static_cast<int>(feedback[static_cast<std::size_t>(i) + 1]);
        i += 2;
        for (int v = 0; v < count; ++v, i += kFloatsPerVertex) {
            const GLfloat* f = &feedback[static_cast<std::size_t>(i)];
            // Window positions carry rounding noise of the transformation.
            vertices.push_back({std::round(f[0]), std::round(f[1]), f[7], f[8]});
        }
    }
    return vertices;
}

TEST_F(TextFontGlTest, TextQuadHasItsCornersAndTextureCoordinates) {
    Texture texture;
    std::vector<GLfloat> feedback(256);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D_COLOR_TEXTURE, feedback.data());
    glRenderMode(GL_FEEDBACK);
    resources->font->DrawTextQuad(texture, 128, 340.0f, 300.0f);
    const GLint used = glRenderMode(GL_RENDER);
    ASSERT_GT(used, 0);

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture.name);

    // 128 wide and twice the 32-pixel font high; the texture upright.
    const std::set<FedBackVertex> corners{{340, 300, 0, 1}, {468, 300, 1, 1}, {468, 364, 1, 0}, {340, 364, 0, 0}};
    const std::vector<FedBackVertex> vertices = PolygonVertices(feedback, used);
    for (const FedBackVertex& v : vertices) {
        EXPECT_TRUE(corners.contains(v)) << v.x << "," << v.y << " " << v.s << "," << v.t;
    }
    EXPECT_EQ(std::set<FedBackVertex>(vertices.begin(), vertices.end()), corners);
}

}  // namespace
}  // namespace zint
