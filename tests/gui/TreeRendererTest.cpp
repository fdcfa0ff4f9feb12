#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/FontPages.h"
#include "gui/MessageBoxWindow.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "support/RecordingPainter.h"
#include "support/WmHarness.h"

namespace {

using Op = RecordingPainter::Op;
constexpr uint32_t kFramed = WindowFlag::TitleBar | WindowFlag::ThickFrame;
constexpr uint32_t kOpaque = kFramed | WindowFlag::BackgroundA;
constexpr Color kDim = MakeColor(0, 0, 0, 128);

// Logs its content ("name") and frame ("name/frame") as they are drawn.
class DrawProbe : public ProbeWindow {
 public:
  DrawProbe(uint32_t flags, Window* parent, const char* name, std::vector<std::string>* log)
      : ProbeWindow(flags, parent, name), log_(log) {}
  void Draw() override { log_->push_back(Name()); }
  void DrawFrame() override {
    log_->push_back(Name() + "/frame");
    Window::DrawFrame();
  }

 private:
  std::string Name() const { return GetTitle() ? GetTitle() : "?"; }
  std::vector<std::string>* log_;
};

// Opens `inner` modally when it receives a character.
class ModalOpener : public DrawProbe {
 public:
  using DrawProbe::DrawProbe;
  void OnChar(InputEvent&) override {
    if (inner) WM().RunModal(inner, inner_flags);
  }
  Window* inner = nullptr;
  uint32_t inner_flags = 0;
};

class TreeRendererTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    saved_painter_ = CurrentPainter();
    SetCurrentPainter(&painter);
    wm->SetRenderer(&tree);
    screen = {0, 0, wm->ScreenSize().width, wm->ScreenSize().height};
  }
  void TearDown() override {
    SetCurrentPainter(saved_painter_);
    WmTest::TearDown();
  }

  DrawProbe* Add(const Rect& r, const char* name, uint32_t flags = kFramed,
                 Window* parent = nullptr) {
    auto* w = new DrawProbe(flags, parent, name, &log);
    w->SetFrameRect(r);
    return w;
  }
  void Forget() {
    log.clear();
    painter.Clear();
  }
  // Draws everything pending, then forgets it.
  void Settle() {
    wm->RequestFullRedraw();
    tree.Render(*wm);
    Forget();
  }
  bool RenderFrame() {
    Forget();
    return tree.Render(*wm);
  }
  bool RenderFullFrame() {
    wm->RequestFullRedraw();
    return RenderFrame();
  }
  void Invalidate(const Rect& r) { wm->InvalidateRect(nullptr, r, true); }
  // Runs `step` at the next poll of whatever loop is pumping.
  void Then(std::function<void()> step) {
    platform.Then([step](FakePlatform&) {
      step();
      return true;
    });
  }
  void WaitUntilTop(Window* w) {
    platform.Then([w](FakePlatform& p) { return p.wm->TopModalWindow() == w; });
  }
  // Index of the first BeginWindow for `area` at or after `from`, or calls.size().
  static size_t FindWindow(const std::vector<RecordingPainter::Call>& calls, const Rect& area,
                           size_t from = 0) {
    for (size_t i = from; i < calls.size(); ++i) {
      if (calls[i].op == Op::kBeginWindow && calls[i].rect == area) return i;
    }
    return calls.size();
  }
  static std::vector<size_t> DimFills(const std::vector<RecordingPainter::Call>& calls) {
    std::vector<size_t> found;
    for (size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].op == Op::kFillScreenRect && calls[i].color == kDim) found.push_back(i);
    }
    return found;
  }

  RecordingPainter painter;
  TreeRenderer tree;
  std::vector<std::string> log;
  Rect screen;

 private:
  Painter* saved_painter_ = nullptr;
};

using Log = std::vector<std::string>;

// ---------------------------------------------------------------------------------------
// Which windows are drawn

TEST_F(TreeRendererTest, ADirtyRectangleRedrawsOnlyTheWindowsItMeets) {
  Add({50, 50, 250, 250}, "A");
  Add({400, 50, 600, 250}, "B");
  Settle();

  Invalidate({450, 100, 500, 150});  // inside B's client area
  EXPECT_TRUE(RenderFrame());
  EXPECT_EQ(log, (Log{"B"}));

  Invalidate({100, 55, 150, 70});  // on A's title bar
  RenderFrame();
  EXPECT_EQ(log, (Log{"A/frame"}));

  Invalidate({100, 100, 500, 150});  // across both, reaching outside their client areas
  RenderFrame();
  EXPECT_EQ(log, (Log{"A", "A/frame", "B", "B/frame"}));
}

TEST_F(TreeRendererTest, AFullRedrawDrawsEveryVisibleWindowBottomUpEachBeforeItsChildren) {
  DrawProbe* a = Add({50, 50, 250, 250}, "A");
  Add({10, 10, 60, 60}, "a1", 0, a);
  Add({70, 10, 120, 60}, "a2", 0, a);  // created later: above a1
  Add({100, 100, 400, 300}, "B");
  EXPECT_TRUE(RenderFullFrame());
  EXPECT_EQ(log, (Log{"A", "A/frame", "a1", "a1/frame", "a2", "a2/frame", "B", "B/frame"}));
}

TEST_F(TreeRendererTest, NothingIsDrawnWhenNothingIsDirty) {
  Add({50, 50, 250, 250}, "A");
  Settle();
  const int32_t renders = tree.RenderCount();
  EXPECT_FALSE(RenderFrame());
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(painter.calls.empty()) << "not even a frame is begun";
  EXPECT_EQ(tree.RenderCount(), renders);
}

TEST_F(TreeRendererTest, AWindowAnOpaqueWindowCoversIsSkipped) {
  Add({100, 100, 300, 300}, "A");
  Add({50, 50, 400, 400}, "O", kOpaque);  // its client area covers A's frame
  RenderFullFrame();
  EXPECT_EQ(log, (Log{"O", "O/frame"}));
  Invalidate({150, 150, 200, 200});
  RenderFrame();
  EXPECT_EQ(log, (Log{"O"}));
}

TEST_F(TreeRendererTest, AShadowReachingPastTheOpaqueWindowStillHasTheFrameDrawn) {
  // O's client area ends at 396; A's frame ends at 390 and its shadow reaches 406.
  Add({100, 100, 390, 390}, "plain");
  Add({100, 100, 390, 390}, "shadowed", kFramed | WindowFlag::DropShadow);
  Add({50, 50, 400, 400}, "O", kOpaque);
  RenderFullFrame();
  EXPECT_EQ(log, (Log{"shadowed/frame", "O", "O/frame"}));
}

TEST_F(TreeRendererTest, OnlyTheClientAreaOfAnOpaqueWindowHidesWhatLiesBelow) {
  Add({150, 150, 350, 350}, "A");
  Add({50, 50, 200, 200}, "O", kOpaque);
  Settle();
  Invalidate({160, 160, 190, 190});  // where O's client area lies over A
  RenderFrame();
  EXPECT_EQ(log, (Log{"O"}));
  Invalidate({300, 300, 320, 320});  // A alone
  RenderFrame();
  EXPECT_EQ(log, (Log{"A"}));
  Invalidate({150, 52, 198, 56});  // O's frame over nothing but the layer
  RenderFrame();
  EXPECT_EQ(log, (Log{"O/frame"}));
}

TEST_F(TreeRendererTest, AWindowItsOwnOpaqueChildCoversStillHasTheChildDrawn) {
  DrawProbe* editor = Add({100, 100, 400, 300}, "Editor");
  const Rect client = editor->ClientRect();
  Add({0, 0, client.Width(), client.Height()}, "panel", WindowFlag::BackgroundB, editor);
  Settle();
  Invalidate({200, 200, 250, 250});  // inside the panel, which fills the editor's client area
  RenderFrame();
  EXPECT_EQ(log, (Log{"panel"}));
}

TEST_F(TreeRendererTest, HiddenWindowsAndTheirChildrenAreNotDrawn) {
  DrawProbe* hidden = Add({50, 50, 250, 250}, "H");
  Add({10, 10, 60, 60}, "h1", 0, hidden);
  Add({300, 50, 500, 250}, "B");
  hidden->Hide();
  RenderFullFrame();
  EXPECT_EQ(log, (Log{"B", "B/frame"}));
}

TEST_F(TreeRendererTest, ACollapsedWindowDrawsOnlyItsFrame) {
  Add({100, 100, 300, 300}, "below");
  DrawProbe* c = Add({50, 50, 400, 400}, "C", kOpaque);
  Add({10, 10, 40, 40}, "c1", 0, c);
  c->SetShowState(kShowCollapsed);
  RenderFullFrame();
  EXPECT_EQ(log, (Log{"below", "below/frame", "C/frame"}));
}

TEST_F(TreeRendererTest, TheCountersTellWhatTheLastRenderDrew) {
  DrawProbe* a = Add({50, 50, 250, 250}, "A");
  Add({10, 10, 60, 60}, "a1", 0, a);
  Add({100, 100, 400, 300}, "B");
  const DrawStats before = CurrentDrawStats();
  RenderFullFrame();
  const int32_t windows_full = tree.WindowsDrawn();
  const int32_t frames_full = tree.FramesDrawn();

  Invalidate({300, 200, 350, 250});  // inside B's client area, clear of A
  RenderFrame();
  ASSERT_EQ(log, (Log{"B"}));
  EXPECT_EQ(tree.WindowsDrawn(), windows_full - 2) << "A and a1 are left out";
  EXPECT_EQ(tree.FramesDrawn(), frames_full - 3) << "so are the frames of A, a1 and B";
  EXPECT_EQ(CurrentDrawStats().windows_drawn - before.windows_drawn,
            windows_full + tree.WindowsDrawn());
  EXPECT_EQ(CurrentDrawStats().frames_drawn - before.frames_drawn,
            frames_full + tree.FramesDrawn());
}

// ---------------------------------------------------------------------------------------
// Dimming

TEST_F(TreeRendererTest, AMessageBoxDimsEverythingBelowItRightBeforeItIsDrawn) {
  DrawProbe* a = Add({50, 50, 250, 250}, "A");
  Settle();
  std::vector<RecordingPainter::Call> frame;
  Rect box_client;
  platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Careful"); });
  Then([&] {
    box_client = FindByTitle(wm->Layer1(), "Careful")->ClientRect();
    RenderFullFrame();
    frame = painter.calls;
  });
  Then([this] { Tap(Key::Enter); });
  MessageBoxWindow::Show("Careful", "Everything below is dimmed.", {"OK"});

  const std::vector<size_t> fills = DimFills(frame);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(frame[fills[0]].rect, screen) << "the whole clip";
  EXPECT_LT(FindWindow(frame, a->ClientRect()), fills[0]) << "A is drawn first";
  ASSERT_LT(fills[0] + 1, frame.size());
  EXPECT_EQ(frame[fills[0] + 1].op, Op::kBeginWindow);
  EXPECT_EQ(frame[fills[0] + 1].rect, box_client) << "the box comes right after the dimming";

  EXPECT_TRUE(wm->RedrawFlags() & WindowManager::kRedrawFull) << "the loop's end redraws all";
  RenderFrame();
  EXPECT_TRUE(DimFills(painter.calls).empty());
}

TEST_F(TreeRendererTest, TheTopmostModalEntryAskingForDimmingIsTheOneDimmedBelow) {
  auto* outer = new ModalOpener(kFramed, nullptr, "outer", &log);
  outer->SetFrameRect({100, 100, 300, 300});
  DrawProbe* inner = Add({200, 200, 400, 400}, "inner");
  outer->inner = inner;
  // The inner loop opened without flag 4 and then with it, above an outer loop with it.
  for (const uint32_t inner_flags : {0u, WindowManager::kModalDim}) {
    SCOPED_TRACE(inner_flags);
    outer->inner_flags = inner_flags;
    std::vector<RecordingPainter::Call> frame;
    WaitUntilTop(outer);
    Then([this] { Char('x'); });
    WaitUntilTop(inner);
    Then([&] {
      RenderFullFrame();
      frame = painter.calls;
      wm->EndModal(inner, 0);
    });
    WaitUntilTop(outer);
    Then([&] { wm->EndModal(outer, 0); });
    wm->RunModal(outer, WindowManager::kModalDim);

    const std::vector<size_t> fills = DimFills(frame);
    ASSERT_EQ(fills.size(), 1u);
    const size_t outer_drawn = FindWindow(frame, outer->ClientRect());
    const size_t inner_drawn = FindWindow(frame, inner->ClientRect());
    ASSERT_LT(outer_drawn, frame.size());
    ASSERT_LT(inner_drawn, frame.size());
    EXPECT_LT(outer_drawn, inner_drawn) << "inner lies above outer";
    EXPECT_EQ(fills[0] + 1, inner_flags ? inner_drawn : outer_drawn);
  }
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(TreeRendererTest, ALoopWithoutFlag4DimsNothing) {
  DrawProbe* modal = Add({100, 100, 300, 300}, "modal");
  std::vector<RecordingPainter::Call> frame;
  WaitUntilTop(modal);
  Then([&] {
    RenderFullFrame();
    frame = painter.calls;
    wm->EndModal(modal, 0);
  });
  wm->RunModal(modal, WindowManager::kModalKeys | WindowManager::kModalMouse);
  EXPECT_NE(FindWindow(frame, modal->ClientRect()), frame.size());
  EXPECT_TRUE(DimFills(frame).empty());
}

TEST_F(TreeRendererTest, WhileInputIsDisabledTheWholeScreenIsDimmedLast) {
  Add({50, 50, 250, 250}, "A");
  Settle();
  wm->SetInputDisabled(true);  // draws one frame itself
  ASSERT_EQ(painter.Count(Op::kBeginFrame), 1u);
  const std::vector<size_t> fills = DimFills(painter.calls);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(painter.calls[fills[0]].rect, screen);
  ASSERT_EQ(fills[0] + 2, painter.calls.size());
  EXPECT_EQ(painter.calls.back().op, Op::kEndFrame) << "after everything else";
  EXPECT_NE(std::find(log.begin(), log.end(), "A"), log.end());

  Forget();
  wm->SetInputDisabled(false);
  EXPECT_EQ(painter.Count(Op::kBeginFrame), 1u);
  EXPECT_TRUE(DimFills(painter.calls).empty());
}

// ---------------------------------------------------------------------------------------
// Debug overlay

// A font whose every printable character has a 2 x 2 bitmap, so that the text drawn can be
// read back from the quads.
FontData MakeOverlayFontData() {
  FontData data;
  data.ascent = 10;
  data.line_height = 14;
  data.tab_size = 4;
  FontStyle& plain = data.styles[kFontPlain];
  plain.set_present(true);
  for (int code = 32; code < 127; ++code) {
    FontGlyph& g = plain.glyphs[code - kFontFirstChar];
    g.width = 2;
    g.height = 2;
    g.y_offset = -8;
    g.advances.fill(6);
    g.coverage.assign(4, 255);
  }
  return data;
}

class DebugOverlayTest : public TreeRendererTest {
 protected:
  void SetUp() override {
    TreeRendererTest::SetUp();
    std::vector<PageImage> pages;
    ASSERT_EQ(BuildFontPages(font_, 1024, pages), "");
    for (int code = 32; code < 127; ++code) {
      const Font::Glyph& g = font_.GetGlyph(kFontPlain, static_cast<uint8_t>(code));
      glyph_at_[{g.page, g.page_x, g.page_y}] = static_cast<char>(code);
    }
    wm->Layer1()->SetFont(&font_);
    wm->SetDebugOverlay(true);
  }

  // The lines of text drawn in white (the overlay's colour; shadows are black), top to bottom.
  std::vector<std::string> TextLines() const {
    std::map<float, std::string> lines;
    for (const auto* draw : painter.Calls(Op::kDrawQuads)) {
      if (draw->set != PageSet::kFont || draw->color != kWhite) continue;
      const Font::Page& page = font_.pages().at(static_cast<size_t>(draw->page));
      for (const TexturedQuad& q : draw->quads) {
        Point texel;
        if (!QuadTexel(q, q.x0 + 0.5f, q.y0 + 0.5f, {page.width, page.height}, texel)) continue;
        const auto found = glyph_at_.find({draw->page, texel.x, texel.y});
        lines[q.y0] += found == glyph_at_.end() ? '#' : found->second;
      }
    }
    std::vector<std::string> out;
    for (const auto& [y, text] : lines) out.push_back(text);
    return out;
  }

  Font font_{MakeOverlayFontData()};
  std::map<std::tuple<int32_t, int32_t, int32_t>, char> glyph_at_;
};

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(DebugOverlayTest, ItShowsTheFrameCountAndTheFocusChainInTheBottom48Pixels) {
  DrawProbe* editor = Add({100, 100, 400, 300}, "Editor");
  DrawProbe* panel = Add({0, 0, 200, 100}, nullptr, 0, editor);
  DrawProbe* field = Add({10, 10, 100, 30}, "field", 0, panel);
  Window::SetFocus(field, 0);
  RenderFullFrame();
  std::vector<std::string> lines = TextLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "frames rendered: " + std::to_string(tree.FramesRendered()))
      << "the count includes the frame it is shown in";
  EXPECT_EQ(lines[1], "focus: root -> layer0 -> Editor -> ? -> field");
  EXPECT_EQ(lines[2], "modal stack: ");

  // Drawn inside x 4 to the screen's width, 48 pixels from the bottom.
  for (const TexturedQuad& q : painter.AllQuads(PageSet::kFont)) {
    ASSERT_GE(q.x0, 4);
    ASSERT_GE(q.y0, screen.bottom - 48);
    ASSERT_LE(q.y1, screen.bottom);
  }

  RenderFullFrame();
  lines = TextLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "frames rendered: " + std::to_string(tree.FramesRendered()));
}

TEST_F(DebugOverlayTest, OnlyFramesDrawnWithTheOverlayAreCounted) {
  Add({100, 100, 400, 300}, "Editor");
  auto control_f1 = [this] {
    Key(Key::Control, true);
    Tap(Key::F1);
    Key(Key::Control, false);
    Forget();
    Pump();
  };
  RenderFullFrame();
  ASSERT_FALSE(TextLines().empty());
  EXPECT_EQ(TextLines()[0], "frames rendered: 1");
  control_f1();  // off
  for (int i = 0; i < 3; ++i) {
    Invalidate({150, 150, 200, 200});
    Pump();
  }
  control_f1();  // on again
  ASSERT_FALSE(TextLines().empty());
  EXPECT_EQ(TextLines()[0], "frames rendered: 2");
}

TEST_F(DebugOverlayTest, ItListsTheModalStackOldestFirst) {
  auto* outer = new ModalOpener(kFramed, nullptr, "Outer", &log);
  outer->SetFrameRect({100, 100, 300, 300});
  DrawProbe* inner = Add({200, 200, 400, 400}, "Inner");
  outer->inner = inner;
  std::vector<std::string> lines;
  WaitUntilTop(outer);
  Then([this] { Char('x'); });
  WaitUntilTop(inner);
  Then([&] {
    RenderFullFrame();
    lines = TextLines();
    wm->EndModal(inner, 0);
  });
  WaitUntilTop(outer);
  Then([&] { wm->EndModal(outer, 0); });
  wm->RunModal(outer, 0);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "modal stack: Outer -> Inner");
  EXPECT_TRUE(EndsWith(lines[1], " Inner")) << "the inner loop's window has the focus";
}

TEST_F(DebugOverlayTest, APartialRedrawRedrawsBeneathTheOverlayFirst) {
  Add({100, 100, 400, 300}, "Editor");
  Settle();
  Invalidate({150, 150, 200, 200});
  RenderFrame();
  const Rect overlay = {4, screen.bottom - 48, screen.right, screen.bottom};
  const size_t first_clip = painter.Find(Op::kSetClip);
  ASSERT_LT(first_clip, painter.calls.size());
  EXPECT_EQ(painter.calls[first_clip].rect, overlay);
  const std::vector<std::string> lines = TextLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "frames rendered: " + std::to_string(tree.FramesRendered()));
  EXPECT_EQ(log, (Log{"Editor"}));
}

TEST_F(DebugOverlayTest, TheTextIsDrawnOverWindowsRedrawnBeneathIt) {
  DrawProbe* editor = Add({100, 450, 400, 590}, "Editor");  // reaches into the overlay
  Settle();
  Invalidate({150, 560, 200, 580});  // inside the overlay's rectangle and the editor
  RenderFrame();
  size_t last_editor = painter.calls.size();
  for (size_t i = FindWindow(painter.calls, editor->ClientRect()); i < painter.calls.size();
       i = FindWindow(painter.calls, editor->ClientRect(), i + 1)) {
    last_editor = i;
  }
  ASSERT_LT(last_editor, painter.calls.size());
  size_t last_text = 0;
  for (size_t i = 0; i < painter.calls.size(); ++i) {
    if (painter.calls[i].op == Op::kDrawQuads && painter.calls[i].set == PageSet::kFont) {
      last_text = i;
    }
  }
  EXPECT_GT(last_text, last_editor);
  EXPECT_EQ(TextLines().size(), 3u);
}

TEST_F(DebugOverlayTest, TheTextStaysReadableWhileInputIsDisabled) {
  Settle();
  wm->SetInputDisabled(true);
  const std::vector<size_t> fills = DimFills(painter.calls);
  ASSERT_EQ(fills.size(), 1u);
  size_t last_text = 0;
  for (size_t i = 0; i < painter.calls.size(); ++i) {
    if (painter.calls[i].op == Op::kDrawQuads && painter.calls[i].set == PageSet::kFont) {
      last_text = i;
    }
  }
  EXPECT_GT(last_text, fills[0]) << "the overlay is drawn last, over the dimming";
}

// ---------------------------------------------------------------------------------------
// Snapshots

class SnapshotTest : public TreeRendererTest {
 protected:
  void SetUp() override {
    TreeRendererTest::SetUp();
    tree.SetSnapshotSink([this](const TreeRenderer::Snapshot& s) { snapshots.push_back(s); });
  }
  void ControlF12(bool alt) {
    Key(Key::Control, true);
    if (alt) Key(Key::Alt, true);
    Tap(Key::F12);
    if (alt) Key(Key::Alt, false);
    Key(Key::Control, false);
  }
  // True when `s` holds the screen pixels of `r`, as the painter's pattern has them.
  static ::testing::AssertionResult HoldsPixelsOf(const TreeRenderer::Snapshot& s, const Rect& r) {
    if (s.size != Size{r.Width(), r.Height()}) {
      return ::testing::AssertionFailure() << "size " << s.size.width << " x " << s.size.height;
    }
    if (s.rgb.size() != static_cast<size_t>(r.Width()) * r.Height() * 3) {
      return ::testing::AssertionFailure() << s.rgb.size() << " bytes";
    }
    for (const Point p : {r.TopLeft(), Point{r.right - 1, r.top}, Point{r.left, r.bottom - 1},
                          Point{r.right - 1, r.bottom - 1}}) {
      uint8_t want[3];
      RecordingPainter::PatternPixel(p.x, p.y, want);
      const size_t at = (static_cast<size_t>(p.y - r.top) * r.Width() + (p.x - r.left)) * 3;
      if (s.rgb[at] != want[0] || s.rgb[at + 1] != want[1] || s.rgb[at + 2] != want[2]) {
        return ::testing::AssertionFailure() << "pixel (" << p.x << ", " << p.y << ") differs";
      }
    }
    return ::testing::AssertionSuccess();
  }

  std::vector<TreeRenderer::Snapshot> snapshots;
};

TEST_F(SnapshotTest, ControlF12TakesTheFrameAndControlAltF12TheClientArea) {
  DrawProbe* editor = Add({100, 100, 300, 250}, "Editor");
  Window::SetFocus(editor, 0);
  Pump();
  ASSERT_TRUE(snapshots.empty());

  ControlF12(false);
  Pump();
  ASSERT_EQ(snapshots.size(), 1u);
  EXPECT_TRUE(HoldsPixelsOf(snapshots[0], editor->FrameRect()));
  EXPECT_EQ(painter.Calls(Op::kReadPixels).back()->rect, editor->FrameRect());

  ControlF12(true);
  Pump();
  ASSERT_EQ(snapshots.size(), 2u);
  EXPECT_TRUE(HoldsPixelsOf(snapshots[1], editor->ClientRect()));
  EXPECT_TRUE(HoldsPixelsOf(tree.LastSnapshot(), editor->ClientRect()));

  wm->RequestFullRedraw();
  Pump();
  EXPECT_EQ(snapshots.size(), 2u) << "the mark is cleared once taken";
}

TEST_F(SnapshotTest, TheSnapshotGoesToTheClipboard) {
  DrawProbe* editor = Add({100, 100, 300, 250}, "Editor");
  Window::SetFocus(editor, 0);
  Pump();
  ControlF12(false);
  Pump();
  ASSERT_EQ(platform.clipboard_width, 200);
  ASSERT_EQ(platform.clipboard_height, 150);
  TreeRenderer::Snapshot pasted{{200, 150}, platform.clipboard_image};
  EXPECT_TRUE(HoldsPixelsOf(pasted, editor->FrameRect()));
}

TEST_F(SnapshotTest, TheSnapshotIsCutToTheScreen) {
  DrawProbe* editor = Add({700, 500, 900, 700}, "Editor");
  Window::SetFocus(editor, 0);
  Pump();
  ControlF12(false);
  Pump();
  ASSERT_EQ(snapshots.size(), 1u);
  EXPECT_TRUE(HoldsPixelsOf(snapshots[0], {700, 500, 800, 600}));
}

TEST_F(SnapshotTest, NothingReachesTheSinkWhenThePixelsCannotBeRead) {
  DrawProbe* editor = Add({100, 100, 300, 250}, "Editor");
  Window::SetFocus(editor, 0);
  Pump();
  painter.pixels_readable = false;
  ControlF12(false);
  Pump();
  EXPECT_EQ(painter.Count(Op::kReadPixels), 1u);
  EXPECT_TRUE(snapshots.empty());
}

// ---------------------------------------------------------------------------------------
// Dirty rectangles

class DirtyRectangles : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    wm->ClearRedraw();
  }
  void Invalidate(const Rect& r) { wm->InvalidateRect(nullptr, r, true); }
  bool FullRedraw() const { return (wm->RedrawFlags() & WindowManager::kRedrawFull) != 0; }
  using Rects = std::vector<Rect>;
};

TEST_F(DirtyRectangles, ARectangleInsideAnotherAddsNothing) {
  Invalidate({10, 10, 100, 100});
  Invalidate({20, 20, 50, 50});
  Invalidate({10, 10, 100, 100});
  EXPECT_EQ(wm->DirtyRects(), (Rects{{10, 10, 100, 100}}));
  EXPECT_FALSE(FullRedraw());
}

TEST_F(DirtyRectangles, ARectangleHoldingOlderOnesReplacesThem) {
  Invalidate({10, 10, 20, 20});
  Invalidate({200, 200, 300, 300});
  Invalidate({30, 30, 40, 40});
  Invalidate({45, 45, 60, 60});  // only partly inside the new one: stays
  Invalidate({0, 0, 50, 50});
  EXPECT_EQ(wm->DirtyRects(), (Rects{{200, 200, 300, 300}, {45, 45, 60, 60}, {0, 0, 50, 50}}));
}

TEST_F(DirtyRectangles, RectanglesAreCutToTheScreenAndThoseOffItAddNothing) {
  Invalidate({-50, -50, 10, 10});
  Invalidate({790, 590, 900, 700});
  Invalidate({800, 0, 900, 100});
  Invalidate({-100, -100, -1, -1});
  Invalidate({300, 300, 300, 400});
  EXPECT_EQ(wm->DirtyRects(), (Rects{{0, 0, 10, 10}, {790, 590, 800, 600}}));
  EXPECT_FALSE(FullRedraw());
}

TEST_F(DirtyRectangles, TheThirtyThirdRectangleTurnsIntoAFullRedraw) {
  for (int i = 0; i < WindowManager::kMaxDirtyRects; ++i) Invalidate({i * 20, 0, i * 20 + 10, 10});
  EXPECT_EQ(wm->DirtyRects().size(), 32u);
  EXPECT_FALSE(FullRedraw());
  Invalidate({0, 100, 10, 110});
  EXPECT_TRUE(FullRedraw());
  Invalidate({0, 200, 10, 210});
  EXPECT_EQ(wm->DirtyRects().size(), 32u) << "nothing is added while a full redraw is pending";
  Pump();
  EXPECT_TRUE(wm->DirtyRects().empty());
  EXPECT_FALSE(FullRedraw());
}

TEST_F(DirtyRectangles, HiddenWindowsAndChildrenOfCollapsedOnesAddNothingUnlessToldTo) {
  ProbeWindow* top = Frame({100, 100, 300, 300});
  auto* child = new ProbeWindow(0, top);
  child->SetFrameRect({10, 10, 50, 50});
  const Rect r = {120, 140, 130, 150};

  top->Hide();
  wm->ClearRedraw();
  wm->InvalidateRect(top, r, false);
  wm->InvalidateRect(child, r, false);
  EXPECT_TRUE(wm->DirtyRects().empty());
  wm->InvalidateRect(child, r, true);
  EXPECT_EQ(wm->DirtyRects(), (Rects{r}));

  top->Show();
  top->SetShowState(kShowCollapsed);
  wm->ClearRedraw();
  wm->InvalidateRect(child, r, false);
  EXPECT_TRUE(wm->DirtyRects().empty());
  wm->InvalidateRect(top, r, false);
  EXPECT_EQ(wm->DirtyRects(), (Rects{r})) << "a collapsed window still shows its frame";
}

TEST_F(DirtyRectangles, WithPartialRedrawOffEveryRectangleIsAFullRedraw) {
  wm->SetPartialRedraw(false);
  Invalidate({10, 10, 20, 20});
  EXPECT_TRUE(FullRedraw());
  EXPECT_TRUE(wm->DirtyRects().empty());
}

}  // namespace
