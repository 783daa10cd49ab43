#include <emscripten.h>

#include <array>

#include "platform/font_rasterizer.h"
#include "platform/font_stand_ins.h"

namespace {

using zint::platform::FaceRequest;
using zint::platform::GlyphBitmap;
using zint::platform::kStandIns;

// Whether the browser has the family itself: text in it measures otherwise
// than in each of two generic families it would fall back to.
EM_JS(int, zint_font_available, (const char* family, int weight), {
    const context = document.createElement('canvas').getContext('2d');
    const sample = 'mmmmmmmmmmlliWW@#0123456789';
    const name = UTF8ToString(family);
    for (const generic of ['monospace', 'serif']) {
        context.font = weight + ' 72px ' + generic;
        const fallback = context.measureText(sample).width;
        context.font = weight + ' 72px "' + name + '", ' + generic;
        if (context.measureText(sample).width !== fallback) return 1;
    }
    return 0;
});

// Sets Module.zintFont to the face at the em size that makes its ascent plus
// descent cellHeight pixels, drawn setWidth as wide.
EM_JS(void, zint_font_select, (const char* family, int weight, int cellHeight, double setWidth), {
    const canvas = document.createElement('canvas');
    const context = canvas.getContext('2d', {willReadFrequently: true});
    const face = '"' + UTF8ToString(family) + '"';
    const probe = 1000;
    context.font = weight + ' ' + probe + 'px ' + face;
    const metrics = context.measureText('H');
    const cell = metrics.fontBoundingBoxAscent + metrics.fontBoundingBoxDescent;
    const size = cell > 0 ? Math.round(cellHeight * probe / cell) : cellHeight;
    const xScale = Math.round(size * setWidth) / size;
    // Room for any glyph: four cells across, two down, the baseline between.
    canvas.width = 4 * cellHeight;
    canvas.height = 2 * cellHeight;
    Module['zintFont'] = {canvas: canvas, context: context, font: weight + ' ' + size + 'px ' + face, xScale: xScale,
                          originX: cellHeight, baseline: cellHeight + (cellHeight >> 1)};
});

// Draws one glyph, white on black, and keeps the pixels of half intensity or
// more. Writes width, rows, left, top, advance to `metrics` and the rows
// (pitch bytes each, most significant bit leftmost) to `bits`.
EM_JS(void, zint_font_render, (int codePoint, int* metrics, unsigned char* bits, int capacity), {
    const font = Module['zintFont'];
    const context = font.context;
    const width = font.canvas.width;
    const height = font.canvas.height;
    context.setTransform(1, 0, 0, 1, 0, 0);
    context.fillStyle = '#000';
    context.fillRect(0, 0, width, height);
    context.font = font.font;
    context.textBaseline = 'alphabetic';
    context.textAlign = 'left';
    context.fillStyle = '#fff';
    const text = String.fromCodePoint(codePoint);
    context.setTransform(font.xScale, 0, 0, 1, font.originX, font.baseline);
    context.fillText(text, 0, 0);
    const advance = Math.round(context.measureText(text).width * font.xScale);
    const rgba = context.getImageData(0, 0, width, height).data;
    let left = width, right = -1, top = height, bottom = -1;
    for (let y = 0; y < height; ++y) {
        for (let x = 0; x < width; ++x) {
            if (rgba[(y * width + x) * 4] >= 128) {
                if (x < left) left = x;
                if (x > right) right = x;
                if (y < top) top = y;
                if (y > bottom) bottom = y;
            }
        }
    }
    const glyphWidth = right >= left ? right - left + 1 : 0;
    const rows = bottom >= top ? bottom - top + 1 : 0;
    const pitch = (glyphWidth + 7) >> 3;
    HEAP32[(metrics >> 2)] = glyphWidth;
    HEAP32[(metrics >> 2) + 1] = rows;
    HEAP32[(metrics >> 2) + 2] = glyphWidth ? left - font.originX : 0;
    HEAP32[(metrics >> 2) + 3] = rows ? font.baseline - top : 0;
    HEAP32[(metrics >> 2) + 4] = advance;
    HEAPU8.fill(0, bits, bits + capacity);
    for (let y = 0; y < rows; ++y) {
        for (let x = 0; x < glyphWidth; ++x) {
            if (rgba[((top + y) * width + left + x) * 4] >= 128) {
                HEAPU8[bits + y * pitch + (x >> 3)] |= 0x80 >> (x & 7);
            }
        }
    }
});

class CanvasFontRasterizer final : public zint::platform::FontRasterizer {
public:
    CanvasFontRasterizer(std::string family, int cellHeight) : family(std::move(family)), cellHeight(cellHeight) {}

    std::string FamilyName() const override { return family; }

    GlyphBitmap Render(char32_t codePoint) override {
        // What the page's glyph canvas can hold: four cells by two.
        const int capacity = (4 * cellHeight + 7) / 8 * 2 * cellHeight;
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(capacity));
        std::array<int, 5> metrics{};
        zint_font_render(static_cast<int>(codePoint), metrics.data(), bits.data(), capacity);
        GlyphBitmap glyph;
        glyph.width = metrics[0];
        glyph.rows = metrics[1];
        glyph.pitch = (glyph.width + 7) / 8;
        glyph.left = metrics[2];
        glyph.top = metrics[3];
        glyph.advance = metrics[4];
        bits.resize(static_cast<std::size_t>(glyph.pitch * glyph.rows));
        glyph.bits = std::move(bits);
        return glyph;
    }

private:
    std::string family;
    int cellHeight;
};

}  // namespace

namespace zint::platform {

std::unique_ptr<FontRasterizer> CreateFontRasterizer(std::string_view faceName, int weight, int cellHeight) {
    if (cellHeight <= 0) return nullptr;
    FaceRequest chosen{nullptr, weight, 1.0};
    std::string asked(faceName);
    if (zint_font_available(asked.c_str(), weight) != 0) {
        chosen.family = asked.c_str();
    } else {
        for (const FaceRequest& standIn : kStandIns) {
            if (zint_font_available(standIn.family, standIn.weight) != 0) {
                chosen = standIn;
                break;
            }
        }
    }
    // As on the desktop, with none of them the asked name still picks
    // whatever the browser substitutes.
    if (chosen.family == nullptr) chosen.family = asked.c_str();
    zint_font_select(chosen.family, chosen.weight, cellHeight, chosen.setWidth);
    return std::make_unique<CanvasFontRasterizer>(chosen.family, cellHeight);
}

}  // namespace zint::platform
