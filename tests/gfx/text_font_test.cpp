#include "gfx/text_font.h"

#include <gtest/gtest.h>

namespace zint {
namespace {

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

TEST(TextWidth, SumsTheAdvancesOfTheBytesReadUnsigned) {
    TextFont font;
    for (int code = 0; code < kFontCodes; ++code) font.advances[static_cast<std::size_t>(code)] = code % 7 + 1;
    EXPECT_EQ(font.TextWidth(""), 0);
    EXPECT_EQ(font.TextWidth("ab"), ('a' % 7 + 1) + ('b' % 7 + 1));
    // A byte above 127 is a high code, not a negative index.
    EXPECT_EQ(font.TextWidth("\xff\x80"), (255 % 7 + 1) + (128 % 7 + 1));
}

}  // namespace
}  // namespace zint
