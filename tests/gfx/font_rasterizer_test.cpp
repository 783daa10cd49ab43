#include "platform/font_rasterizer.h"

#include <gtest/gtest.h>

namespace zint {
namespace {

TEST(FontRasterizer, MissingFaceFallsBackToTheInstalledCondensedStandIn) {
    const auto rasterizer = platform::CreateFontRasterizer("No Such Face Anywhere", 400, 32);
    ASSERT_NE(rasterizer, nullptr);
    EXPECT_EQ(rasterizer->FamilyName(), "Liberation Sans Narrow");

    const auto impact = platform::CreateFontRasterizer("Impact", 400, 32);
    ASSERT_NE(impact, nullptr);
    const std::string family = impact->FamilyName();
    EXPECT_TRUE(family == "Impact" || family == "Liberation Sans Narrow") << family;
}

TEST(FontRasterizer, GlyphBitmapsAreWholeAndPlacedAroundTheBaseline) {
    const auto rasterizer = platform::CreateFontRasterizer("Impact", 400, 32);
    ASSERT_NE(rasterizer, nullptr);
    const platform::GlyphBitmap capital = rasterizer->Render(U'H');
    EXPECT_GT(capital.width, 0);
    EXPECT_GE(capital.pitch, (capital.width + 7) / 8);
    EXPECT_EQ(capital.bits.size(), static_cast<std::size_t>(capital.pitch * capital.rows));
    EXPECT_EQ(capital.top, capital.rows);  // sits on the baseline
    EXPECT_GT(capital.advance, capital.left);
    EXPECT_TRUE(capital.Set(0, 0));        // the top of the left stem
    EXPECT_TRUE(capital.Set(0, capital.rows - 1));

    const platform::GlyphBitmap descender = rasterizer->Render(U'g');
    EXPECT_LT(descender.top, descender.rows);  // reaches below the baseline

    const platform::GlyphBitmap missing = rasterizer->Render(U'\uE000');
    EXPECT_GT(missing.advance, 0);  // the face's missing-glyph shape
}

TEST(FontRasterizer, SizeFollowsTheCellHeight) {
    const auto small = platform::CreateFontRasterizer("Impact", 400, 32);
    const auto large = platform::CreateFontRasterizer("Impact", 400, 64);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    const platform::GlyphBitmap smallM = small->Render(U'M');
    const platform::GlyphBitmap largeM = large->Render(U'M');
    EXPECT_NEAR(largeM.advance, 2 * smallM.advance, 2);
    EXPECT_NEAR(largeM.rows, 2 * smallM.rows, 2);
    EXPECT_LT(smallM.rows, 32);
}

}  // namespace
}  // namespace zint
