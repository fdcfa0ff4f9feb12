#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>

#include "gui/Font.h"

namespace {

// Every glyph field derived from style and index, so a glyph copied to the wrong slot or a
// field dropped on the way shows up.
FontData MakeFontData() {
  FontData data;
  data.ascent = 9;
  data.descent = 2;
  data.line_height = 12;
  data.tab_size = 3;
  for (int s = 0; s < kFontStyleCount; ++s) {
    FontStyle& style = data.styles[s];
    style.set_present(s != kFontItalic);
    for (int g = 0; g < kFontGlyphCount; ++g) {
      FontGlyph& glyph = style.glyphs[g];
      glyph.width = static_cast<uint16_t>(g % 5);
      glyph.height = static_cast<uint16_t>((g + s) % 4);
      glyph.x_offset = static_cast<int16_t>(s - g % 3);
      glyph.y_offset = static_cast<int16_t>(-(g % 11) - s);
      for (int j = 0; j < kFontGlyphCount; ++j) {
        glyph.advances[j] = static_cast<int8_t>(4 + s + (g + j) % 3);
      }
      glyph.coverage.assign(size_t{glyph.width} * glyph.height, static_cast<uint8_t>(g + s));
    }
  }
  return data;
}

void ExpectSameGlyphs(const Font& font, const FontData& data) {
  for (int s = 0; s < kFontStyleCount; ++s) {
    for (int g = 0; g < kFontGlyphCount; ++g) {
      const Font::Glyph& glyph = font.GetGlyph(s, static_cast<uint8_t>(kFontFirstChar + g));
      const FontGlyph& expected = data.styles[s].glyphs[g];
      ASSERT_EQ(glyph.width, expected.width) << s << "/" << g;
      ASSERT_EQ(glyph.height, expected.height) << s << "/" << g;
      ASSERT_EQ(glyph.x_offset, expected.x_offset) << s << "/" << g;
      ASSERT_EQ(glyph.y_offset, expected.y_offset) << s << "/" << g;
      ASSERT_EQ(glyph.advances, expected.advances) << s << "/" << g;
      ASSERT_EQ(glyph.coverage, expected.coverage) << s << "/" << g;
      ASSERT_EQ(glyph.page, -1);
    }
  }
}

TEST(FontConstruction, CopiesMetricsAndGlyphs) {
  const FontData data = MakeFontData();
  const Font font(data);
  EXPECT_EQ(font.ascent(), data.ascent);
  EXPECT_EQ(font.descent(), data.descent);
  EXPECT_EQ(font.line_height(), data.line_height);
  EXPECT_EQ(font.tab_size(), data.tab_size);
  ExpectSameGlyphs(font, data);
  EXPECT_TRUE(font.pages().empty());
}

TEST(FontConstruction, MovingTakesTheCoverageAlong) {
  const FontData expected = MakeFontData();
  FontData data = MakeFontData();
  const Font font(std::move(data));
  ExpectSameGlyphs(font, expected);
}

TEST(FontConstruction, ShortGlyphListLeavesTheRestEmpty) {
  FontData data = MakeFontData();
  data.styles[kFontPlain].glyphs.resize(10);
  const Font font(data);
  EXPECT_EQ(font.GetGlyph(kFontPlain, kFontFirstChar + 9).x_offset,
            data.styles[kFontPlain].glyphs[9].x_offset);
  const Font::Glyph& past = font.GetGlyph(kFontPlain, kFontFirstChar + 10);
  EXPECT_EQ(past.width, 0);
  EXPECT_EQ(past.advances[0], 0);
}

TEST(FontStyles, PresenceFollowsTheFile) {
  const Font font(MakeFontData());
  EXPECT_TRUE(font.HasStyle(kFontPlain));
  EXPECT_TRUE(font.HasStyle(kFontBold));
  EXPECT_FALSE(font.HasStyle(kFontItalic));
  EXPECT_TRUE(font.HasStyle(kFontBoldItalic));
  EXPECT_FALSE(font.HasStyle(-1));
  EXPECT_FALSE(font.HasStyle(kFontStyleCount));
}

TEST(FontStyles, UsableStyleFallsBackToTheFirstPresentOne) {
  FontData data = MakeFontData();
  const Font font(data);
  EXPECT_EQ(font.UsableStyle(kFontBold), kFontBold);
  EXPECT_EQ(font.UsableStyle(kFontItalic), kFontPlain);
  EXPECT_EQ(font.UsableStyle(99), kFontPlain);

  data.styles[kFontPlain].set_present(false);
  const Font without_plain(data);
  EXPECT_EQ(without_plain.UsableStyle(kFontItalic), kFontBold);
  EXPECT_EQ(without_plain.UsableStyle(kFontPlain), kFontBold);

  for (FontStyle& style : data.styles) style.set_present(false);
  const Font empty(data);
  EXPECT_EQ(empty.UsableStyle(kFontBoldItalic), kFontPlain);
}

TEST(FontGlyphs, ControlCodesReadAsTheSpace) {
  const Font font(MakeFontData());
  EXPECT_EQ(&font.GetGlyph(kFontBold, '\t'), &font.GetGlyph(kFontBold, ' '));
  EXPECT_EQ(&font.GetGlyph(kFontBold, 0), &font.GetGlyph(kFontBold, ' '));
  EXPECT_NE(&font.GetGlyph(kFontBold, '!'), &font.GetGlyph(kFontBold, ' '));
}

TEST(FontGlyphs, AdvanceIndexesByTheNextCharacter) {
  const FontData data = MakeFontData();
  const Font font(data);
  const auto& a = data.styles[kFontBold].glyphs['a' - kFontFirstChar];
  EXPECT_EQ(font.Advance(kFontBold, 'a', 'b'), a.advances['b' - kFontFirstChar]);
  EXPECT_EQ(font.Advance(kFontBold, 'a', 255), a.advances[255 - kFontFirstChar]);
  EXPECT_EQ(font.Advance(kFontBold, 'a', '\n'), a.advances[0]);
  EXPECT_EQ(font.Advance(kFontBold, 'a', 0), a.advances[0]);
}

TEST(FontGlyphs, TabStepIsSpaceAdvanceTimesTabSize) {
  FontData data = MakeFontData();
  const int space = data.styles[kFontBold].glyphs[0].advances[0];
  EXPECT_EQ(Font(data).TabStep(kFontBold), space * data.tab_size);

  data.tab_size = 0;
  EXPECT_EQ(Font(data).TabStep(kFontBold), 0);

  // A corrupt tab size must not wrap around to a harmless-looking step.
  data.tab_size = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(Font(data).TabStep(kFontBold), std::numeric_limits<int32_t>::max());
  data.tab_size = std::numeric_limits<int32_t>::min();
  EXPECT_LE(Font(data).TabStep(kFontBold), 0);
}

TEST(FontPages, PlacementAndPagesAreFilledByTheCaller) {
  Font font(MakeFontData());
  Font::Glyph& glyph = font.GetGlyph(kFontPlain, 'x');
  glyph.page = 1;
  glyph.page_x = 17;
  glyph.page_y = 33;
  glyph.transposed = true;
  font.pages().push_back({256, 128, 7});
  const Font& view = font;
  EXPECT_EQ(view.GetGlyph(kFontPlain, 'x').page_x, 17);
  EXPECT_TRUE(view.GetGlyph(kFontPlain, 'x').transposed);
  ASSERT_EQ(view.pages().size(), 1u);
  EXPECT_EQ(view.pages()[0].gl_name, 7u);
}

TEST(FontPages, ReleasingCoverageKeepsTheSizes) {
  Font font(MakeFontData());
  const Font::Glyph& glyph = font.GetGlyph(kFontBoldItalic, '#');
  ASSERT_TRUE(glyph.HasBitmap());
  const uint16_t width = glyph.width;
  font.ReleaseCoverage();
  EXPECT_TRUE(glyph.coverage.empty());
  EXPECT_EQ(glyph.width, width);
  EXPECT_TRUE(glyph.HasBitmap());
}

}  // namespace
