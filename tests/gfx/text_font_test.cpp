#include "gfx/text_font.h"

#include <gtest/gtest.h>

namespace zint {
namespace {

TEST(Windows1252, AsciiAndLatin1HalvesAreTheirOwnCodePoints) {
    for (int code : {0, 32, int{'A'}, int{'z'}, 127, 0xA0, 0xE9, 0xFF}) {
        EXPECT_EQ(Windows1252ToUnicode(static_cast<unsigned char>(code)), static_cast<char32_t>(code)) << code;
    }
}

TEST(Windows1252, CodesFrom128To159AreTheCodePagesCharacters) {
    EXPECT_EQ(Windows1252ToUnicode(0x80), U'\u20AC');  // euro sign
    EXPECT_EQ(Windows1252ToUnicode(0x85), U'\u2026');  // ellipsis
    EXPECT_EQ(Windows1252ToUnicode(0x92), U'\u2019');  // right single quote
    EXPECT_EQ(Windows1252ToUnicode(0x99), U'\u2122');  // trade mark
    EXPECT_EQ(Windows1252ToUnicode(0x9F), U'\u0178');  // Y with diaeresis
    for (int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(Windows1252ToUnicode(static_cast<unsigned char>(unassigned)), static_cast<char32_t>(unassigned));
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
