#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/InputTranslator.h"
#include "gui/Platform.h"
#include "gui/WindowManager.h"

// A scripted OS: a clock that advances a millisecond per poll, a queue of steps run at poll
// time (each step may wait for a condition, such as a given window being the top modal
// window), and a pump budget so that a loop that never ends fails the test instead of hanging.
class FakePlatform : public Platform {
 public:
  using Step = std::function<bool(FakePlatform&)>;  // true when done

  double Now() override { return now; }
  void PollEvents() override;
  void Sleep() override { now += 0.001; }
  void Beep() override { ++beeps; }
  void SetCursorShape(int32_t cursor) override { this->cursor = cursor; }
  void Present() override { ++presents; }
  void SetWindowTitle(const char* title) override { titles.push_back(title ? title : ""); }
  // An in-memory clipboard; `clipboard_usable` false makes every operation fail.
  bool PutClipboardText(std::string_view text) override {
    if (!clipboard_usable) return false;
    clipboard_text = std::string(text);
    clipboard_has_text = true;
    return true;
  }
  bool GetClipboardText(std::string& text) override {
    if (!clipboard_usable || !clipboard_has_text) return false;
    text = clipboard_text;
    return true;
  }
  bool PutClipboardImage(const uint8_t* rgb, int32_t width, int32_t height) override {
    if (!clipboard_usable || width <= 0 || height <= 0) return false;
    clipboard_image.assign(rgb, rgb + static_cast<size_t>(width) * height * 3);
    clipboard_width = width;
    clipboard_height = height;
    return true;
  }
  bool GetClipboardImage(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) override {
    if (!clipboard_usable || clipboard_image.empty()) return false;
    rgb = clipboard_image;
    width = clipboard_width;
    height = clipboard_height;
    return true;
  }

  void Then(Step step) { steps.push_back(std::move(step)); }

  WindowManager* wm = nullptr;
  double now = 0;
  int polls = 0;
  int budget = 20000;
  bool budget_exhausted = false;
  int beeps = 0;
  int32_t cursor = -1;
  int presents = 0;
  std::vector<std::string> titles;  // every OS window title set, in order
  bool clipboard_usable = true;
  bool clipboard_has_text = false;
  std::string clipboard_text;
  std::vector<uint8_t> clipboard_image;
  int32_t clipboard_width = 0;
  int32_t clipboard_height = 0;
  std::deque<Step> steps;
};

// Counts the frames and keeps the dirty rectangles each one would have redrawn.
class CountingRenderer : public Renderer {
 public:
  bool Render(WindowManager& wm) override {
    const bool full = (wm.RedrawFlags() & WindowManager::kRedrawFull) != 0;
    const bool drew = full || !wm.DirtyRects().empty();
    if (drew) ++frames;
    if (full) ++full_frames;
    redrawn.insert(redrawn.end(), wm.DirtyRects().begin(), wm.DirtyRects().end());
    wm.ClearRedraw();
    return drew;
  }
  // Whether a partial redraw covered all of `r`.
  bool Redrew(const Rect& r) const {
    for (const Rect& d : redrawn) {
      if (d.Contains(r)) return true;
    }
    return false;
  }
  void Forget() {
    redrawn.clear();
    full_frames = 0;
  }
  int frames = 0;
  int full_frames = 0;
  std::vector<Rect> redrawn;
};

// A window that records what reaches it.
class ProbeWindow : public Window {
 public:
  ProbeWindow(uint32_t flags, Window* parent, const char* title = nullptr)
      : Window(flags | WindowFlag::Visible, parent) {
    if (title) SetTitle(title);
  }
  const char* GetClassName() const override { return "ProbeWindow"; }
  bool OnKey(InputEvent& e) override {
    keys.push_back(e);
    return consume_keys;
  }
  void OnChar(InputEvent& e) override { chars.push_back(e); }
  void OnMouseButton(InputEvent& e) override { buttons.push_back(e); }
  void OnDoubleClick(InputEvent& e) override { double_clicks.push_back(e); }
  void OnMouseMove(InputEvent& e) override { moves.push_back(e); }
  void OnWheel(InputEvent& e) override { wheels.push_back(e); }
  bool RequestClose(bool forced) override {
    ++close_requests;
    if (refuse_close) return false;
    return Window::RequestClose(forced);
  }
  void OnFocusLost(Window*, int32_t) override { ++focus_lost_count; }
  FocusGain OnFocusGained(Window*, int32_t) override {
    ++focus_gained_count;
    return gain;
  }
  int32_t AcceptDrop(Point, bool query_only, DragDropData*) override {
    (query_only ? drop_queries : drops)++;
    return accept_drop ? 1 : 0;
  }
  void OnMouseLeave(uint32_t, uint32_t) override { ++leaves; }

  std::vector<InputEvent> keys, chars, buttons, double_clicks, moves, wheels;
  bool consume_keys = false;
  bool refuse_close = false;
  bool accept_drop = false;
  int close_requests = 0;
  int focus_lost_count = 0;
  int focus_gained_count = 0;
  int drop_queries = 0;
  int drops = 0;
  int leaves = 0;
  FocusGain gain;
};

class WmTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Queues raw events as the OS callbacks would.
  void Key(int code, bool down);
  void Tap(int code) {
    Key(code, true);
    Key(code, false);
  }
  void Char(int code);
  void Move(int x, int y);
  void Press(int x, int y, int button = 0);
  void Release(int x, int y, int button = 0);
  void Click(int x, int y, int button = 0) {
    Press(x, y, button);
    Release(x, y, button);
  }
  void Wheel(int old_pos, int new_pos, bool horizontal = false);
  void Pump(int times = 1);

  // A top-level window with a frame at the given rectangle of layer0.
  ProbeWindow* Frame(const Rect& r, uint32_t flags = WindowFlag::TitleBar | WindowFlag::ThickFrame,
                     const char* title = nullptr);

  FakePlatform platform;
  CountingRenderer renderer;
  std::unique_ptr<WindowManager> wm;
};

// Runs in a script step: true when `title` is the top modal window.
bool TopModalIs(WindowManager& wm, const char* title);
// Finds a button of the top modal window by its label.
Window* FindByTitle(Window* root, const std::string& title);
