#include "platform/font_rasterizer.h"

#include <gtest/gtest.h>

namespace zint {
namespace {

TEST(FontRasterizer, GlyphsAreWholeSitOnTheBaselineScaleWithTheCellAndAMissingFaceHasItsStandIn) {
    const auto standIn = platform::CreateFontRasterizer("No Such Face Anywhere", 400, 32);
    const auto small = platform::CreateFontRasterizer("Impact", 400, 32);
    const auto large = platform::CreateFontRasterizer("Impact", 400, 64);
    ASSERT_TRUE(standIn && small && large);
    EXPECT_EQ(standIn->FamilyName(), "Liberation Sans Narrow");
    const platform::GlyphBitmap capital = small->Render(U'H');
    EXPECT_TRUE(capital.width > 0 && capital.pitch >= (capital.width + 7) / 8 && capital.advance > capital.left);
    EXPECT_EQ(capital.bits.size(), static_cast<std::size_t>(capital.pitch * capital.rows));
    EXPECT_EQ(capital.top, capital.rows) << "sits on the baseline";
    EXPECT_TRUE(capital.Set(0, 0) && capital.Set(0, capital.rows - 1)) << "the left stem, top to bottom";
    const platform::GlyphBitmap descender = small->Render(U'g');
    EXPECT_LT(descender.top, descender.rows) << "reaches below the baseline";
    EXPECT_GT(small->Render(U'\uE000').advance, 0) << "the face's missing-glyph shape";
    const platform::GlyphBitmap smallM = small->Render(U'M');
    const platform::GlyphBitmap largeM = large->Render(U'M');
    EXPECT_NEAR(largeM.advance, 2 * smallM.advance, 2);
    EXPECT_NEAR(largeM.rows, 2 * smallM.rows, 2);
    EXPECT_LT(smallM.rows, 32);
}

}  // namespace
}  // namespace zint
