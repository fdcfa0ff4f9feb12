// Pixel checks of the editor's drawing. The program starts the way the editor does (GLFW
// window, UI font, skin, OpenGL painter, window manager with the tree renderer and the GLFW
// platform), builds scenes of framed windows holding text, lets the real window manager draw
// them and reads the frames back from the back buffer.
//
//   zarv_pixelscene [--res=DIR] [--size=WxH] [GoogleTest flags]   runs the checks
//   zarv_pixelscene [--res=DIR] --screenshot=FILE.png              draws the README picture
//   zarv_pixelscene [--res=DIR] --echo-chars                       prints typed characters
//
// The res folder defaults to the one beside the executable. Needs an X display (the tests run
// it under xvfb-run).

// Windows come from their class's own operator new (gui/Signal.h). Where GCC 12 inlines the
// operator delete of a constructor's unwinding path but not that operator new, as in the
// picture's scene below, it reports the pair as mismatched.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/CharMap.h"
#include "gl/GlPainter.h"
#include "gl/GlPresenter.h"
#include "gl/GlTexture.h"
#include "gl/GlfwPlatform.h"
#include "gui/Button.h"
#include "gui/ComboBox.h"
#include "gui/Draw.h"
#include "gui/Font.h"
#include "gui/FontFile.h"
#include "gui/FontPages.h"
#include "gui/GridWindow.h"
#include "gui/ListWindow.h"
#include "gui/Skin.h"
#include "gui/TextLayout.h"
#include "gui/TreeRenderer.h"
#include "gui/WindowManager.h"
#include "tests/support/Rgb.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------------------
// The editor's start-up, from the GLFW window to the uploaded font and skin pages.

class EditorHost {
 public:
  EditorHost() = default;
  EditorHost(const EditorHost&) = delete;
  EditorHost& operator=(const EditorHost&) = delete;
  ~EditorHost() { Stop(); }

  // Empty on success, otherwise what went wrong.
  std::string Start(const fs::path& res, Size size) {
    glfwSetErrorCallback([](int code, const char* description) {
      std::fprintf(stderr, "GLFW error %d: %s\n", code, description ? description : "");
    });
    if (!glfwInit()) return "glfwInit failed (is a display available?)";
    glfw_ = true;
    glfwWindowHint(GLFW_DEPTH_BITS, 32);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 1);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_FALSE);
    window_ = glfwCreateWindow(size.width, size.height, "Zarv", nullptr, nullptr);
    if (!window_) return "the window could not be created";
    glfwMakeContextCurrent(window_);
    glfwSwapInterval(0);
    InitGL();
    glfwSwapBuffers(window_);
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(window_, &width, &height);
    if (width != size.width || height != size.height) {
      return "the window is " + std::to_string(width) + "x" + std::to_string(height) +
             " rather than " + std::to_string(size.width) + "x" + std::to_string(size.height);
    }
    size_ = size;
    swap_count_ = GlPresenter::CountSwapBuffers(window_);
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    FontReadResult font_file = LoadFontFile(res / "brimwell.zarvfont");
    if (!font_file) return "the UI font cannot be read: " + font_file.error;
    ProgramCharMap().Load((res.parent_path() / "charmap").string());  // optional, as in the editor

    GLint max_texture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_texture);
    if (max_texture <= 0) max_texture = 1024;
    painter_ = std::make_unique<GlPainter>();
    SetCurrentPainter(painter_.get());
    font_ = std::make_unique<Font>(std::move(*font_file.font));
    std::vector<PageImage> pages;
    if (std::string error = BuildFontPages(*font_, max_texture, pages); !error.empty()) {
      return "the UI font cannot be used: " + error;
    }
    painter_->UploadPages(PageSet::kFont, pages);
    SetDefaultFont(font_.get());
    if (std::string error = CurrentSkin().Load(res / "texturepack", max_texture, pages);
        !error.empty()) {
      return "the texture pack cannot be used: " + error;
    }
    painter_->UploadPages(PageSet::kSkin, pages);
    CurrentSkinMetrics() = CurrentSkin().Metrics();
    return {};
  }

  void Stop() {
    SetDefaultFont(nullptr);
    font_.reset();
    SetCurrentPainter(nullptr);
    painter_.reset();  // deletes the textures while the context is current
    if (window_) glfwDestroyWindow(window_);
    window_ = nullptr;
    if (glfw_) glfwTerminate();
    glfw_ = false;
  }

  GLFWwindow* window() const { return window_; }
  Font* font() const { return font_.get(); }
  Size size() const { return size_; }
  int32_t swap_count() const { return swap_count_; }

 private:
  bool glfw_ = false;
  GLFWwindow* window_ = nullptr;
  Size size_;
  int32_t swap_count_ = 1;
  std::unique_ptr<GlPainter> painter_;
  std::unique_ptr<Font> font_;
};

// The window manager, renderer and platform of one scene, set up as the editor sets them up.
class Desk {
 public:
  explicit Desk(const EditorHost& host) : platform_(host.window()) {
    platform_.SetSwapCount(host.swap_count());
    wm_ = std::make_unique<WindowManager>(platform_, &renderer_);
    wm_->SetPartialRedraw(true);
    wm_->Root()->SetFont(host.font());
    wm_->Layer0()->SetFont(host.font());
    wm_->Layer1()->SetFont(host.font());
    platform_.Attach(wm_.get());
    wm_->SetInputDisabled(false);
  }
  Desk(const Desk&) = delete;
  Desk& operator=(const Desk&) = delete;

  WindowManager& wm() { return *wm_; }
  TreeRenderer& renderer() { return renderer_; }

  // Pumps until nothing has been drawn for several passes in a row, so that the window
  // system's start-up events (enter, focus, the pointer's first position) are used up.
  void Settle() {
    int32_t quiet = 0;
    for (int32_t i = 0; i < 1000 && quiet < 10; ++i) {
      const int32_t before = renderer_.RenderCount();
      wm_->PumpOnce();
      quiet = renderer_.RenderCount() == before ? quiet + 1 : 0;
    }
  }

  // One pump that must draw a frame.
  bool PumpFrame() {
    const int32_t before = renderer_.RenderCount();
    wm_->PumpOnce();
    return renderer_.RenderCount() != before;
  }

  bool FullFrame() {
    wm_->RequestFullRedraw();
    return PumpFrame();
  }

 private:
  GlfwPlatform platform_;
  TreeRenderer renderer_;
  std::unique_ptr<WindowManager> wm_;  // destroyed first: the windows go before the platform
};

// ---------------------------------------------------------------------------------------
// Pixels

bool IsLight(const Rgb& c) {
  return std::min({c.r, c.g, c.b}) >= 200;
}

// A frame read back from the back buffer, rows top to bottom, 3 bytes a pixel.
struct Frame {
  Size size;
  std::vector<uint8_t> rgb;

  Rgb At(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= size.width || y >= size.height) return {-1, -1, -1};
    const size_t i =
        (static_cast<size_t>(y) * static_cast<size_t>(size.width) + static_cast<size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
  Rgb At(Point p) const { return At(p.x, p.y); }
};

// What the last frame left in the back buffer: after a swap that is the frame just shown, as
// the presenter keeps it there for the next partial redraw.
Frame ReadBackBuffer(Size size) {
  Frame frame{size, std::vector<uint8_t>(static_cast<size_t>(size.width) * size.height * 3)};
  std::vector<uint8_t> rows(frame.rgb.size());
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, size.width, size.height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  glPopClientAttrib();
  const size_t stride = static_cast<size_t>(size.width) * 3;
  for (int32_t y = 0; y < size.height; ++y) {
    std::memcpy(frame.rgb.data() + static_cast<size_t>(y) * stride,
                rows.data() + static_cast<size_t>(size.height - 1 - y) * stride, stride);
  }
  return frame;
}

testing::AssertionResult RgbNear(const char* got_expr, const char* want_expr, const char*,
                                 const Rgb& got, const Rgb& want, int tolerance) {
  if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
      std::abs(got.b - want.b) <= tolerance) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << got_expr << " is " << got << ", expected " << want_expr
                                     << " = " << want << " within " << tolerance;
}
#define EXPECT_RGB_NEAR(got, want, tolerance) EXPECT_PRED_FORMAT3(RgbNear, got, want, tolerance)
#define ASSERT_RGB_NEAR(got, want, tolerance) ASSERT_PRED_FORMAT3(RgbNear, got, want, tolerance)

// Columns [first, last] holding a pixel brighter than `threshold` in any channel, within the
// rows and columns of `area`; first > last when there is none.
struct Span {
  int32_t first = 0;
  int32_t last = -1;
  int32_t Width() const { return last - first + 1; }
};

Span LitColumns(const Frame& frame, const Rect& area, int threshold) {
  Span span{area.right, area.left - 1};
  for (int32_t y = area.top; y < area.bottom; ++y) {
    for (int32_t x = area.left; x < area.right; ++x) {
      const Rgb c = frame.At(x, y);
      if (std::max({c.r, c.g, c.b}) > threshold) {
        span.first = std::min(span.first, x);
        span.last = std::max(span.last, x);
      }
    }
  }
  return span;
}

int32_t CountLight(const Frame& frame, const Rect& area) {
  int32_t count = 0;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    for (int32_t x = area.left; x < area.right; ++x) count += IsLight(frame.At(x, y)) ? 1 : 0;
  }
  return count;
}

Point Centre(const Rect& r) {
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// ---------------------------------------------------------------------------------------
// Scene windows

// The skin's colours the checks look for.
constexpr Rgb kSkinBackground{0x2f, 0x31, 0x36};
// Active title bar: shaded from (0x45, 0x84, 0xdd) below its top line to (0x38, 0x71, 0xc6).
constexpr Rgb kAccentTop{0x45, 0x84, 0xdd};
constexpr Rgb kAccentBottom{0x38, 0x71, 0xc6};
// Inactive title bar: the same shade in the frame grey.
constexpr Rgb kGreyTop{0x43, 0x46, 0x4c};
constexpr Rgb kGreyBottom{0x3a, 0x3d, 0x43};
constexpr Rgb Halfway(const Rgb& a, const Rgb& b) {
  return {(a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2};
}
constexpr Rgb kActiveBar = Halfway(kAccentTop, kAccentBottom);
constexpr Rgb kInactiveBar = Halfway(kGreyTop, kGreyBottom);

// Half-way down a title bar, clear of the centred title.
Rgb TitleBarShade(const Frame& frame, const Window* w) {
  const Rect bar = w->TitleBarRect();
  return frame.At(bar.left + 2, bar.top + bar.Height() / 2);
}

constexpr Color kTextColor = MakeColor(0xe8, 0xea, 0xed);
constexpr uint32_t kFramed = WindowFlag::Visible | WindowFlag::TitleBar | WindowFlag::Resizable |
                             WindowFlag::BackgroundA | WindowFlag::DropShadow |
                             WindowFlag::CloseButton | WindowFlag::SecondButton;

// A framed top-level window that draws lines of text and filled patches, both in client
// coordinates; the checks change them between frames.
class SceneWindow : public Window {
 public:
  struct Line {
    std::string text;
    Point at;
    Color color = kTextColor;
  };
  struct Patch {
    Rect rect;
    Color color = kWhite;
  };

  SceneWindow(const char* title, const Rect& frame, uint32_t flags = kFramed)
      : Window(flags, nullptr) {
    SetTitle(title);
    SetFrameRect(frame);
  }

  void Draw() override {
    for (const Patch& p : patches) {
      SetDrawColor(p.color);
      FillRect(p.rect);
    }
    const int32_t width = ClientRect().Width();
    const int32_t height = ClientRect().Height();
    for (const Line& line : lines) {
      SetDrawColor(line.color);
      DrawText(GetFont(), line.text, 0, 0, {line.at.x, line.at.y, width, height});
    }
    SetDrawColor(kWhite);
  }

  // A client rectangle in screen coordinates.
  Rect OnScreen(const Rect& client_rect) const {
    return client_rect.Offset(ClientRect().left, ClientRect().top);
  }

  std::vector<Line> lines;
  std::vector<Patch> patches;
};

// Test fixture: the host is started once for the whole run; each check gets a fresh desk.
EditorHost* g_host = nullptr;

class PixelTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(g_host, nullptr);
    desk_ = std::make_unique<Desk>(*g_host);
  }
  void TearDown() override { desk_.reset(); }

  Frame Read() const { return ReadBackBuffer(g_host->size()); }
  const Font* font() const { return g_host->font(); }

  std::unique_ptr<Desk> desk_;
};

// ---------------------------------------------------------------------------------------
// Checks

TEST_F(PixelTest, TitleBarsBackgroundAndBoldText) {
  ASSERT_TRUE(font()->HasStyle(kFontBold)) << "the UI font has no bold style";
  // Created last, `front` is the topmost window of its layer and so the active one.
  auto* back = new SceneWindow("Back window", {20, 20, 380, 240});
  auto* front = new SceneWindow("Front window", {400, 20, 780, 300});
  const int32_t line_height = FontLineHeight(font());
  const std::string plain = "Sample text";
  const std::string bold = "|b" + plain;
  const std::string mixed = "Plain |bBold|p text";
  front->lines = {{plain, {10, 10}},
                  {bold, {10, 10 + (line_height + 8)}},
                  {mixed, {10, 10 + 2 * (line_height + 8)}}};
  desk_->Settle();
  ASSERT_TRUE(desk_->FullFrame());
  const Frame frame = Read();

  // The accent colour in the active title bar, clear of the centred title; grey in the other.
  for (SceneWindow* w : {front, back}) {
    ASSERT_EQ(w->TitleBarRect().Height(), 22);
    EXPECT_RGB_NEAR(TitleBarShade(frame, w), w == front ? kActiveBar : kInactiveBar, 8)
        << "title bar of " << w->GetTitle();
  }

  // The title is light, and light only where the centred title lies.
  {
    const Rect bar = front->TitleBarRect();
    const Rect buttons = front->TitleButtonRect(Part::Button2);
    ASSERT_FALSE(buttons.IsEmpty());
    const Rect text_area{bar.left + 4, bar.top, buttons.left - 4, bar.bottom};
    const int32_t width = MeasureTextWidth(font(), front->GetTitle(), 0);
    const int32_t left = text_area.left + (text_area.Width() - width) / 2;
    EXPECT_GE(CountLight(frame, text_area), 20) << "too few light title pixels";
    EXPECT_EQ(CountLight(frame, {text_area.left, bar.top, left - 1, bar.bottom}), 0)
        << "light pixels left of the title";
    EXPECT_EQ(CountLight(frame, {left + width + 2, bar.top, text_area.right, bar.bottom}), 0)
        << "light pixels right of the title";
  }

  // The client area shows the skin's background where nothing is drawn, in both windows.
  for (SceneWindow* w : {front, back}) {
    const Rect c = w->ClientRect();
    EXPECT_RGB_NEAR(frame.At(c.right - 6, c.bottom - 6), kSkinBackground, 1) << w->GetTitle();
    EXPECT_RGB_NEAR(frame.At(c.left + 3, c.top + 3), kSkinBackground, 1) << w->GetTitle();
  }

  // Bold text is wider than the same letters plain, in its own line and as a run in a line.
  auto lit = [&](size_t line) {
    const SceneWindow::Line& l = front->lines[line];
    const Rect band =
        front->OnScreen({l.at.x, l.at.y, front->ClientRect().Width(), l.at.y + line_height});
    return LitColumns(frame, band, 120);
  };
  const Span plain_span = lit(0);
  const Span bold_span = lit(1);
  const Span mixed_span = lit(2);
  ASSERT_GT(plain_span.Width(), 0) << "no plain text drawn";
  ASSERT_GT(bold_span.Width(), 0) << "no bold text drawn";
  EXPECT_EQ(plain_span.first, bold_span.first);
  EXPECT_GT(bold_span.Width(), plain_span.Width());
  const int32_t plain_width = MeasureTextWidth(font(), plain, 0);
  const int32_t bold_width = MeasureTextWidth(font(), bold, 0);
  EXPECT_GT(bold_width, plain_width);
  // Ink ends within a few pixels of the pen: its last advance holds the side bearing.
  EXPECT_NEAR(plain_span.Width(), plain_width, 3);
  EXPECT_NEAR(bold_span.Width(), bold_width, 3);
  const int32_t mixed_width = MeasureTextWidth(font(), mixed, 0);
  const int32_t all_plain_width = MeasureTextWidth(font(), "Plain Bold text", 0);
  EXPECT_GT(mixed_width, all_plain_width);
  EXPECT_NEAR(mixed_span.Width(), mixed_width, 3);
  EXPECT_GT(mixed_span.Width(), all_plain_width);
}

TEST_F(PixelTest, PartialRedrawTouchesOnlyTheDirtyRectangle) {
  constexpr Color kBefore = MakeColor(200, 60, 60);
  constexpr Color kAfter = MakeColor(60, 200, 60);
  auto* other = new SceneWindow("Other", {460, 40, 760, 300});
  other->lines = {{"Not invalidated", {10, 10}}};
  auto* w = new SceneWindow("Patches", {20, 20, 420, 300});
  w->lines = {{"Plain |bBold|p text", {10, 10}}};
  const int32_t cw = w->ClientRect().Width();
  // The first patch sits at the client's right edge; the dirty rectangle covers it, some of
  // the client around it, the frame beside it, its shadow and the desktop beyond.
  w->patches = {{{cw - 70, 40, cw - 20, 80}, kBefore}, {{20, 40, 70, 80}, kBefore}};
  desk_->Settle();
  ASSERT_TRUE(desk_->FullFrame());
  const Frame before = Read();
  const Rect first = w->OnScreen(w->patches[0].rect);
  const Rect second = w->OnScreen(w->patches[1].rect);
  EXPECT_RGB_NEAR(before.At(Centre(first)), ToRgb(kBefore), 0);
  EXPECT_RGB_NEAR(before.At(Centre(second)), ToRgb(kBefore), 0);

  w->patches[0].color = kAfter;
  w->patches[1].color = kAfter;  // changed as well, but not invalidated
  other->lines[0].color = MakeColor(255, 0, 0);
  const Rect dirty{first.left - 10, first.top - 10, w->FrameRect().right + 12, first.bottom + 10};
  ASSERT_GT(dirty.right, w->FrameRect().right);
  ASSERT_LT(dirty.right, other->FrameRect().left);
  desk_->wm().InvalidateRect(w, dirty, false);
  ASSERT_EQ(desk_->wm().DirtyRects().size(), 1u);
  ASSERT_EQ(desk_->wm().RedrawFlags() & WindowManager::kRedrawFull, 0u);
  ASSERT_TRUE(desk_->PumpFrame());
  const Frame after = Read();

  int32_t changed_outside = 0;
  int32_t changed_inside = 0;
  int32_t changed_beside_patch = 0;
  Point first_outside{-1, -1};
  Point first_beside{-1, -1};
  for (int32_t y = 0; y < before.size.height; ++y) {
    for (int32_t x = 0; x < before.size.width; ++x) {
      if (before.At(x, y) == after.At(x, y)) continue;
      if (!dirty.Contains(Point{x, y})) {
        if (changed_outside++ == 0) first_outside = {x, y};
      } else {
        ++changed_inside;
        if (!first.Contains(Point{x, y}) && changed_beside_patch++ == 0) first_beside = {x, y};
      }
    }
  }
  EXPECT_EQ(changed_outside, 0) << "first changed pixel outside the dirty rectangle at ("
                                << first_outside.x << ", " << first_outside.y << ")";
  EXPECT_EQ(changed_inside, first.Width() * first.Height());
  // Inside the rectangle the frame, shadow, text background and desktop come out as before.
  EXPECT_EQ(changed_beside_patch, 0)
      << "first redrawn pixel that differs at (" << first_beside.x << ", " << first_beside.y << ")";
  EXPECT_RGB_NEAR(after.At(Centre(first)), ToRgb(kAfter), 0);
  EXPECT_RGB_NEAR(after.At(Centre(second)), ToRgb(kBefore), 0) << "drawn without being invalid";

  // Drawn in full, the second patch shows its new colour: the frame above really was partial.
  ASSERT_TRUE(desk_->FullFrame());
  EXPECT_RGB_NEAR(Read().At(Centre(second)), ToRgb(kAfter), 0);
}

// What the modal loop's idle hook sees; the hook is a plain function, so it lives here.
struct ModalProbe {
  Desk* desk = nullptr;
  Window* modal = nullptr;
  Point below;
  Point above;
  int32_t frames_at_start = 0;
  int32_t pumps = 0;
  bool sampled = false;
  Rgb below_seen;
  Rgb above_seen;
};
ModalProbe g_probe;

void ModalIdleHook() {
  ModalProbe& p = g_probe;
  if (!p.desk || !p.desk->wm().IsInModalStack(p.modal, true)) return;
  ++p.pumps;
  // The previous pump drew and showed the first frame of the modal loop.
  if (p.desk->renderer().RenderCount() > p.frames_at_start) {
    const Frame frame = ReadBackBuffer(g_host->size());
    p.below_seen = frame.At(p.below);
    p.above_seen = frame.At(p.above);
    p.sampled = true;
    p.desk->wm().EndModal(p.modal, 7);
  } else if (p.pumps > 500) {
    p.desk->wm().EndModal(p.modal, -1);  // no frame at all: give up
  }
}

TEST_F(PixelTest, ModalLoopDimsWhatLiesBelow) {
  constexpr Color kBright = MakeColor(220, 180, 120);
  auto* below = new SceneWindow("Below", {20, 20, 400, 300});
  below->patches = {{{20, 20, 120, 80}, kBright}};
  auto* dialog = new SceneWindow("Dialog", {450, 100, 750, 300});
  dialog->patches = {{{20, 20, 120, 80}, kBright}};
  desk_->wm().BringToFront(below);
  desk_->Settle();
  ASSERT_TRUE(desk_->FullFrame());
  const Point below_point = Centre(below->OnScreen(below->patches[0].rect));
  const Point dialog_point = Centre(dialog->OnScreen(dialog->patches[0].rect));
  const Frame before = Read();
  EXPECT_RGB_NEAR(before.At(below_point), ToRgb(kBright), 0);
  EXPECT_RGB_NEAR(before.At(dialog_point), ToRgb(kBright), 0);

  g_probe = ModalProbe{};
  g_probe.desk = desk_.get();
  g_probe.modal = dialog;
  g_probe.below = below_point;
  g_probe.above = dialog_point;
  g_probe.frames_at_start = desk_->renderer().RenderCount();
  desk_->wm().SetIdleHook(&ModalIdleHook);
  const int32_t result = desk_->wm().RunModal(dialog, WindowManager::kModalDim);
  desk_->wm().SetIdleHook(nullptr);
  g_probe.desk = nullptr;
  ASSERT_EQ(result, 7) << "the modal loop drew no frame";
  ASSERT_TRUE(g_probe.sampled);

  // Half a black layer over it: each channel a little under half.
  const Rgb bright = ToRgb(kBright);
  const Rgb half{bright.r * 127 / 255, bright.g * 127 / 255, bright.b * 127 / 255};
  EXPECT_RGB_NEAR(g_probe.below_seen, half, 3);
  // The modal window itself lies above the dimming.
  EXPECT_RGB_NEAR(g_probe.above_seen, bright, 0);

  // Once the loop is over the next frame is bright again.
  desk_->Settle();
  EXPECT_RGB_NEAR(Read().At(below_point), bright, 0);
}

InputEvent KeyEvent(int key, bool down) {
  InputEvent event;
  event.type = kEventKey;
  event.a = key;
  event.b = down ? 1 : 0;
  return event;
}

void PressControlF1(WindowManager& wm) {
  wm.QueueEvent(KeyEvent(Key::Control, true));
  wm.QueueEvent(KeyEvent(Key::F1, true));
  wm.QueueEvent(KeyEvent(Key::F1, false));
  wm.QueueEvent(KeyEvent(Key::Control, false));
}

TEST_F(PixelTest, DebugOverlayWritesInTheBottomRows) {
  auto* w = new SceneWindow("Focus", {40, 40, 440, 300});
  w->lines = {{"Some text", {10, 10}}};
  Window::SetFocus(w, 0);
  desk_->Settle();
  ASSERT_TRUE(desk_->FullFrame());
  const Size size = g_host->size();
  const Rect bottom{0, size.height - 48, size.width, size.height};
  const Rect above{0, w->FrameRectWithShadow().bottom, size.width, size.height - 48};
  ASSERT_FALSE(above.IsEmpty());
  EXPECT_EQ(CountLight(Read(), bottom), 0) << "light pixels before the overlay is on";

  PressControlF1(desk_->wm());
  desk_->Settle();
  ASSERT_TRUE(desk_->wm().DebugOverlay());
  Frame frame = Read();
  EXPECT_GE(CountLight(frame, bottom), 100);
  EXPECT_EQ(CountLight(frame, above), 0) << "the overlay reaches above the bottom 48 rows";

  PressControlF1(desk_->wm());
  desk_->Settle();
  EXPECT_FALSE(desk_->wm().DebugOverlay());
  EXPECT_EQ(CountLight(Read(), bottom), 0) << "the overlay stayed after being turned off";
}

void Click(WindowManager& wm, Point at) {
  wm.QueueEvent({at.x, at.y, 0, 0, 0, 0, kEventMove});
  wm.QueueEvent({at.x, at.y, 0, 0, 0, 1, kEventButton});
  wm.QueueEvent({at.x, at.y, 0, 0, 0, 0, kEventButton});
}

TEST_F(PixelTest, OnlyTheFrontWindowKeepsTheActiveTitleBar) {
  auto* a = new SceneWindow("A", {20, 40, 380, 300});
  auto* b = new SceneWindow("B", {420, 40, 780, 300});
  auto* control = new Button(b, "Control", 1);
  control->SetFrameRect({20, 20, 120, 44});
  Window::SetFocus(control, 0);
  desk_->Settle();
  ASSERT_TRUE(desk_->FullFrame());
  Frame frame = Read();
  ASSERT_RGB_NEAR(TitleBarShade(frame, b), kActiveBar, 8);
  ASSERT_RGB_NEAR(TitleBarShade(frame, a), kInactiveBar, 8);

  // Partial redraws only from here on: what is not invalidated keeps its old look.
  Click(desk_->wm(), Centre(a->ClientRect()));
  desk_->Settle();
  frame = Read();
  EXPECT_RGB_NEAR(TitleBarShade(frame, a), kActiveBar, 8) << "the window clicked";
  EXPECT_RGB_NEAR(TitleBarShade(frame, b), kInactiveBar, 8) << "the window it left behind";

  auto* c = new SceneWindow("C", {200, 340, 600, 560});
  desk_->Settle();
  frame = Read();
  EXPECT_RGB_NEAR(TitleBarShade(frame, c), kActiveBar, 8) << "the window opened on top";
  EXPECT_RGB_NEAR(TitleBarShade(frame, a), kInactiveBar, 8) << "the window it covers";

  // Hidden, C stays in front of A but hands it the look of the topmost window shown.
  c->Hide();
  desk_->Settle();
  EXPECT_RGB_NEAR(TitleBarShade(Read(), a), kActiveBar, 8) << "the window uncovered";
  EXPECT_EQ(desk_->wm().Layer0()->FirstChild(), c);
}

// ---------------------------------------------------------------------------------------
// Lists, combo boxes and grids

int32_t ChannelDistance(const Rgb& a, const Rgb& b) {
  return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

TEST_F(PixelTest, ListShowsItsRowsHeaderAndSelectionBand) {
  auto* w = new SceneWindow("List", {40, 40, 440, 340});
  auto* list = new ListWindow(ListStyle::Header, WindowFlag::Visible, w);
  list->SetFrameRect({10, 10, 360, 250});
  list->AddColumn("Name", "%s", 0, 0, 200, 0);
  for (const char* name : {"Rock 2", "Bush 10", "Bush 9", "Tree", "Unit 1"}) {
    list->AddItem(nullptr, 0, ListItemFlag::TextOrdered, 0, name);
  }
  list->Sort();
  list->Refresh();
  list->Select(list->ItemAtRow(2), false);
  desk_->Settle();
  ASSERT_TRUE(desk_->FullFrame());
  const Frame frame = Read();
  const Rect c = list->ClientRect();
  const int32_t h = list->RowHeight();
  ASSERT_GT(h, 0);
  auto row = [&](int32_t k) {  // k = -1 is the header
    return Rect{c.left, c.top + h * (k + 1), c.right, c.top + h * (k + 2)};
  };
  // Every row's name is written in its own band, and nothing below the last row.
  for (int32_t k = 0; k < 5; ++k) {
    EXPECT_GT(CountLight(frame, Rect{c.left, row(k).top, c.left + 200, row(k).bottom}), 0)
        << "row " << k;
  }
  EXPECT_EQ(CountLight(frame, Rect{c.left, row(5).top, c.right, c.bottom}), 0);
  // The selected row is set off along its whole width, and the header from the rows.
  const int32_t x = c.right - 6;
  const Rgb selected = frame.At(x, row(2).top + h / 2);
  const Rgb plain = frame.At(x, row(1).top + h / 2);
  EXPECT_GT(ChannelDistance(selected, plain), 40) << selected << " against " << plain;
  EXPECT_RGB_NEAR(frame.At(x, row(3).top + h / 2), plain, 4);
  EXPECT_GT(ChannelDistance(frame.At(x, row(-1).top + h / 2), plain), 10);
}

// What the open combo box's loop shows at its first frame.
struct ComboProbe {
  Desk* desk = nullptr;
  ComboBox* combo = nullptr;
  int32_t frames_at_start = 0;
  bool sampled = false;
  Rect list;
  Frame frame;
};
ComboProbe g_combo_probe;

void ComboIdleHook() {
  ComboProbe& p = g_combo_probe;
  if (!p.desk || !p.combo || !p.combo->IsOpen()) return;
  if (p.desk->renderer().RenderCount() > p.frames_at_start) {
    p.frame = ReadBackBuffer(g_host->size());
    p.list = p.combo->List()->FrameRect();
    p.sampled = true;
    p.combo->CloseList();
  }
}

TEST_F(PixelTest, OpenComboListShowsWholePastItsDialogsEdge) {
  // A window behind with a red patch where the list will open, and a shallow dialog in front.
  constexpr Color kRed = MakeColor(200, 40, 40);
  auto* behind = new SceneWindow("Behind", {60, 160, 460, 460});
  behind->patches = {{{0, 0, 400, 300}, kRed}};
  auto* dialog = new SceneWindow("Dialog", {100, 100, 400, 180});
  auto* combo = new ComboBox(dialog, 0);
  combo->SetFrameRect({20, 10, 198, 26});
  for (int32_t i = 0; i < 6; ++i) {
    const std::string text = "Choice " + std::to_string(i + 1);
    combo->AddItem(static_cast<uint64_t>(i), text);
  }
  combo->Fit(16, false);
  combo->SelectById(0);
  desk_->wm().BringToFront(dialog);
  desk_->Settle();
  ASSERT_TRUE(desk_->FullFrame());

  g_combo_probe = ComboProbe{};
  g_combo_probe.desk = desk_.get();
  g_combo_probe.combo = combo;
  g_combo_probe.frames_at_start = desk_->renderer().RenderCount();
  desk_->wm().SetIdleHook(&ComboIdleHook);
  combo->Open();
  desk_->wm().SetIdleHook(nullptr);
  g_combo_probe.desk = nullptr;
  ASSERT_TRUE(g_combo_probe.sampled) << "the open list drew no frame";
  const Frame& frame = g_combo_probe.frame;
  const Rect list = g_combo_probe.list;
  const int32_t h = combo->RowHeight();
  const int32_t dialog_bottom = dialog->FrameRect().bottom;
  ASSERT_GT(list.bottom, dialog_bottom + 2 * h) << "the list should reach past the dialog";
  // Each of the six rows shows its text, those past the dialog's edge included, and the list
  // covers the red window behind.
  int32_t past_edge = 0;
  for (int32_t k = 0; k < 6; ++k) {
    const Rect band{list.left, list.top + k * h, list.right, list.top + (k + 1) * h};
    EXPECT_GT(CountLight(frame, band), 0) << "row " << k;
    if (band.top >= dialog_bottom) ++past_edge;
  }
  EXPECT_GE(past_edge, 2);
  EXPECT_GT(ChannelDistance(frame.At(list.right - 4, list.bottom - h / 2 - h), ToRgb(kRed)), 60);
  // Once closed, the red shows there again.
  desk_->Settle();
  EXPECT_RGB_NEAR(Read().At(list.right - 4, list.bottom - h / 2 - h), ToRgb(kRed), 0);
}

TEST_F(PixelTest, GridCellsShowWhatTheClientDrawsWithLabelsAndSelection) {
  auto* w = new SceneWindow("Grid", {40, 40, 600, 440});
  auto* grid = new GridWindow(GridStyle::MultiSelect, WindowFlag::Visible, w);
  grid->SetFrameRect({10, 10, 540, 360});
  grid->SetCellSize(48, 48);
  grid->SetCellCount(12);
  auto colour = [](int32_t i) { return MakeColor(10 + 20 * i, 100, 220 - 15 * i); };
  grid->SetDrawCallback([colour](int32_t index, uint64_t, const Rect& rect, bool) {
    SetDrawColor(colour(index));
    FillRect(rect);
    SetDrawColor(kWhite);
  });
  for (int32_t i = 0; i < 12; ++i) grid->SetCellLabel(i, "L" + std::to_string(i));
  grid->Select(5, false);
  desk_->Settle();
  ASSERT_TRUE(desk_->FullFrame());
  const Frame frame = Read();
  for (int32_t i = 0; i < 12; ++i) {
    const Rect cell = grid->CellRect(i);
    ASSERT_FALSE(cell.IsEmpty()) << "cell " << i;
    if (i != 5) {
      EXPECT_RGB_NEAR(frame.At(cell.left + 24, cell.top + 24), ToRgb(colour(i)), 0);
    }
    EXPECT_GT(CountLight(frame, Rect{cell.left, cell.top + 48, cell.right, cell.bottom}), 0)
        << "the label of cell " << i;
  }
  // The selected cell is marked where its neighbour shows only its own colour and background.
  const Rect sel = grid->CellRect(5), plain = grid->CellRect(4);
  int32_t differing = 0;
  for (int32_t y = sel.top; y < sel.bottom; ++y) {
    const Rgb a = frame.At(sel.left + 1, y), b = frame.At(plain.left + 1, y);
    if (y >= sel.top + 48 && ChannelDistance(a, b) > 30) ++differing;
  }
  EXPECT_GT(differing, 0) << "no selection mark along the selected cell's label";
}

// ---------------------------------------------------------------------------------------
// The README picture

bool WritePng(const fs::path& path, const Frame& frame) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  volatile bool ok = false;  // set after setjmp, read after a possible longjmp
  if (png && info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(frame.size.width),
                 static_cast<png_uint_32>(frame.size.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(frame.size.width) * 3;
    for (int32_t y = 0; y < frame.size.height; ++y) {
      png_write_row(png, frame.rgb.data() + static_cast<size_t>(y) * stride);
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return std::fclose(file) == 0 && ok;
}

// Two overlapping framed windows with styled text and buttons.
void BuildScreenshotScene(const Font* font) {
  const int32_t lh = FontLineHeight(font) + 6;
  auto* notes = new SceneWindow("Tag notes", {28, 64, 440, 404});
  notes->lines = {
      {"|bZarv|p edits the tag files of |iVorn|p.", {16, 16}},
      {"Each window draws its frame, title bar", {16, 16 + lh}},
      {"and text from the skin and the UI font.", {16, 16 + 2 * lh}},
      {"|bBold|p and |iitalic|p runs sit inside a line,", {16, 16 + 4 * lh}},
      {"switched on and off by style codes.", {16, 16 + 5 * lh}},
      {"|bWindows", {16, 16 + 7 * lh}},
      {"Drag a title bar to move a window and", {16, 16 + 8 * lh}},
      {"an edge to resize it; close and maximise", {16, 16 + 9 * lh}},
      {"sit at the right of the title bar.", {16, 16 + 10 * lh}},
  };

  auto* styles = new SceneWindow("Text styles", {352, 220, 772, 524});
  styles->lines = {
      {"Plain text in the UI font", {18, 18}},
      {"|bBold text in the UI font", {18, 18 + lh}},
      {"|iItalic text in the UI font", {18, 18 + 2 * lh}},
      {"|oBold italic text in the UI font", {18, 18 + 3 * lh}},
      {"Mixed: plain, |bbold|p, |iitalic|p and |oboth|p.", {18, 18 + 5 * lh}},
      {"Secondary text for hints, dimmed", {18, 18 + 6 * lh}, MakeColor(0x9a, 0x9e, 0xa6)},
  };
  const Rect client = styles->ClientRect();
  const int32_t button_y = client.Height() - 44;
  auto* cancel = new Button(styles, "Cancel", 2);
  cancel->SetFrameRect({client.Width() - 112, button_y, client.Width() - 18, button_y + 24});
  auto* ok = new Button(styles, "OK", 1);
  ok->SetFrameRect({client.Width() - 218, button_y, client.Width() - 124, button_y + 24});
  Window::SetFocus(styles, 0);
}

int WriteScreenshot(const EditorHost& host, const fs::path& path) {
  Desk desk(host);
  BuildScreenshotScene(host.font());
  desk.Settle();
  if (!desk.FullFrame()) {
    std::fprintf(stderr, "the scene drew no frame\n");
    return 1;
  }
  const Frame frame = ReadBackBuffer(host.size());
  if (!WritePng(path, frame)) {
    std::fprintf(stderr, "could not write %s\n", path.c_str());
    return 1;
  }
  std::printf("wrote %s (%dx%d)\n", path.c_str(), frame.size.width, frame.size.height);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Typing through the real window system (the keyboard-layout end-to-end test drives it)

// Holds the focus and prints the 8-bit code of every character that reaches it, one a line,
// after "ready" once the window system's start-up events are through; Escape ends the run.
class EchoWindow : public SceneWindow {
 public:
  EchoWindow() : SceneWindow("Echo", {20, 40, 420, 240}) {
    lines = {{"Characters typed here are printed.", {10, 10}}};
  }
  void OnChar(InputEvent& event) override {
    std::printf("char 0x%02X\n", static_cast<unsigned>(event.a));
    std::fflush(stdout);
  }
  bool OnKey(InputEvent& event) override {
    if (event.a != Key::Escape || event.b != 1) return false;
    WM().Quit();
    return true;
  }
};

int EchoCharacters(const EditorHost& host) {
  Desk desk(host);
  Window::SetFocus(new EchoWindow, 0);
  desk.Settle();
  std::printf("ready\n");
  std::fflush(stdout);
  while (desk.wm().IsRunning()) desk.wm().PumpOnce();
  return 0;
}

// ---------------------------------------------------------------------------------------

fs::path ExecutableFolder(const char* argv0) {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) self = fs::absolute(argv0);
  return self.parent_path();
}

bool ParseSize(std::string_view text, Size& size) {
  int width = 0;
  int height = 0;
  if (std::sscanf(std::string(text).c_str(), "%dx%d", &width, &height) != 2) return false;
  if (width < 800 || height < 600) return false;  // the scenes are laid out for 800x600
  size = {width, height};
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  fs::path res = ExecutableFolder(argv[0]) / "res";
  Size size{800, 600};
  fs::path screenshot;
  bool echo = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--res=")) {
      res = arg.substr(6);
    } else if (arg.starts_with("--size=")) {
      if (!ParseSize(arg.substr(7), size)) {
        std::fprintf(stderr, "bad size '%s' (expected WIDTHxHEIGHT, at least 800x600)\n",
                     argv[i] + 7);
        return 2;
      }
    } else if (arg.starts_with("--screenshot=")) {
      screenshot = arg.substr(13);
    } else if (arg == "--echo-chars") {
      echo = true;
    } else {
      std::fprintf(stderr, "unknown argument '%s'\n", argv[i]);
      return 2;
    }
  }
  if (!screenshot.empty()) size = {800, 600};

  EditorHost host;
  if (std::string error = host.Start(res, size); !error.empty()) {
    std::fprintf(stderr, "start-up failed: %s\n", error.c_str());
    return 1;
  }
  if (!screenshot.empty()) return WriteScreenshot(host, screenshot);
  if (echo) return EchoCharacters(host);
  std::printf("renderer %s, %d buffer(s) in the swap chain\n",
              reinterpret_cast<const char*>(glGetString(GL_RENDERER)), host.swap_count());
  g_host = &host;
  const int result = RUN_ALL_TESTS();
  g_host = nullptr;
  return result;
}
