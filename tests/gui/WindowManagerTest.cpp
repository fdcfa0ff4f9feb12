#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gui/InputTranslator.h"
#include "gui/SkinMetrics.h"
#include "gui/WindowManager.h"
#include "support/WmHarness.h"

namespace {

constexpr uint32_t kFramed = WindowFlag::TitleBar | WindowFlag::ThickFrame;
constexpr uint32_t kResizableFrame = WindowFlag::TitleBar | WindowFlag::Resizable;

// The vertical centre of the title bar of a framed window whose frame starts at `top`.
int32_t CaptionY(int32_t top) {
  const SkinMetrics& m = CurrentSkinMetrics();
  return top + m.thick_border + m.title_bar_height / 2;
}

bool SawKeyPress(const ProbeWindow* w, int code) {
  for (const InputEvent& e : w->keys) {
    if (e.a == code && e.b == 1) return true;
  }
  return false;
}

const InputEvent* FindKeyPress(const ProbeWindow* w, int code) {
  for (const InputEvent& e : w->keys) {
    if (e.a == code && e.b == 1) return &e;
  }
  return nullptr;
}

template <class W, class... Args>
W* Place(const Rect& r, Args&&... args) {
  W* w = new W(std::forward<Args>(args)...);
  w->SetFrameRect(r);
  return w;
}

// Logs which window was offered a key press for which target.
class RoutingWindow : public ProbeWindow {
 public:
  RoutingWindow(uint32_t flags, Window* parent, const char* name, std::vector<std::string>* log)
      : ProbeWindow(flags, parent, name), log_(log) {}
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override {
    if (type == kEventKey && event.b == 1) {
      log_->push_back(std::string(GetTitle()) + ">" + target->GetTitle());
    }
    if (takes_events_for_others && target != this) return true;
    return ProbeWindow::HandleEvent(target, type, event);
  }
  bool takes_events_for_others = false;

 private:
  std::vector<std::string>* log_;
};

// Records frame-side events as well.
class FrameProbe : public ProbeWindow {
 public:
  using ProbeWindow::ProbeWindow;
  void OnFrameMouseMove(InputEvent& e) override { frame_moves.push_back(e); }
  void OnFrameMouseLeave(uint32_t, uint32_t) override { ++frame_leaves; }
  std::vector<InputEvent> frame_moves;
  int frame_leaves = 0;
};

// Opens a nested modal loop when it receives a character.
class ModalOpener : public ProbeWindow {
 public:
  using ProbeWindow::ProbeWindow;
  void OnChar(InputEvent&) override {
    // The window may be destroyed while the nested loop runs: work on a copy.
    std::function<void()> open = on_char;
    if (open) open();
  }
  std::function<void()> on_char;
};

class DoomedWindow : public ProbeWindow {
 public:
  DoomedWindow(bool* destroyed, Window* parent = nullptr,
               std::vector<DoomedWindow*>* destruction_order = nullptr)
      : ProbeWindow(kFramed, parent), destroyed_(destroyed), order_(destruction_order) {}
  ~DoomedWindow() override {
    *destroyed_ = true;
    if (order_) order_->push_back(this);
  }

 private:
  bool* destroyed_;
  std::vector<DoomedWindow*>* order_;
};

class NoticeWindow : public ProbeWindow {
 public:
  using ProbeWindow::ProbeWindow;
  bool HandleEvent(Window* target, int32_t type, InputEvent& event) override {
    if (type == kEventResize) {
      notices.push_back(event);
      return takes_notice;
    }
    return ProbeWindow::HandleEvent(target, type, event);
  }
  std::vector<InputEvent> notices;
  bool takes_notice = false;
};

class TrackingProbe : public ProbeWindow {
 public:
  struct Call {
    Point start;
    Point current;
    int32_t phase;
  };
  using ProbeWindow::ProbeWindow;
  void OnTrackMouse(Point start, Point current, int32_t phase) override {
    calls.push_back({start, current, phase});
  }
  std::vector<Call> calls;
};

struct Payload : Window::DragDropData {
  explicit Payload(bool* destroyed) : destroyed(destroyed) {}
  ~Payload() override { *destroyed = true; }
  bool* destroyed;
};

void Count(void* counter, intptr_t) {
  ++*static_cast<int*>(counter);
}

// ---------------------------------------------------------------------------------------

class WindowManagerRouting : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    outer = Place<RoutingWindow>({100, 100, 400, 300}, kFramed, nullptr, "outer", &log);
    mid = Place<RoutingWindow>({10, 10, 200, 150}, 0, outer, "mid", &log);
    inner = Place<RoutingWindow>({10, 10, 100, 50}, 0, mid, "inner", &log);
    Window::SetFocus(inner, 0);
  }
  std::vector<std::string> log;
  RoutingWindow* outer = nullptr;
  RoutingWindow* mid = nullptr;
  RoutingWindow* inner = nullptr;
};

TEST_F(WindowManagerRouting, AncestorsAreOfferedTheEventOutermostFirst) {
  Key('K', true);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"outer>inner", "mid>inner", "inner>inner"}));
  EXPECT_TRUE(SawKeyPress(inner, 'K'));
}

TEST_F(WindowManagerRouting, AnAncestorThatTakesTheEventKeepsItFromTheTarget) {
  mid->takes_events_for_others = true;
  Key('K', true);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"outer>inner", "mid>inner"}));
  EXPECT_TRUE(inner->keys.empty());
  EXPECT_TRUE(mid->keys.empty());

  log.clear();
  outer->takes_events_for_others = true;
  Key('L', true);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"outer>inner"}));
}

// ---------------------------------------------------------------------------------------

class WindowManagerDefaultDispatch : public WmTest {};

TEST_F(WindowManagerDefaultDispatch, KeysGoToTheFocusWindowAndMouseEventsToTheHoverWindow) {
  ProbeWindow* focused = Frame({100, 100, 300, 300});
  ProbeWindow* hovered = Frame({400, 100, 600, 300});
  Window::SetFocus(focused, 0);
  Move(500, 200);
  Tap('K');
  Char('k');
  Wheel(0, 1);
  Pump();
  EXPECT_TRUE(SawKeyPress(focused, 'K'));
  EXPECT_EQ(focused->chars.size(), 1u);
  EXPECT_TRUE(focused->wheels.empty());
  EXPECT_TRUE(focused->moves.empty());
  EXPECT_TRUE(hovered->keys.empty());
  EXPECT_TRUE(hovered->chars.empty());
  EXPECT_EQ(hovered->moves.size(), 1u);
  EXPECT_EQ(hovered->wheels.size(), 1u);
}

// ---------------------------------------------------------------------------------------

// One framed window holding the focus, for tests of what reaches it.
class FocusedProbeTest : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    probe = Frame({100, 100, 300, 300});
    Window::SetFocus(probe, 0);
  }
  ProbeWindow* probe = nullptr;
};

class WindowManagerKeyState : public FocusedProbeTest {};

TEST_F(WindowManagerKeyState, AHeldKeyRepeatsWithFlag16AndStaysDown) {
  Key('A', true);
  Key('A', true);
  Key('A', true);
  Pump();
  ASSERT_EQ(probe->keys.size(), 3u);
  EXPECT_EQ(probe->keys[0].flags & kKeyRepeatFlag, 0);
  EXPECT_EQ(probe->keys[1].flags & kKeyRepeatFlag, kKeyRepeatFlag);
  EXPECT_EQ(probe->keys[2].flags & kKeyRepeatFlag, kKeyRepeatFlag);
  EXPECT_TRUE(wm->IsKeyDown('A'));

  Key('A', false);
  Pump();
  EXPECT_EQ(probe->keys[3].flags & kKeyRepeatFlag, 0);
  EXPECT_FALSE(wm->IsKeyDown('A'));
}

TEST_F(WindowManagerKeyState, ModifierMaskIsStampedOnKeysCharactersAndMouseEvents) {
  Key(Key::Shift, true);
  Tap('S');
  Char('s');
  Key(Key::Shift, false);
  Key(Key::Alt, true);
  Tap('A');
  Key(Key::Alt, false);
  Key(Key::Control, true);
  Tap('C');
  Key(Key::Shift, true);
  Move(200, 200);  // the client area of the focused probe
  Key(Key::Shift, false);
  Key(Key::Control, false);
  Tap('N');
  Pump();
  ASSERT_TRUE(FindKeyPress(probe, 'S') && FindKeyPress(probe, 'A') && FindKeyPress(probe, 'C') &&
              FindKeyPress(probe, 'N'));
  EXPECT_EQ(FindKeyPress(probe, 'S')->flags, kModShift);
  EXPECT_EQ(FindKeyPress(probe, 'A')->flags, kModAlt);
  EXPECT_EQ(FindKeyPress(probe, 'C')->flags, kModControl);
  EXPECT_EQ(FindKeyPress(probe, 'N')->flags, 0);
  ASSERT_EQ(probe->chars.size(), 1u);
  EXPECT_EQ(probe->chars[0].flags, kModShift);
  ASSERT_EQ(probe->moves.size(), 1u);
  EXPECT_EQ(probe->moves[0].mods, kModControl | kModShift);
  EXPECT_EQ(wm->Modifiers(), 0);
}

// Typing as GLFW reports it, through the translator the editor uses.
TEST_F(WindowManagerKeyState, AltGrCharactersArriveAsThemselvesAndTheRestThroughTheCharMap) {
  InputTranslator keyboard([this](const InputEvent& e) { wm->QueueEvent(e); });
  enum Held { kNothing, kAlt, kAltGr };
  auto type = [&](int key, unsigned codepoint, Held held) {
    const int held_key = held == kAlt ? GlfwKey::LeftAlt : GlfwKey::RightAlt;
    if (held) keyboard.OnKey(held_key, GlfwAction::Press, held == kAltGr);
    keyboard.OnKey(key, GlfwAction::Press);
    keyboard.OnCharMods(codepoint, held == kAlt ? GlfwMod::Alt : 0);
    keyboard.OnKey(key, GlfwAction::Release);
    if (held) keyboard.OnKey(held_key, GlfwAction::Release, held == kAltGr);
  };
  type('Q', '@', kAltGr);       // on a German layout
  type(GlfwKey::A, 'a', kAlt);  // the option character
  for (unsigned c : {0xE9u, 0xFCu, 0xDFu, 0xF1u, 0xA4u, 0x20ACu, 0x1F600u}) type(-1, c, kNothing);
  Pump();
  std::vector<int32_t> codes;
  for (const InputEvent& e : probe->chars) codes.push_back(e.a);
  // é ü ß ñ ¤ in the 8-bit encoding; neither the euro sign nor the emoji has a code there.
  EXPECT_EQ(codes, (std::vector<int32_t>{'@', 0x8C, 0x8E, 0x9F, 0xA7, 0x96, 0xDB}));
  ASSERT_TRUE(FindKeyPress(probe, 'Q'));
  EXPECT_EQ(FindKeyPress(probe, 'Q')->flags, 0) << "AltGr is no Alt for shortcuts";
}

TEST_F(WindowManagerKeyState, CharactersAreTranslatedWithTheAltColumnWhileAltIsHeld) {
  Char('A');
  Char(167);
  Key(Key::Alt, true);
  Char('A');
  Char('a');
  Char(167);
  Key(Key::Alt, false);
  Pump();
  ASSERT_EQ(probe->chars.size(), 5u);
  EXPECT_EQ(probe->chars[0].a, 'A');
  EXPECT_EQ(probe->chars[1].a, 0xA4);
  EXPECT_EQ(probe->chars[2].a, 0x81);
  EXPECT_EQ(probe->chars[3].a, 0x8C);
  EXPECT_EQ(probe->chars[4].a, 0xA4);
}

// ---------------------------------------------------------------------------------------

class WindowManagerMouseEvents : public WmTest {};

TEST_F(WindowManagerMouseEvents, MouseEventsCarryTheCurrentPositionAndTheHoverPart) {
  ProbeWindow* probe = Frame({100, 100, 300, 300});
  Move(200, 210);
  wm->QueueEvent({999, 999, 0, 0, 0, 1, kEventButton});  // stale coordinates
  wm->QueueEvent({-5, -5, 0, 0, 0, 0, kEventButton});
  Pump();
  ASSERT_EQ(probe->buttons.size(), 2u);
  for (const InputEvent& e : probe->buttons) {
    EXPECT_EQ(e.a, 200);
    EXPECT_EQ(e.b, 210);
    EXPECT_EQ(e.flags, static_cast<int32_t>(Part::Client));
  }
  EXPECT_FALSE(wm->IsButtonDown(0));

  auto* framed = Place<FrameProbe>({400, 100, 600, 300}, kResizableFrame, nullptr);
  Move(500, CaptionY(100));
  Move(500, 101);
  Pump();
  ASSERT_EQ(framed->frame_moves.size(), 2u);
  EXPECT_EQ(framed->frame_moves[0].flags, static_cast<int32_t>(Part::Caption));
  EXPECT_EQ(framed->frame_moves[1].flags, static_cast<int32_t>(Part::TopEdge));
  EXPECT_EQ(wm->HoverPart(), Part::TopEdge);
}

TEST_F(WindowManagerMouseEvents, WheelEventsKeepVerticalAndHorizontalPositionsApart) {
  ProbeWindow* probe = Frame({100, 100, 300, 300});
  Move(200, 200);
  Wheel(0, 3);
  Wheel(3, 1);
  Wheel(0, -2, true);
  Pump();
  ASSERT_EQ(probe->wheels.size(), 3u);
  EXPECT_EQ(probe->wheels[1].c, 3);
  EXPECT_EQ(probe->wheels[1].d, 1);
  EXPECT_EQ(probe->wheels[1].mods & kWheelHorizontal, 0);
  EXPECT_EQ(probe->wheels[2].mods & kWheelHorizontal, kWheelHorizontal);
  EXPECT_EQ(probe->wheels[2].a, 200);
  EXPECT_EQ(wm->WheelPosition(false), 1);
  EXPECT_EQ(wm->WheelPosition(true), -2);
}

// ---------------------------------------------------------------------------------------

class WindowManagerModal : public WmTest {
 protected:
  void WaitUntilTop(Window* w) {
    platform.Then([w](FakePlatform& p) { return p.wm->TopModalWindow() == w; });
  }
  void Then(std::function<void()> step) {
    platform.Then([step](FakePlatform&) {
      step();
      return true;
    });
  }
  // Runs `window` modally: `during` runs once the loop is up, and the loop is ended with
  // `result` at the next poll (after the events queued by `during` were processed).
  int32_t RunScripted(Window* window, uint32_t flags, std::function<void()> during,
                      int32_t result = 0) {
    WaitUntilTop(window);
    Then(std::move(during));
    Then([this, window, result] { wm->EndModal(window, result); });
    return wm->RunModal(window, flags);
  }
};

TEST_F(WindowManagerModal, AnInnerLoopEndsFirstAndTheOuterLoopThenContinues) {
  auto* outer = Place<ModalOpener>({100, 100, 300, 300}, kFramed, nullptr, "outer");
  ProbeWindow* inner = Frame({400, 100, 600, 300}, kFramed, "inner");
  std::vector<std::string> ended;
  int32_t inner_result = -1;
  int depth_inside = 0;
  outer->on_char = [&] {
    inner_result = wm->RunModal(inner, 0);
    ended.push_back("inner");
  };
  WaitUntilTop(outer);
  Then([this] { Char('x'); });
  WaitUntilTop(inner);
  Then([&] {
    depth_inside = wm->ModalDepth();
    wm->EndModal(inner, 7);
  });
  WaitUntilTop(outer);
  Then([this] { Tap('Q'); });  // the focus is still in `inner`: flag 1 hands it to `outer`
  Then([&] { wm->EndModal(outer, 3); });
  const int32_t outer_result = wm->RunModal(outer, WindowManager::kModalKeys);
  ended.push_back("outer");
  EXPECT_EQ(depth_inside, 2);
  EXPECT_EQ(inner_result, 7);
  EXPECT_EQ(outer_result, 3);
  EXPECT_EQ(ended, (std::vector<std::string>{"inner", "outer"}));
  EXPECT_TRUE(SawKeyPress(outer, 'Q'));
  EXPECT_EQ(wm->ModalDepth(), 0);
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(WindowManagerModal, KeysForWindowsOutsideGoToTheModalWindowOnlyWithFlag1) {
  ProbeWindow* modal = Frame({100, 100, 300, 300});
  ProbeWindow* outside = Frame({400, 100, 600, 300});
  RunScripted(modal, WindowManager::kModalKeys, [&] {
    Window::SetFocus(outside, 0);
    Tap('K');
    Char('k');
  });
  EXPECT_TRUE(SawKeyPress(modal, 'K'));
  EXPECT_EQ(modal->chars.size(), 1u);

  RunScripted(modal, 0, [&] {
    Window::SetFocus(outside, 0);
    Tap('L');
    Char('l');
  });
  EXPECT_FALSE(SawKeyPress(modal, 'L'));
  EXPECT_EQ(modal->chars.size(), 1u);
  EXPECT_TRUE(outside->keys.empty());
  EXPECT_TRUE(outside->chars.empty());
}

TEST_F(WindowManagerModal, KeysInsideTheLoopGoToTheFocusWindow) {
  ProbeWindow* modal = Frame({100, 100, 300, 300});
  auto* field = new ProbeWindow(0, modal);
  field->consume_keys = true;
  RunScripted(modal, WindowManager::kModalKeys, [&] {
    Window::SetFocus(field, 0);
    Tap('L');
  });
  EXPECT_TRUE(SawKeyPress(field, 'L'));
  EXPECT_FALSE(SawKeyPress(modal, 'L'));
}

TEST_F(WindowManagerModal, MouseEventsOutsideGoToTheModalWindowMarkedOutsideOnlyWithFlag2) {
  ProbeWindow* modal = Frame({100, 100, 300, 300});
  ProbeWindow* outside = Frame({400, 100, 600, 300});
  RunScripted(modal, WindowManager::kModalMouse, [this] { Click(500, CaptionY(100)); });
  ASSERT_EQ(modal->buttons.size(), 2u);
  for (const InputEvent& e : modal->buttons) {
    EXPECT_EQ(e.flags, 1);
    EXPECT_EQ(e.a, 500);
  }
  EXPECT_EQ(platform.beeps, 0);

  RunScripted(modal, 0, [this] {
    Click(500, 200);
    Wheel(0, 2);
  });
  EXPECT_EQ(modal->buttons.size(), 2u);
  EXPECT_TRUE(modal->wheels.empty());
  EXPECT_TRUE(outside->buttons.empty());
  EXPECT_TRUE(outside->wheels.empty());
  EXPECT_EQ(platform.beeps, 1) << "only the press beeps";
}

TEST_F(WindowManagerModal, Flag4RequestsAFullRedrawWhenTheLoopStartsAndEnds) {
  ProbeWindow* modal = Frame({100, 100, 300, 300});
  Pump(2);
  for (const bool dim : {true, false}) {
    bool full_at_start = !dim;
    bool full_between = true;
    // Read at the first poll of the loop, before anything was drawn.
    platform.Then([&](FakePlatform& p) {
      if (p.wm->TopModalWindow() != modal) return false;
      full_at_start = p.wm->RedrawFlags() & WindowManager::kRedrawFull;
      return true;
    });
    Then([&] {
      full_between = wm->RedrawFlags() & WindowManager::kRedrawFull;
      wm->EndModal(modal, 0);
    });
    wm->RunModal(modal, dim ? WindowManager::kModalDim : 0);
    const bool full_at_end = wm->RedrawFlags() & WindowManager::kRedrawFull;
    EXPECT_EQ(full_at_start, dim);
    EXPECT_FALSE(full_between);
    EXPECT_EQ(full_at_end, dim);
    Pump(2);
  }
}

TEST_F(WindowManagerModal, Flag8LetsACloseRequestCancelTheLoop) {
  ProbeWindow* modal = Frame({100, 100, 300, 300});
  bool cancelled = false;
  WaitUntilTop(modal);
  Then([this] { wm->PostCloseRequest(); });
  const int32_t result = wm->RunModal(modal, WindowManager::kModalCancelOnClose, &cancelled);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(platform.beeps, 0);
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(WindowManagerModal, ACloseRequestCancelsEveryNestedFlag8Loop) {
  auto* outer = Place<ModalOpener>({100, 100, 300, 300}, kFramed, nullptr, "outer");
  ProbeWindow* inner = Frame({400, 100, 600, 300});
  bool inner_cancelled = false;
  bool outer_cancelled = false;
  outer->on_char = [&] {
    wm->RunModal(inner, WindowManager::kModalCancelOnClose, &inner_cancelled);
  };
  WaitUntilTop(outer);
  Then([this] { Char('x'); });
  WaitUntilTop(inner);
  Then([this] { wm->PostCloseRequest(); });
  wm->RunModal(outer, WindowManager::kModalCancelOnClose, &outer_cancelled);
  EXPECT_TRUE(inner_cancelled);
  EXPECT_TRUE(outer_cancelled);
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(WindowManagerModal, WithoutFlag8ACloseRequestBeepsAndTheLoopGoesOn) {
  ProbeWindow* modal = Frame({100, 100, 300, 300});
  bool cancelled = true;
  bool still_top = false;
  WaitUntilTop(modal);
  Then([this] { wm->PostCloseRequest(); });
  Then([&] {
    still_top = wm->TopModalWindow() == modal;
    wm->EndModal(modal, 4);
  });
  const int32_t result = wm->RunModal(modal, 0, &cancelled);
  EXPECT_TRUE(still_top);
  EXPECT_EQ(result, 4);
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_TRUE(wm->IsRunning());
}

TEST_F(WindowManagerModal, DestroyingTheModalWindowEndsItsLoopAndForgetsIt) {
  ProbeWindow* other = Frame({500, 100, 700, 300});
  ProbeWindow* modal = Frame({100, 100, 400, 300});
  auto* field = Place<ProbeWindow>({10, 10, 100, 40}, 0, modal);
  bool tracking_before = false;
  bool cancelled = true;
  WaitUntilTop(modal);
  Then([&] {
    Window::SetFocus(field, 0);
    Press(250, CaptionY(100));  // starts dragging the modal window
  });
  Then([&] {
    tracking_before = wm->IsTracking() && wm->Hover() == modal;
    Window::Close(modal);
  });
  const int32_t result = wm->RunModal(modal, 0, &cancelled);
  EXPECT_TRUE(tracking_before);
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(wm->ModalDepth(), 0);
  EXPECT_TRUE(wm->ModalWindows().empty());
  EXPECT_FALSE(wm->IsTracking());
  EXPECT_EQ(wm->Focus(), other);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1);
  EXPECT_FALSE(platform.budget_exhausted);

  // Life goes on without the window.
  Release(550, 200);
  Tap('K');
  Pump(2);
  EXPECT_EQ(wm->Hover(), other);
  EXPECT_TRUE(SawKeyPress(other, 'K'));
}

TEST_F(WindowManagerModal, DestroyingAnEntryBelowTheTopEndsOnlyThatLoop) {
  ProbeWindow* inner = Frame({400, 100, 600, 300}, kFramed, "inner");
  auto* outer = Place<ModalOpener>({100, 100, 300, 300}, kFramed, nullptr, "outer");
  int32_t inner_result = -1;
  std::vector<Window*> entries_after_close;
  outer->on_char = [&] { inner_result = wm->RunModal(inner, 0); };
  WaitUntilTop(outer);
  Then([this] { Char('x'); });
  WaitUntilTop(inner);
  Then([&] { Window::Close(outer); });
  Then([&] {
    entries_after_close = wm->ModalWindows();
    wm->EndModal(inner, 5);
  });
  const int32_t outer_result = wm->RunModal(outer, 0);
  EXPECT_EQ(entries_after_close, (std::vector<Window*>{inner}));
  EXPECT_EQ(inner_result, 5);
  EXPECT_EQ(outer_result, 0);
  EXPECT_EQ(wm->ModalDepth(), 0);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1);
  EXPECT_FALSE(platform.budget_exhausted);
  Tap('K');
  Pump();
  EXPECT_TRUE(SawKeyPress(inner, 'K'));
}

// ---------------------------------------------------------------------------------------

class WindowManagerDeferredDeletion : public WmTest {};

TEST_F(WindowManagerDeferredDeletion, AClosedWindowLivesUntilTheNextDrainAndGoesOnce) {
  bool destroyed = false;
  int closed = 0;
  auto* w = new DoomedWindow(&destroyed);
  Connect(w->closed, &Count, &closed);
  Window::Close(w);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(w->GetShowState(), kShowClosing);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1);
  Window::Close(w);
  wm->DeleteLater(w);
  Pump();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 0);
}

TEST_F(WindowManagerDeferredDeletion, TheNewestRequestIsDestroyedFirst) {
  std::vector<DoomedWindow*> order;
  bool first_gone = false;
  bool second_gone = false;
  auto* first = new DoomedWindow(&first_gone, nullptr, &order);
  auto* second = new DoomedWindow(&second_gone, nullptr, &order);
  Window::Close(first);
  Window::Close(second);
  Pump();
  EXPECT_EQ(order, (std::vector<DoomedWindow*>{second, first}));
}

TEST_F(WindowManagerDeferredDeletion, AParentAndItsChildClosedTogetherAreEachDestroyedOnce) {
  for (const bool child_first : {true, false}) {
    bool parent_gone = false;
    bool child_gone = false;
    auto* parent = new DoomedWindow(&parent_gone);
    auto* child = new DoomedWindow(&child_gone, parent);
    Window::Close(child_first ? child : parent);
    Window::Close(child_first ? parent : child);
    Pump();
    EXPECT_TRUE(parent_gone);
    EXPECT_TRUE(child_gone);
  }
  EXPECT_EQ(wm->Layer0()->ChildCount(), 0);
}

// ---------------------------------------------------------------------------------------

class WindowManagerResize : public WmTest {};

TEST_F(WindowManagerResize, ZeroByZeroChangesNothing) {
  ProbeWindow* w = Frame({100, 100, 300, 300}, kResizableFrame);
  w->SetShowState(kShowMaximized);
  auto* notice = new NoticeWindow(0, nullptr);
  const Rect layer0 = wm->Layer0()->FrameRect();
  wm->ResizeScreen(0, 0);
  EXPECT_EQ(wm->ScreenSize(), (Size{800, 600}));
  EXPECT_EQ(wm->Layer0()->FrameRect(), layer0);
  EXPECT_EQ(w->FrameRect(), layer0);
  EXPECT_TRUE(notice->notices.empty());
}

TEST_F(WindowManagerResize, MaximisedResizableWindowsAreFittedAgain) {
  wm->SetMenuBar(nullptr, 20);
  ProbeWindow* maximised = Frame({100, 100, 300, 300}, kResizableFrame);
  maximised->SetShowState(kShowMaximized);
  ProbeWindow* normal = Frame({10, 10, 200, 200}, kResizableFrame);
  auto* floating =
      Place<ProbeWindow>({50, 50, 250, 250}, kResizableFrame | WindowFlag::FloatingLayer, nullptr);
  floating->SetShowState(kShowMaximized);
  wm->ResizeScreen(1024, 768);
  EXPECT_EQ(wm->Layer0()->FrameRect(), (Rect{0, 20, 1024, 768}));
  EXPECT_EQ(maximised->FrameRect(), (Rect{0, 20, 1024, 768}));
  EXPECT_EQ(floating->FrameRect(), (Rect{0, 0, 1024, 768}));
  EXPECT_EQ(normal->FrameRect(), (Rect{10, 30, 200, 220}));

  maximised->SetShowState(kShowNormal);
  EXPECT_EQ(maximised->FrameRectInParent(), (Rect{100, 100, 300, 300}));
}

TEST_F(WindowManagerResize, CentredWindowsAreCentredAgainAndKeepTheirStackingOrder) {
  auto* lower = Place<ProbeWindow>({0, 0, 200, 100}, kFramed | WindowFlag::Centered, nullptr);
  auto* upper = Place<ProbeWindow>({0, 0, 300, 200}, kFramed | WindowFlag::Centered, nullptr);
  lower->CenterInParent();
  upper->CenterInParent();
  ASSERT_EQ(wm->Layer0()->FirstChild(), upper);
  wm->ResizeScreen(1000, 800);
  EXPECT_EQ(lower->FrameRect(), (Rect{400, 350, 600, 450}));
  EXPECT_EQ(upper->FrameRect(), (Rect{350, 300, 650, 500}));
  EXPECT_EQ(wm->Layer0()->FirstChild(), upper);
  EXPECT_EQ(upper->NextSibling(), lower);
}

TEST_F(WindowManagerResize, TheResizeNoticeIsOfferedUntilAWindowTakesIt) {
  auto* listener = new NoticeWindow(0, nullptr);
  wm->ResizeScreen(1024, 768);
  ASSERT_EQ(listener->notices.size(), 1u);
  EXPECT_EQ(listener->notices[0].type, kEventResize);
  EXPECT_EQ(listener->notices[0].a, 1024);
  EXPECT_EQ(listener->notices[0].b, 768);

  // layer1 comes before layer0 in tree order.
  auto* taker = new NoticeWindow(WindowFlag::FloatingLayer, nullptr);
  taker->takes_notice = true;
  wm->ResizeScreen(640, 480);
  EXPECT_EQ(taker->notices.size(), 1u);
  EXPECT_EQ(listener->notices.size(), 1u);
}

// ---------------------------------------------------------------------------------------

class WindowManagerQueue : public FocusedProbeTest {};

TEST_F(WindowManagerQueue, AnEventArrivingAtAFullQueueIsDropped) {
  for (int i = 0; i <= WindowManager::kQueueSize; ++i) Char('A' + i);
  EXPECT_EQ(wm->QueuedEventCount(), WindowManager::kQueueSize);
  Pump();
  ASSERT_EQ(probe->chars.size(), static_cast<size_t>(WindowManager::kQueueSize));
  EXPECT_EQ(probe->chars.front().a, 'A');
  EXPECT_EQ(probe->chars.back().a, 'A' + WindowManager::kQueueSize - 1);
}

TEST_F(WindowManagerQueue, AKeyReleaseSurvivesAQueueFullOfMoves) {
  Key('K', true);
  Pump();
  ASSERT_TRUE(wm->IsKeyDown('K'));
  for (int i = 0; i < WindowManager::kQueueSize; ++i) Move(150 + i, 200);
  Key('K', false);
  EXPECT_EQ(wm->QueuedEventCount(), WindowManager::kQueueSize);
  Pump();
  EXPECT_FALSE(wm->IsKeyDown('K'));
  EXPECT_EQ(probe->keys.back().a, 'K');
  EXPECT_EQ(probe->keys.back().b, 0);
  EXPECT_EQ(wm->MousePosition(), (Point{150 + WindowManager::kQueueSize - 1, 200}));
}

// ---------------------------------------------------------------------------------------

class WindowManagerTrackMouse : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    tracker = Place<TrackingProbe>({100, 100, 300, 300}, kFramed, nullptr);
    Move(150, 160);
    Pump();
  }
  TrackingProbe* tracker = nullptr;
};

TEST_F(WindowManagerTrackMouse, PhaseZeroAtTheStartOneForEachMoveTwoAtTheRelease) {
  ASSERT_TRUE(wm->TrackMouse(tracker, nullptr));
  ASSERT_EQ(tracker->calls.size(), 1u);
  EXPECT_EQ(tracker->calls[0].phase, kTrackStart);
  EXPECT_EQ(tracker->calls[0].current, (Point{150, 160}));
  Move(400, 20);  // leaving the window does not end the tracking
  Move(410, 30);
  Pump();
  Release(420, 40);
  Pump();
  ASSERT_EQ(tracker->calls.size(), 5u);
  const int32_t phases[] = {kTrackStart, kTrackMove, kTrackMove, kTrackMove, kTrackEnd};
  const Point currents[] = {{150, 160}, {400, 20}, {410, 30}, {420, 40}, {420, 40}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(tracker->calls[i].phase, phases[i]) << i;
    EXPECT_EQ(tracker->calls[i].current, currents[i]) << i;
    EXPECT_EQ(tracker->calls[i].start, (Point{150, 160})) << i;
  }
  EXPECT_FALSE(wm->IsTracking());
  Move(200, 200);
  Pump();
  EXPECT_EQ(tracker->calls.size(), 5u);
}

TEST_F(WindowManagerTrackMouse, ASecondTrackingIsRefusedWhileOneRuns) {
  auto* other = Place<TrackingProbe>({400, 100, 600, 300}, kFramed, nullptr);
  ASSERT_TRUE(wm->TrackMouse(tracker, nullptr));
  EXPECT_FALSE(wm->TrackMouse(other, nullptr));
  bool destroyed = false;
  EXPECT_FALSE(wm->BeginDrag(other, new Payload(&destroyed), nullptr));
  EXPECT_TRUE(destroyed);
  Move(500, 200);
  Pump();
  EXPECT_TRUE(other->calls.empty());
  EXPECT_EQ(tracker->calls.size(), 2u);
}

TEST_F(WindowManagerTrackMouse, OtherEventsAreSwallowedMeanwhile) {
  ProbeWindow* focused = Frame({400, 100, 600, 300});
  Window::SetFocus(focused, 0);
  ASSERT_TRUE(wm->TrackMouse(tracker, nullptr));
  Tap('K');
  Char('k');
  Move(500, 200);
  Wheel(0, 1);
  wm->QueueEvent({500, 200, 0, 0, 1, 1, kEventButton});  // right press
  Pump();
  EXPECT_TRUE(focused->keys.empty());
  EXPECT_TRUE(focused->chars.empty());
  EXPECT_TRUE(focused->moves.empty());
  EXPECT_TRUE(focused->wheels.empty());
  EXPECT_TRUE(focused->buttons.empty());
  EXPECT_TRUE(wm->IsTracking());
  Release(500, 200);
  Tap('K');
  Pump();
  EXPECT_FALSE(wm->IsTracking());
  EXPECT_TRUE(SawKeyPress(focused, 'K'));
}

// ---------------------------------------------------------------------------------------

class WindowManagerDragAndDrop : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    source = Frame({100, 100, 300, 300});
    target = Frame({400, 100, 600, 300});
    Move(200, 200);
    Pump();
  }
  ProbeWindow* source = nullptr;
  ProbeWindow* target = nullptr;
  bool payload_destroyed = false;
};

TEST_F(WindowManagerDragAndDrop, AnAcceptedDropIsDeliveredOnceAndThePayloadDestroyed) {
  target->accept_drop = true;
  ASSERT_TRUE(wm->BeginDrag(source, new Payload(&payload_destroyed), nullptr));
  Move(500, 200);
  Pump();
  EXPECT_GE(target->drop_queries, 1);
  EXPECT_EQ(platform.cursor, Cursor::DropAllowed);
  EXPECT_FALSE(payload_destroyed);
  Release(500, 200);
  Pump();
  EXPECT_EQ(target->drops, 1);
  EXPECT_TRUE(payload_destroyed);
  EXPECT_FALSE(wm->IsDragging());
}

TEST_F(WindowManagerDragAndDrop, ADropIsNotDeliveredWhenTheLastQueryWasRefused) {
  target->accept_drop = true;
  ASSERT_TRUE(wm->BeginDrag(source, new Payload(&payload_destroyed), nullptr));
  Move(500, 200);
  Pump();
  target->accept_drop = false;
  Move(510, 200);
  Pump();
  EXPECT_EQ(platform.cursor, Cursor::DropRefused);
  Release(510, 200);
  Pump();
  EXPECT_EQ(target->drops, 0);
  EXPECT_GE(target->drop_queries, 2);
  EXPECT_TRUE(payload_destroyed);
  EXPECT_FALSE(wm->IsDragging());

  // Leaving an accepting window for the empty desktop refuses as well.
  bool second_destroyed = false;
  target->accept_drop = true;
  ASSERT_TRUE(wm->BeginDrag(source, new Payload(&second_destroyed), nullptr));
  Move(500, 200);
  Move(700, 500);
  Release(700, 500);
  Pump();
  EXPECT_EQ(target->drops, 0);
  EXPECT_TRUE(second_destroyed);
}

std::vector<int32_t> g_drag_phases;
void RecordDragPhase(Window*, Point, Point, int32_t phase) {
  g_drag_phases.push_back(phase);
}

constexpr uint32_t kImagedPayload = 0x54455354;  // 'TEST'
Size MeasureTestImage(const Window::DragDropData&) {
  return {20, 10};
}
void DrawTestImage(const Window::DragDropData&) {}

// A drop target that gives up on the drag while it is asked about it.
class CancellingTarget : public ProbeWindow {
 public:
  using ProbeWindow::ProbeWindow;
  int32_t AcceptDrop(Point, bool, DragDropData*) override {
    ++drop_queries;
    WM().CancelDrag();
    return 1;
  }
};

TEST_F(WindowManagerDragAndDrop, CancellingEndsTheDragWithoutADropAndRestoresTheCursor) {
  EXPECT_FALSE(wm->CancelDrag()) << "no drag runs";
  WindowManager::RegisterDragImagePainter(kImagedPayload, {&MeasureTestImage, &DrawTestImage});
  target->accept_drop = true;
  g_drag_phases.clear();
  auto* payload = new Payload(&payload_destroyed);
  payload->type_id = kImagedPayload;
  ASSERT_TRUE(wm->BeginDrag(source, payload, &RecordDragPhase));
  Move(500, 200);
  Pump();
  ASSERT_EQ(platform.cursor, Cursor::DropAllowed);
  ASSERT_NE(wm->DragImage(nullptr), nullptr);
  renderer.Forget();

  EXPECT_TRUE(wm->CancelDrag());
  EXPECT_FALSE(wm->IsDragging());
  EXPECT_TRUE(payload_destroyed);
  EXPECT_EQ(wm->DragImage(nullptr), nullptr);
  EXPECT_EQ(platform.cursor, Cursor::Arrow);
  EXPECT_EQ(g_drag_phases.back(), kTrackEnd) << "the source hears that its drag is over";
  Pump();
  EXPECT_EQ(renderer.full_frames, 1) << "the image is wiped off the screen";

  // The release that follows is an ordinary one: no drop, and it reaches its window.
  Release(500, 200);
  Pump();
  EXPECT_EQ(target->drops, 0);
  ASSERT_EQ(target->buttons.size(), 1u);
  EXPECT_EQ(target->buttons[0].d, 0);
  EXPECT_FALSE(wm->CancelDrag());
}

TEST_F(WindowManagerDragAndDrop, APlainTrackingIsNotADragToCancel) {
  ASSERT_TRUE(wm->TrackMouse(source, nullptr));
  EXPECT_FALSE(wm->CancelDrag());
  EXPECT_TRUE(wm->IsTracking());
  Release(200, 200);
  Pump();
  EXPECT_FALSE(wm->IsTracking());
}

TEST_F(WindowManagerDragAndDrop, ATargetThatCancelsWhileAskedLeavesNoDropCursor) {
  auto* canceller = new CancellingTarget(kFramed, nullptr, "canceller");
  canceller->SetFrameRect({100, 350, 300, 550});
  ASSERT_TRUE(wm->BeginDrag(source, new Payload(&payload_destroyed), nullptr));
  Move(200, 450);
  Pump();
  EXPECT_EQ(canceller->drop_queries, 1);
  EXPECT_FALSE(wm->IsDragging());
  EXPECT_TRUE(payload_destroyed);
  EXPECT_EQ(platform.cursor, Cursor::Arrow);
  Release(200, 450);
  Pump();
  EXPECT_EQ(canceller->drops, 0);
}

// ---------------------------------------------------------------------------------------

class WindowManagerCascade : public WmTest {};

TEST_F(WindowManagerCascade, PositionsStepBy48AndStartOverNearTheScreenEdge) {
  wm->ResizeScreen(1200, 1000);
  // 64 + 48 * n stays usable while the counter + 560 fits into the height of 1000.
  for (int n = 0; n < 10; ++n) {
    EXPECT_EQ(wm->NextCascadePosition(), (Point{64 + 48 * n, 64 + 48 * n})) << n;
  }
  EXPECT_EQ(wm->NextCascadePosition(), (Point{64, 64}));
  EXPECT_EQ(wm->NextCascadePosition(), (Point{112, 112}));

  // A narrow screen starts over sooner, by its width.
  wm->ResizeScreen(700, 2000);
  EXPECT_EQ(wm->NextCascadePosition(), (Point{160, 160}));
  EXPECT_EQ(wm->NextCascadePosition(), (Point{64, 64}));
}

// ---------------------------------------------------------------------------------------

int g_quit_checks = 0;
bool RefusingQuitCheck() {
  ++g_quit_checks;
  return false;
}

class WindowManagerGlobalKeys : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    g_quit_checks = 0;
    wm->SetQuitCheck(&RefusingQuitCheck);
  }
  void WithModifier(int modifier, int key) {
    Key(modifier, true);
    Tap(key);
    Key(modifier, false);
  }
};

TEST_F(WindowManagerGlobalKeys, AltF4QueuesACloseRequest) {
  ProbeWindow* probe = Frame({100, 100, 300, 300});
  Window::SetFocus(probe, 0);
  Tap(Key::F4);
  Pump();
  EXPECT_EQ(g_quit_checks, 0);
  EXPECT_TRUE(SawKeyPress(probe, Key::F4));
  WithModifier(Key::Alt, Key::F4);
  Pump();
  EXPECT_EQ(g_quit_checks, 1);
  EXPECT_TRUE(wm->IsRunning());

  wm->SetQuitCheck(nullptr);  // nothing to ask: the close request ends the main loop
  WithModifier(Key::Alt, Key::F4);
  Pump();
  EXPECT_FALSE(wm->IsRunning());
}

TEST_F(WindowManagerGlobalKeys, ControlF1TogglesTheDebugOverlay) {
  ProbeWindow* probe = Frame({100, 100, 300, 300});
  Window::SetFocus(probe, 0);
  Tap(Key::F1);
  Pump();
  EXPECT_FALSE(wm->DebugOverlay());
  WithModifier(Key::Control, Key::F1);
  Pump();
  EXPECT_TRUE(wm->DebugOverlay());
  int f1_presses = 0;
  for (const InputEvent& e : probe->keys) f1_presses += e.a == Key::F1 && e.b == 1;
  EXPECT_EQ(f1_presses, 1) << "the toggle is not passed on";
  WithModifier(Key::Control, Key::F1);
  Pump();
  EXPECT_FALSE(wm->DebugOverlay());
}

TEST_F(WindowManagerGlobalKeys, F11CyclesThroughTheTopLevelWindows) {
  ProbeWindow* a = Frame({10, 10, 200, 200});
  ProbeWindow* b = Frame({20, 20, 210, 210});
  ProbeWindow* c = Frame({30, 30, 220, 220});  // order: c, b, a
  auto* control = Place<ProbeWindow>({5, 5, 50, 25}, 0, c);
  Window::SetFocus(control, 0);
  Tap(Key::F11);
  Pump();
  EXPECT_EQ(wm->Focus(), b);
  EXPECT_EQ(wm->Layer0()->FirstChild(), b);
  EXPECT_EQ(wm->Layer0()->LastChild(), c);
  Tap(Key::F11);
  Pump();
  EXPECT_EQ(wm->Focus(), a);
  EXPECT_EQ(wm->Layer0()->FirstChild(), a);
  EXPECT_EQ(wm->Layer0()->LastChild(), b);
  Tap(Key::F11);
  Pump();
  EXPECT_EQ(wm->Focus(), control) << "c comes back with its remembered focus";
}

// ---------------------------------------------------------------------------------------

class WindowManagerHover : public WmTest {};

TEST_F(WindowManagerHover, TheOldHoverWindowIsToldThatThePointerLeft) {
  auto* a = Place<FrameProbe>({100, 100, 300, 300}, kFramed, nullptr);
  auto* b = Place<FrameProbe>({400, 100, 600, 300}, kFramed, nullptr);
  Move(200, 200);
  Pump();
  EXPECT_EQ(wm->Hover(), a);
  Move(500, 200);
  Pump();
  EXPECT_EQ(wm->Hover(), b);
  EXPECT_EQ(a->leaves, 1);
  EXPECT_EQ(a->frame_leaves, 0);

  Move(500, CaptionY(100));  // same window, other part
  Pump();
  EXPECT_EQ(b->leaves, 1);
  Move(200, CaptionY(100));
  Pump();
  EXPECT_EQ(b->frame_leaves, 1);
  EXPECT_EQ(b->leaves, 1);
  Move(210, CaptionY(100));  // nothing changed
  Pump();
  EXPECT_EQ(a->leaves + a->frame_leaves, 1);
}

TEST_F(WindowManagerHover, EdgesOfResizableWindowsShowSizeCursors) {
  ProbeWindow* w = Frame({100, 100, 400, 300}, kResizableFrame);
  w->SetClientCursor(Cursor::TextBeam);
  struct Case {
    Point p;
    int32_t cursor;
  };
  const Case cases[] = {
      {{100, 200}, Cursor::SizeHorizontal},   {{250, 250}, Cursor::TextBeam},
      {{399, 200}, Cursor::SizeHorizontal},   {{250, 100}, Cursor::SizeVertical},
      {{250, 299}, Cursor::SizeVertical},     {{100, 100}, Cursor::SizeDiagonalDown},
      {{399, 299}, Cursor::SizeDiagonalDown}, {{399, 100}, Cursor::SizeDiagonalUp},
      {{100, 299}, Cursor::SizeDiagonalUp},   {{250, CaptionY(100)}, Cursor::Arrow},
  };
  for (const Case& c : cases) {
    Move(c.p.x, c.p.y);
    Pump();
    EXPECT_EQ(platform.cursor, c.cursor) << c.p.x << "," << c.p.y;
  }
}

TEST_F(WindowManagerHover, FixedSizeAndMaximisedWindowsShowNoSizeCursors) {
  ProbeWindow* fixed = Frame({100, 100, 400, 300});
  fixed->SetClientCursor(Cursor::Cross);
  Move(250, 250);
  Pump();
  ASSERT_EQ(platform.cursor, Cursor::Cross);
  Move(100, 200);
  Pump();
  EXPECT_EQ(wm->HoverPart(), Part::LeftEdge);
  EXPECT_EQ(platform.cursor, Cursor::Arrow);

  ProbeWindow* maximised = Frame({100, 100, 400, 300}, kResizableFrame);
  maximised->SetShowState(kShowMaximized);
  Move(0, 300);
  Pump();
  EXPECT_EQ(wm->HoverPart(), Part::LeftEdge);
  EXPECT_EQ(platform.cursor, Cursor::Arrow);
}

TEST_F(WindowManagerHover, OutsideTheModalWindowTheCursorIsTheArrow) {
  ProbeWindow* modal = Frame({100, 100, 300, 300});
  modal->SetClientCursor(Cursor::Cross);
  ProbeWindow* outside = Frame({400, 100, 600, 300});
  outside->SetClientCursor(Cursor::TextBeam);
  Move(500, 200);
  Pump();
  ASSERT_EQ(platform.cursor, Cursor::TextBeam);
  int32_t inside_cursor = -1;
  int32_t outside_cursor = -1;
  Window* outside_hover = outside;
  platform.Then([modal](FakePlatform& p) { return p.wm->TopModalWindow() == modal; });
  platform.Then([this](FakePlatform&) {
    Move(200, 200);
    return true;
  });
  platform.Then([&](FakePlatform& p) {
    inside_cursor = p.cursor;
    Move(500, 210);
    return true;
  });
  platform.Then([&](FakePlatform& p) {
    outside_cursor = p.cursor;
    outside_hover = p.wm->Hover();
    p.wm->EndModal(modal, 0);
    return true;
  });
  wm->RunModal(modal, 0);
  EXPECT_EQ(inside_cursor, Cursor::Cross);
  EXPECT_EQ(outside_cursor, Cursor::Arrow);
  EXPECT_EQ(outside_hover, nullptr);
}

// ---------------------------------------------------------------------------------------

// Two windows side by side; B, created last, is in front with the focus in a control.
class WindowManagerActiveLook : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    a = Frame({20, 40, 380, 300}, kFramed, "A");
    b = Frame({420, 40, 780, 300}, kFramed, "B");
    auto* control = new ProbeWindow(0, b);
    control->SetFrameRect({20, 20, 120, 44});
    Window::SetFocus(control, 0);
    Pump();
    renderer.Forget();
  }
  // Whether partial redraws since the last look covered the window's title bar.
  bool TitleBarRedrawn(const Window* w) {
    EXPECT_EQ(renderer.full_frames, 0) << "a full redraw proves nothing";
    const bool redrawn = renderer.Redrew(w->TitleBarRect());
    renderer.Forget();
    return redrawn;
  }
  ProbeWindow* a = nullptr;
  ProbeWindow* b = nullptr;
};

TEST_F(WindowManagerActiveLook, TheWindowLeftBehindByAClickHasItsTitleBarRedrawn) {
  Click(200, 200);
  Pump();
  ASSERT_EQ(wm->Layer0()->FirstChild(), a);
  EXPECT_TRUE(TitleBarRedrawn(b));
}

TEST_F(WindowManagerActiveLook, AWindowOpenedInFrontRedrawsTheTitleBarOfTheFormerFront) {
  Frame({200, 340, 600, 560});
  Pump();
  EXPECT_TRUE(TitleBarRedrawn(b));
}

TEST_F(WindowManagerActiveLook, HidingAndShowingTheFrontWindowMovesTheLookWithoutReordering) {
  Window::SetFocus(a, 0);  // B keeps the front
  Pump();
  renderer.Forget();
  b->Hide();
  Pump();
  EXPECT_TRUE(TitleBarRedrawn(a)) << "now the topmost window shown";
  b->Show();
  Pump();
  EXPECT_TRUE(TitleBarRedrawn(a));
  EXPECT_EQ(wm->Layer0()->FirstChild(), b);
}

// ---------------------------------------------------------------------------------------

// A frame holding three controls; created last, `third` is the topmost sibling.
class WindowManagerHiding : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    frame = Frame({100, 100, 500, 400});
    for (ProbeWindow*& c : controls) {
      c = new ProbeWindow(0, frame);
      c->SetFrameRect({10, 10, 100, 30});
    }
  }
  std::vector<Window*> Order() const {
    std::vector<Window*> order;
    for (Window* c = frame->FirstChild(); c; c = c->NextSibling()) order.push_back(c);
    return order;
  }
  void ExpectKeyReaches(ProbeWindow* w) {
    Tap('K');
    Pump();
    EXPECT_TRUE(SawKeyPress(w, 'K'));
  }
  ProbeWindow* frame = nullptr;
  std::array<ProbeWindow*, 3> controls{};
};

TEST_F(WindowManagerHiding, AControlWithoutTheFocusGoesWithoutMovingFocusOrOrder) {
  const auto [first, second, third] = controls;
  Window::SetFocus(first, 0);
  third->Hide();
  EXPECT_EQ(wm->Focus(), first);
  EXPECT_EQ(Order(), (std::vector<Window*>{third, second, first}));
  ExpectKeyReaches(first);
}

TEST_F(WindowManagerHiding, TheFocusedControlHandsTheFocusToItsNextVisibleSiblingInPlace) {
  const auto [first, second, third] = controls;
  second->Hide();
  Window::SetFocus(third, 0);
  third->Hide();
  EXPECT_EQ(wm->Focus(), first);
  EXPECT_EQ(Order(), (std::vector<Window*>{third, second, first}));
  ExpectKeyReaches(first);

  // With no visible sibling after it, the nearest one before it takes the focus.
  third->Show();
  first->Hide();
  EXPECT_EQ(wm->Focus(), third);
}

TEST_F(WindowManagerHiding, APanelHoldingTheFocusInsideHandsItOn) {
  const auto [first, second, panel] = controls;
  auto* field = new ProbeWindow(0, panel);
  field->SetFrameRect({0, 0, 20, 10});
  Window::SetFocus(field, 0);
  panel->Hide();
  EXPECT_EQ(wm->Focus(), second);
  EXPECT_EQ(Order(), (std::vector<Window*>{panel, second, first}));
  ExpectKeyReaches(second);
}

TEST_F(WindowManagerHiding, TheFocusedFrontWindowHandsTheFocusOnButKeepsItsPlace) {
  ProbeWindow* other = Frame({600, 100, 700, 200});
  wm->SendToBack(other);
  Window::SetFocus(controls[0], 0);
  frame->Hide();
  EXPECT_EQ(wm->Focus(), other);
  EXPECT_EQ(wm->Layer0()->FirstChild(), frame);
  ExpectKeyReaches(other);
}

}  // namespace
