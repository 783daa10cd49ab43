#include "gfx/text_font.h"

#include <gtest/gtest.h>

namespace zint {
namespace {

// The widths of texts, high codes included, are checked against the raster
// position in text_font_gl_test.cpp.
TEST(Windows1252, HighCodesAreTheCodePagesCharactersAndTheRestTheirOwnCodePoints) {
    const std::pair<int, char32_t> codes[] = {
        {0, 0},           {'A', 'A'},       {127, 127},       {0xA0, 0xA0},     {0xFF, 0xFF},
        {0x80, U'\u20AC'}, {0x85, U'\u2026'}, {0x92, U'\u2019'}, {0x99, U'\u2122'}, {0x9F, U'\u0178'},
        {0x81, 0x81},     {0x8D, 0x8D},     {0x8F, 0x8F},     {0x90, 0x90},     {0x9D, 0x9D},  // unassigned
    };
    for (const auto& [code, unicode] : codes) {
        EXPECT_EQ(Windows1252ToUnicode(static_cast<unsigned char>(code)), unicode) << code;
    }
}

}  // namespace
}  // namespace zint
