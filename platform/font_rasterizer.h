#pragma once
// One outline face at one pixel size, rendered glyph by glyph into 1-bit
// bitmaps for the text font's display lists.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zint::platform {

struct GlyphBitmap {
    int width = 0;     // pixels across
    int rows = 0;      // pixels down
    int pitch = 0;     // bytes per row
    int left = 0;      // from the pen position right to the bitmap's left column
    int top = 0;       // from the baseline up to the bitmap's top row
    int advance = 0;   // whole pixels the pen moves right after the glyph
    // One bit a pixel, the most significant bit leftmost, top row first.
    std::vector<std::uint8_t> bits;

    bool Set(int x, int row) const {
        return (bits[static_cast<std::size_t>(row * pitch + x / 8)] >> (7 - x % 8) & 1) != 0;
    }
};

class FontRasterizer {
public:
    virtual ~FontRasterizer() = default;

    // The family of the face actually used.
    virtual std::string FamilyName() const = 0;

    // The glyph of a Unicode code point; a code the face lacks gets its
    // missing-glyph shape.
    virtual GlyphBitmap Render(char32_t codePoint) = 0;
};

// The face named faceName at the weight given on the 100 (thin) to 900
// (black) scale when the machine has it, otherwise a fixed condensed heavy
// sans face, so that every machine without the named face renders alike.
// The face is sized so that its character cell (ascent plus descent) is
// cellHeight pixels. Null when no face can be loaded at all.
std::unique_ptr<FontRasterizer> CreateFontRasterizer(std::string_view faceName, int weight, int cellHeight);

}  // namespace zint::platform
