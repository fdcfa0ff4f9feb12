#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/FontPages.h"
#include "gui/Skin.h"
#include "gui/SkinIds.h"
#include "gui/TextLayout.h"
#include "gui/TexturePackFile.h"
#include "gui/Window.h"
#include "support/RecordingPainter.h"
#include "support/TracedImages.h"
#include "support/WmHarness.h"

namespace {

using Op = RecordingPainter::Op;

// Process-wide drawing state (painter, skin, default font, frame clip) is put back after
// each test.
class DrawingStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_skin_ = CurrentSkin();
    saved_painter_ = CurrentPainter();
    saved_font_ = DefaultFont();
    saved_clip_ = FrameClip();
    SetCurrentPainter(&painter_);
  }
  void TearDown() override {
    SetCurrentPainter(nullptr);
    FlushSprites();  // drops whatever a failed test left queued
    SetCurrentPainter(saved_painter_);
    SetDefaultFont(saved_font_);
    SetFrameClip(saved_clip_);
    CurrentSkin() = saved_skin_;
  }

  RecordingPainter painter_;
  std::vector<PageImage> skin_pages_;

 private:
  Skin saved_skin_;
  Painter* saved_painter_ = nullptr;
  const Font* saved_font_ = nullptr;
  Rect saved_clip_;
};

// ---------------------------------------------------------------------------------------
// Skin borders

constexpr int32_t kEdge = kSkinThickBorderEdge;
constexpr int32_t kCorner = kSkinThickBorderCorner;
constexpr int kEdgeLength = 7;
constexpr int kThickness = 3;

class SkinBorderTest : public DrawingStateTest {
 protected:
  void SetUp() override {
    DrawingStateTest::SetUp();
    const std::string error = CurrentSkin().LoadImages(
        {MakeImage(kEdge, kEdgeLength, kThickness), MakeImage(kCorner, kThickness, kThickness)},
        1024, skin_pages_);
    ASSERT_EQ(error, "");
    ASSERT_EQ(CurrentSkin().Piece(kEdge).page, CurrentSkin().Piece(kCorner).page);
  }

  // What the drawn quads show at pixel (x, y): one entry per quad covering it.
  std::vector<Source> ShownAt(const std::vector<TexturedQuad>& quads, int x, int y) const {
    std::vector<Source> shown;
    const PageImage& page = skin_pages_.at(static_cast<size_t>(CurrentSkin().Piece(kEdge).page));
    for (const TexturedQuad& q : quads) {
      Point t;
      if (!QuadTexel(q, static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f,
                     {page.width, page.height}, t)) {
        continue;
      }
      const size_t at = (static_cast<size_t>(t.y) * page.width + t.x) * 4;
      shown.push_back({page.pixels[at + 2], page.pixels[at], page.pixels[at + 1]});
    }
    return shown;
  }

  // What a border along `sides` of `r` should show at (x, y), or nothing (id -1). Edges show
  // the edge image's row 0 on the outside and tile it along the side from where the side
  // starts; corners show the top-left corner image mirrored to face their own corner.
  static Source Expected(const Rect& r, uint32_t sides, int x, int y) {
    const bool left = sides & FrameSide::Left, top = sides & FrameSide::Top;
    const bool right = sides & FrameSide::Right, bottom = sides & FrameSide::Bottom;
    const bool in_left = left && x < r.left + kThickness;
    const bool in_right = right && x >= r.right - kThickness;
    const bool in_top = top && y < r.top + kThickness;
    const bool in_bottom = bottom && y >= r.bottom - kThickness;
    const int from_outside_x = in_left ? x - r.left : r.right - 1 - x;
    const int from_outside_y = in_top ? y - r.top : r.bottom - 1 - y;
    if ((in_left || in_right) && (in_top || in_bottom)) {
      return {kCorner, from_outside_x, from_outside_y};
    }
    if (in_top || in_bottom) {
      const int start = r.left + (left ? kThickness : 0);
      return {kEdge, (x - start) % kEdgeLength, from_outside_y};
    }
    if (in_left || in_right) {
      const int start = r.top + (top ? kThickness : 0);
      return {kEdge, (y - start) % kEdgeLength, from_outside_x};
    }
    return {};
  }

  void ExpectBorder(const Rect& r, uint32_t sides) {
    painter_.Clear();
    DrawSkinBorder(r, kEdge, kCorner, sides);
    FlushSprites();
    const std::vector<TexturedQuad> quads = painter_.AllQuads(PageSet::kSkin);
    // One pixel around the rectangle as well: nothing may spill out.
    for (int y = r.top - 1; y <= r.bottom; ++y) {
      for (int x = r.left - 1; x <= r.right; ++x) {
        const std::vector<Source> shown = ShownAt(quads, x, y);
        const Source expected = r.Contains(Point{x, y}) ? Expected(r, sides, x, y) : Source{};
        if (expected.id < 0) {
          ASSERT_TRUE(shown.empty()) << "pixel (" << x << ", " << y << ") is drawn";
        } else {
          ASSERT_EQ(shown.size(), 1u) << "pixel (" << x << ", " << y << ")";
          ASSERT_EQ(shown[0], expected) << "pixel (" << x << ", " << y << ")";
        }
      }
    }
  }
};

TEST_F(SkinBorderTest, AllFourSidesShowTheEdgeOutsideInAndTheCornersMirroredIntoPlace) {
  ExpectBorder({10, 20, 33, 37}, FrameSide::All);
  EXPECT_EQ(painter_.Count(Op::kDrawQuads), 1u) << "one page, one batch";
}

TEST_F(SkinBorderTest, EverySubsetOfSidesGetsItsEdgesAndOnlyTheCornersWhereTwoMeet) {
  for (uint32_t sides = 0; sides <= FrameSide::All; ++sides) {
    SCOPED_TRACE("sides " + std::to_string(sides));
    ExpectBorder({10, 20, 33, 37}, sides);
  }
}

TEST_F(SkinBorderTest, NothingIsDrawnWithoutAnEdgeImageOrForAnEmptyRectangle) {
  DrawSkinBorder({10, 20, 33, 37}, kSkinThinBorderEdge, kSkinThinBorderCorner, FrameSide::All);
  DrawSkinBorder({10, 20, 10, 37}, kEdge, kCorner, FrameSide::All);
  FlushSprites();
  EXPECT_EQ(painter_.Count(Op::kDrawQuads), 0u);
}

// ---------------------------------------------------------------------------------------
// Text

constexpr int kBigGlyph = 100;  // two of these cannot share a 128-texel page
constexpr int kAdvance = 110;
constexpr int kAscent = 100;

FontData MakeTwoPageFont() {
  FontData data;
  data.ascent = kAscent;
  data.line_height = 110;
  data.tab_size = 4;
  FontStyle& plain = data.styles[kFontPlain];
  plain.set_present(true);
  for (int g = 0; g < kFontGlyphCount; ++g) {
    FontGlyph& glyph = plain.glyphs[g];
    glyph.advances.fill(kAdvance);
    const int code = kFontFirstChar + g;
    if (code == 'A' || code == 'B') {
      glyph.width = kBigGlyph;
      glyph.height = kBigGlyph;
      glyph.y_offset = -kBigGlyph;
      glyph.coverage.assign(size_t{kBigGlyph} * kBigGlyph, static_cast<uint8_t>(code));
    }
  }
  return data;
}

class DrawTextTest : public DrawingStateTest {
 protected:
  void SetUp() override {
    DrawingStateTest::SetUp();
    std::vector<PageImage> pages;
    ASSERT_EQ(BuildFontPages(font_, 128, pages), "");
    ASSERT_EQ(font_.pages().size(), 2u);
    page_a_ = font_.GetGlyph(kFontPlain, 'A').page;
    page_b_ = font_.GetGlyph(kFontPlain, 'B').page;
    ASSERT_NE(page_a_, page_b_);
  }

  Font font_{MakeTwoPageFont()};
  int32_t page_a_ = -1;
  int32_t page_b_ = -1;
  const Rect rect_ = {0, 0, 400, 200};
};

constexpr Color kInk = MakeColor(200, 150, 100, 180);

TEST_F(DrawTextTest, ShadowsComeFirstInBlackWithTheTextsAlphaThenTheGlyphsPageByPage) {
  painter_.SetColor(kInk);
  painter_.Clear();
  const int32_t width = DrawText(&font_, "AB", kFontPlain, kTextShadow, rect_);
  EXPECT_EQ(width, 2 * kAdvance);
  const auto draws = painter_.Calls(Op::kDrawQuads);
  ASSERT_EQ(draws.size(), 4u) << "shadows and glyphs, each on two pages";
  const Color shadow = MakeColor(0, 0, 0, 180);
  const int32_t first_page = std::min(page_a_, page_b_);
  for (size_t i = 0; i < draws.size(); ++i) {
    SCOPED_TRACE(i);
    const bool is_shadow = i < 2;
    EXPECT_EQ(draws[i]->set, PageSet::kFont);
    EXPECT_EQ(draws[i]->color, is_shadow ? shadow : kInk);
    EXPECT_EQ(draws[i]->page, i % 2 == 0 ? first_page : 1 - first_page);
    ASSERT_EQ(draws[i]->quads.size(), 1u);
    // 'A' is drawn at the pen's start and 'B' one advance later; shadows one pixel right and
    // down of their glyph.
    const int glyph_x = draws[i]->page == page_a_ ? 0 : kAdvance;
    EXPECT_EQ(draws[i]->quads[0].x0, glyph_x + (is_shadow ? 1 : 0));
    EXPECT_EQ(draws[i]->quads[0].y0, kAscent - kBigGlyph + (is_shadow ? 1 : 0));
  }
  EXPECT_EQ(painter_.CurrentColor(), kInk) << "the text colour is restored";
  EXPECT_EQ(painter_.calls.back().op, Op::kSetColor);
}

TEST_F(DrawTextTest, WithoutTheShadowFlagOnlyTheGlyphsAreDrawnInTheCurrentColour) {
  painter_.SetColor(kInk);
  painter_.Clear();
  DrawText(&font_, "BA", kFontPlain, 0, rect_);
  const auto draws = painter_.Calls(Op::kDrawQuads);
  ASSERT_EQ(draws.size(), 2u);
  for (const auto* draw : draws) EXPECT_EQ(draw->color, kInk);
  for (const auto* set : painter_.Calls(Op::kSetColor)) EXPECT_EQ(set->color, kInk);
}

TEST_F(DrawTextTest, MeasuringOnlyDrawsNothingButReturnsTheWidth) {
  const int32_t width =
      DrawText(&font_, "AB\nA", kFontPlain, kTextMeasureOnly | kTextMultiLine, rect_);
  EXPECT_EQ(width, 2 * kAdvance);
  EXPECT_TRUE(painter_.calls.empty());
}

TEST_F(DrawTextTest, WithoutAFontNothingIsDrawnAndTheDefaultFontStandsInForNone) {
  SetDefaultFont(nullptr);
  EXPECT_EQ(DrawText(nullptr, "AB", kFontPlain, 0, rect_), 0);
  EXPECT_TRUE(painter_.calls.empty());
  SetDefaultFont(&font_);
  EXPECT_EQ(DrawText(nullptr, "AB", kFontPlain, 0, rect_), 2 * kAdvance);
  EXPECT_EQ(painter_.Count(Op::kDrawQuads), 2u);
}

TEST_F(DrawTextTest, QueuedSpritesAreDrawnBeforeTheText) {
  ASSERT_EQ(CurrentSkin().LoadImages({MakeImage(kSkinBackground, 4, 4)}, 1024, skin_pages_), "");
  QueueSprite(kSkinBackground, {0, 0, 8, 8});
  DrawText(&font_, "A", kFontPlain, 0, rect_);
  const auto draws = painter_.Calls(Op::kDrawQuads);
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0]->set, PageSet::kSkin);
  EXPECT_EQ(draws[1]->set, PageSet::kFont);
}

// ---------------------------------------------------------------------------------------
// Window drawing set-up

class WindowDrawingTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    saved_painter_ = CurrentPainter();
    saved_clip_ = FrameClip();
    SetCurrentPainter(&painter_);
    screen_ = {0, 0, wm->ScreenSize().width, wm->ScreenSize().height};
    SetFrameClip(screen_);
    painter_.Clear();
  }
  void TearDown() override {
    SetCurrentPainter(saved_painter_);
    SetFrameClip(saved_clip_);
    WmTest::TearDown();
  }

  RecordingPainter painter_;
  Rect screen_;

 private:
  Painter* saved_painter_ = nullptr;
  Rect saved_clip_;
};

TEST_F(WindowDrawingTest, TheClientAreaIsSetUpWithThePartInsideTheClipAsVisible) {
  ProbeWindow* w = Frame({100, 100, 300, 250});
  const Rect client = w->ClientRect();
  SetFrameClip({150, 0, 800, 200});
  painter_.Clear();
  ASSERT_TRUE(BeginWindowDrawing(w, true));
  const Rect visible = {150, client.top, client.right, 200};
  ASSERT_EQ(painter_.Count(Op::kBeginWindow), 1u);
  EXPECT_EQ(painter_.calls[0].rect, client);
  EXPECT_EQ(painter_.calls[0].visible, visible);
  EXPECT_FALSE(painter_.calls[0].three_d);
  EXPECT_EQ(w->VisibleRect(), visible);
  EXPECT_EQ(painter_.CurrentColor(), kWhite) << "drawing starts in white";
  EndWindowDrawing();
  EXPECT_EQ(painter_.calls.back().op, Op::kEndWindow);
}

TEST_F(WindowDrawingTest, TheFrameAreaReachesTheDropShadow) {
  ProbeWindow* w = Frame({100, 100, 300, 250},
                         WindowFlag::TitleBar | WindowFlag::ThickFrame | WindowFlag::DropShadow);
  const Rect reach = {100, 100, 316, 266};
  ASSERT_TRUE(BeginWindowDrawing(w, false, true));
  EXPECT_EQ(painter_.calls[0].rect, reach);
  EXPECT_EQ(painter_.calls[0].visible, reach);
  EXPECT_TRUE(painter_.calls[0].three_d);
  EndWindowDrawing();

  // A clip that meets nothing but the shadow still lets the frame draw, not the client.
  const Rect shadow_only = {305, 110, 400, 400};
  SetFrameClip(shadow_only);
  painter_.Clear();
  EXPECT_FALSE(BeginWindowDrawing(w, true));
  EXPECT_EQ(painter_.Count(Op::kBeginWindow), 0u);
  ASSERT_TRUE(BeginWindowDrawing(w, false));
  EXPECT_EQ(painter_.calls.back().op, Op::kSetColor);
  EXPECT_EQ(painter_.Calls(Op::kBeginWindow)[0]->visible, (Rect{305, 110, 316, 266}));
  EndWindowDrawing();
}

TEST_F(WindowDrawingTest, NothingIsSetUpOutsideTheClipOrWhenThePainterRefuses) {
  ProbeWindow* w = Frame({100, 100, 300, 250});
  SetFrameClip({400, 0, 800, 600});
  painter_.Clear();
  EXPECT_FALSE(BeginWindowDrawing(w, true));
  EXPECT_FALSE(BeginWindowDrawing(w, false));
  EXPECT_TRUE(w->VisibleRect().IsEmpty());
  EXPECT_EQ(painter_.Count(Op::kBeginWindow), 0u);
  EXPECT_FALSE(BeginWindowDrawing(nullptr, true));

  SetFrameClip(screen_);
  painter_.accept_windows = false;
  painter_.SetColor(kBlack);
  painter_.Clear();
  EXPECT_FALSE(BeginWindowDrawing(w, true));
  EXPECT_EQ(painter_.Count(Op::kSetColor), 0u) << "no drawing follows a refused window";
}

TEST_F(WindowDrawingTest, DuringTheOverviewWindowsAreDrawnOnTheirWayToTheirSlots) {
  ProbeWindow* w = Frame({100, 100, 300, 260});
  const Rect client = w->ClientRect();
  const Rect slot = {20, 40, 120, 140};
  platform.now = 10.0;
  wm->ToggleOverview();
  // Half-way through the animation the eased progress is a quarter.
  platform.now = 10.125;
  wm->AdvanceOverview();
  ASSERT_NEAR(wm->OverviewProgress(), 0.25f, 1e-6f);
  w->OverviewRect() = slot;

  ASSERT_TRUE(BeginWindowDrawing(w, false));
  EndWindowDrawing();
  // A quarter of the way from (100, 100, 300, 260) to (20, 40, 120, 140).
  const Rect frame_area = {80, 85, 255, 230};
  EXPECT_EQ(painter_.Calls(Op::kBeginWindow)[0]->rect, frame_area);
  EXPECT_EQ(painter_.Calls(Op::kBeginWindow)[0]->visible, frame_area);

  // The whole window shrinks as one picture: the client keeps its place in the frame, scaled
  // with it.
  ASSERT_TRUE(BeginWindowDrawing(w, true));
  EndWindowDrawing();
  auto map_x = [](int32_t x) { return 80 + (x - 100) * 175 / 200; };
  auto map_y = [](int32_t y) { return 85 + (y - 100) * 145 / 160; };
  const Rect client_area = {map_x(client.left), map_y(client.top), map_x(client.right),
                            map_y(client.bottom)};
  EXPECT_EQ(painter_.Calls(Op::kBeginWindow)[1]->rect, client_area);

  // Settled, the frame fills its slot.
  platform.now = 10.25;
  wm->AdvanceOverview();
  w->OverviewRect() = slot;
  ASSERT_TRUE(BeginWindowDrawing(w, false));
  EndWindowDrawing();
  EXPECT_EQ(painter_.Calls(Op::kBeginWindow)[2]->rect, slot);
}

TEST_F(WindowDrawingTest, DuringTheOverviewLayersAndFloatingWindowsStayInPlace) {
  ProbeWindow* w = Frame({100, 100, 300, 260});
  auto* child = new ProbeWindow(WindowFlag::BackgroundA, w);
  child->SetFrameRect({10, 10, 50, 30});
  platform.now = 10.0;
  wm->ToggleOverview();
  platform.now = 10.25;
  wm->AdvanceOverview();
  w->OverviewRect() = {0, 0, 100, 80};  // half the frame's size

  ASSERT_TRUE(BeginWindowDrawing(wm->Layer0(), true));
  EndWindowDrawing();
  EXPECT_EQ(painter_.Calls(Op::kBeginWindow)[0]->rect, wm->Layer0()->ClientRect());

  // A child shrinks with its top-level window: half size, at half its offset into the frame.
  ASSERT_TRUE(BeginWindowDrawing(child, true));
  EndWindowDrawing();
  const Rect c = child->ClientRect();
  const Rect expected = {(c.left - 100) / 2, (c.top - 100) / 2, (c.right - 100) / 2,
                         (c.bottom - 100) / 2};
  EXPECT_EQ(painter_.Calls(Op::kBeginWindow)[1]->rect, expected);
}

}  // namespace
