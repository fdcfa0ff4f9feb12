#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Font.h"
#include "gui/FontPages.h"
#include "support/RecordingPainter.h"

namespace {

// Coverage value of pixel (c, r) of a glyph `width` wide: different for every pixel of the
// glyph, and never 0 (the page's background).
uint8_t CoverageAt(int width, int c, int r) {
  return static_cast<uint8_t>(1 + (r * width + c) % 255);
}

void SetGlyph(FontGlyph& glyph, int width, int height) {
  glyph.width = static_cast<uint16_t>(width);
  glyph.height = static_cast<uint16_t>(height);
  glyph.coverage.clear();
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) glyph.coverage.push_back(CoverageAt(width, c, r));
  }
}

// Plain and bold are present with glyphs of assorted sizes (many taller than wide, which the
// packer turns); italic is absent although its records carry bitmaps; the space has none.
FontData MakeFontData() {
  FontData data;
  data.ascent = 9;
  data.line_height = 12;
  data.tab_size = 4;
  for (int s = 0; s < kFontStyleCount; ++s) {
    FontStyle& style = data.styles[s];
    style.set_present(s == kFontPlain || s == kFontBold);
    if (s == kFontBoldItalic) continue;
    for (int code = 33; code < 127; ++code) {
      SetGlyph(style.glyphs[code - kFontFirstChar], 3 + (code + s) % 20, 3 + (code * 3 + s) % 23);
    }
  }
  return data;
}

// A glyph's rectangle in its page.
Rect PageRect(const Font::Glyph& g) {
  const int w = g.transposed ? g.height : g.width;
  const int h = g.transposed ? g.width : g.height;
  return {g.page_x, g.page_y, g.page_x + w, g.page_y + h};
}

class FontPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int s = 0; s < kFontStyleCount; ++s) {
      for (int code = 32; code < 256; ++code) {
        coverage_[s][code - 32] = font_.GetGlyph(s, static_cast<uint8_t>(code)).coverage;
      }
    }
  }
  void Build(int32_t max_texture_size = 1024) {
    ASSERT_EQ(BuildFontPages(font_, max_texture_size, pages_), "");
  }
  uint8_t PageTexel(int32_t page, Point p) const {
    const PageImage& image = pages_.at(static_cast<size_t>(page));
    return image.pixels.at(static_cast<size_t>(p.y) * image.width + p.x);
  }

  Font font_{MakeFontData()};
  std::vector<PageImage> pages_;
  std::vector<uint8_t> coverage_[kFontStyleCount][kFontGlyphCount];
};

TEST_F(FontPagesTest, EveryGlyphWithABitmapLiesInsideAPageWithItsCoverage) {
  Build(128);  // small pages, so that the glyphs need more than one
  ASSERT_GE(pages_.size(), 2u);
  std::vector<std::vector<Rect>> taken(pages_.size());
  int turned = 0;
  for (int s : {kFontPlain, kFontBold}) {
    for (int code = 33; code < 127; ++code) {
      SCOPED_TRACE(std::to_string(s) + "/" + std::to_string(code));
      const Font::Glyph& g = font_.GetGlyph(s, static_cast<uint8_t>(code));
      ASSERT_GE(g.page, 0);
      ASSERT_LT(static_cast<size_t>(g.page), pages_.size());
      const PageImage& page = pages_[static_cast<size_t>(g.page)];
      const Rect r = PageRect(g);
      ASSERT_TRUE((Rect{0, 0, page.width, page.height}).Contains(r));
      for (const Rect& other : taken[static_cast<size_t>(g.page)]) {
        ASSERT_FALSE(other.Intersects(r)) << "glyphs overlap";
      }
      taken[static_cast<size_t>(g.page)].push_back(r);
      turned += g.transposed ? 1 : 0;
      const std::vector<uint8_t>& coverage = coverage_[s][code - 32];
      for (int row = 0; row < g.height; ++row) {
        for (int c = 0; c < g.width; ++c) {
          const Point at = g.transposed ? Point{g.page_x + row, g.page_y + c}
                                        : Point{g.page_x + c, g.page_y + row};
          ASSERT_EQ(PageTexel(g.page, at), coverage[static_cast<size_t>(row) * g.width + c])
              << "pixel (" << c << ", " << row << ")";
        }
      }
    }
  }
  EXPECT_GT(turned, 0) << "the font has glyphs taller than wide";
}

TEST_F(FontPagesTest, GlyphsWithoutABitmapOrOfAnAbsentStyleGetNoPage) {
  Build();
  EXPECT_EQ(font_.GetGlyph(kFontPlain, ' ').page, -1);
  EXPECT_EQ(font_.GetGlyph(kFontPlain, 200).page, -1);
  for (int code = 33; code < 127; ++code) {
    EXPECT_EQ(font_.GetGlyph(kFontItalic, static_cast<uint8_t>(code)).page, -1) << code;
  }
}

TEST_F(FontPagesTest, PagesAreAlphaOnlyAndListedInTheFont) {
  Build(128);
  ASSERT_EQ(font_.pages().size(), pages_.size());
  for (size_t i = 0; i < pages_.size(); ++i) {
    EXPECT_EQ(pages_[i].bytes_per_pixel, 1);
    EXPECT_EQ(pages_[i].pixels.size(), static_cast<size_t>(pages_[i].width) * pages_[i].height);
    EXPECT_EQ(font_.pages()[i].width, pages_[i].width);
    EXPECT_EQ(font_.pages()[i].height, pages_[i].height);
    EXPECT_EQ(font_.pages()[i].gl_name, 0u) << "not uploaded yet";
  }
}

TEST_F(FontPagesTest, TheCoverageIsReleasedAndTheSizesKept) {
  Build();
  for (int s = 0; s < kFontStyleCount; ++s) {
    for (int code = 32; code < 256; ++code) {
      const Font::Glyph& g = font_.GetGlyph(s, static_cast<uint8_t>(code));
      ASSERT_TRUE(g.coverage.empty()) << s << "/" << code;
      ASSERT_EQ(size_t{g.width} * g.height, coverage_[s][code - 32].size());
    }
  }
}

// Checks that every pixel of the glyph's quad, drawn at (x, y), samples the glyph's own
// coverage at that pixel.
void ExpectQuadShowsGlyph(const Font& font, const std::vector<PageImage>& pages,
                          const Font::Glyph& g, int x, int y) {
  const TexturedQuad q = MakeGlyphQuad(font, g, x, y);
  EXPECT_EQ(q.x0, x);
  EXPECT_EQ(q.y0, y);
  EXPECT_EQ(q.x1, x + g.width);
  EXPECT_EQ(q.y1, y + g.height);
  const PageImage& page = pages.at(static_cast<size_t>(g.page));
  for (int r = 0; r < g.height; ++r) {
    for (int c = 0; c < g.width; ++c) {
      Point t;
      ASSERT_TRUE(QuadTexel(q, static_cast<float>(x + c) + 0.5f, static_cast<float>(y + r) + 0.5f,
                            {page.width, page.height}, t));
      ASSERT_EQ(page.pixels.at(static_cast<size_t>(t.y) * page.width + t.x),
                CoverageAt(g.width, c, r))
          << "pixel (" << c << ", " << r << ")";
    }
  }
}

TEST_F(FontPagesTest, QuadsOfTurnedGlyphsShowThemUpright) {
  Build();
  const Font::Glyph* tall = nullptr;
  const Font::Glyph* wide = nullptr;
  for (int code = 33; code < 127 && !(tall && wide); ++code) {
    const Font::Glyph& g = font_.GetGlyph(kFontPlain, static_cast<uint8_t>(code));
    if (g.transposed && g.width >= 2) tall = &g;
    if (!g.transposed && g.width > g.height && g.height >= 2) wide = &g;
  }
  ASSERT_NE(tall, nullptr);
  ASSERT_NE(wide, nullptr);
  ExpectQuadShowsGlyph(font_, pages_, *tall, 10, 20);
  ExpectQuadShowsGlyph(font_, pages_, *wide, -3, 7);
}

TEST_F(FontPagesTest, AGlyphWithoutAPageGetsItsPlaceButNoTexture) {
  Build();
  // Italic is absent, so its bitmaps were not packed.
  const Font::Glyph& g = font_.GetGlyph(kFontItalic, 'A');
  ASSERT_TRUE(g.HasBitmap());
  ASSERT_EQ(g.page, -1);
  const TexturedQuad q = MakeGlyphQuad(font_, g, 5, 6);
  EXPECT_EQ(q.x0, 5);
  EXPECT_EQ(q.y0, 6);
  EXPECT_EQ(q.x1, 5 + g.width);
  EXPECT_EQ(q.y1, 6 + g.height);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(q.u[i], 0);
    EXPECT_EQ(q.v[i], 0);
  }
}

TEST_F(FontPagesTest, AGlyphLargerThanTheLargestPageIsAnErrorAndLeavesNoPages) {
  FontData data = MakeFontData();
  SetGlyph(data.styles[kFontPlain].glyphs['W' - kFontFirstChar], 200, 150);
  Font font(data);
  std::vector<PageImage> pages;
  EXPECT_NE(BuildFontPages(font, 64, pages), "");
  EXPECT_TRUE(font.pages().empty());
  for (int code = 33; code < 127; ++code) {
    EXPECT_EQ(font.GetGlyph(kFontPlain, static_cast<uint8_t>(code)).page, -1) << code;
  }
}

}  // namespace
