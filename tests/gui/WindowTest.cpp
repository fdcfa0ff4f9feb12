#include <gtest/gtest.h>

#include <vector>

#include "gui/SkinMetrics.h"
#include "gui/Window.h"
#include "support/WmHarness.h"

namespace {

constexpr uint32_t kFramed = WindowFlag::TitleBar | WindowFlag::ThickFrame;
constexpr uint32_t kResizableFrame = WindowFlag::TitleBar | WindowFlag::Resizable;

// Landmarks of a framed window at (100, 100, 400, 300) in layer0, which starts at the top of
// the screen; computed from the skin metrics the frame itself uses.
struct Landmarks {
  Landmarks() {
    const SkinMetrics& m = CurrentSkinMetrics();
    border = m.thick_border;
    slot = m.title_button.width + 2 * m.thick_border;
    caption_y = 100 + border + m.title_bar_height / 2;
    below_bar_y = 100 + border + m.title_bar_height;  // the border strip under the title bar
    client_top = 100 + border + m.title_bar_height + border;
    min_width = 2 * border;
    min_height = client_top - 100 + border;
  }
  // The centre of the n-th title-bar slot counted from the right (0 = rightmost).
  int32_t SlotX(int n) const { return 400 - border - slot * n - slot / 2; }

  int32_t border;
  int32_t slot;
  int32_t caption_y;
  int32_t below_bar_y;
  int32_t client_top;
  int32_t min_width;
  int32_t min_height;
};

void DoubleClick(WindowManager& wm, int x, int y) {
  wm.QueueEvent({x, y, 0, 0, 0, 0, kEventMove});
  wm.QueueEvent({x, y, 0, 0, 0, 1, kEventButton});
  wm.QueueEvent({x, y, 0, 0, 0, 0, kEventButton});
  wm.QueueEvent({x, y, 0, 0, 0, 1, kEventDoubleClick});
  wm.QueueEvent({x, y, 0, 0, 0, 0, kEventButton});
}

void SetFlag(void* flag, intptr_t) {
  *static_cast<bool*>(flag) = true;
}

bool SawKeyPress(const ProbeWindow* w, int code) {
  for (const InputEvent& e : w->keys) {
    if (e.a == code && e.b == 1) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------

class WindowHitTest : public WmTest {
 protected:
  Landmarks at;
};

TEST_F(WindowHitTest, ClientCaptionOtherFramePixelsAndOutside) {
  ProbeWindow* w = Frame({100, 100, 400, 300});
  EXPECT_EQ(w->HitTest({250, 200}), Part::Client);
  EXPECT_EQ(w->HitTest({250, at.caption_y}), Part::Caption);
  // The strip between the title bar and the client area of a thick frame is no edge.
  EXPECT_EQ(w->HitTest({250, at.below_bar_y}), Part::OtherFrame);
  EXPECT_EQ(w->HitTest({99, 200}), Part::None);
  EXPECT_EQ(w->HitTest({400, 200}), Part::None);  // the right edge is exclusive
  EXPECT_EQ(w->HitTest({250, 300}), Part::None);

  ProbeWindow* thin = Frame({100, 100, 400, 300}, WindowFlag::ThinFrame);
  EXPECT_EQ(thin->HitTest({100, 200}), Part::OtherFrame);
  EXPECT_EQ(thin->HitTest({100, 100}), Part::OtherFrame);
  EXPECT_EQ(thin->HitTest({250, 200}), Part::Client);
}

TEST_F(WindowHitTest, TitleBarButtonsSitAtTheRightWithTheCloseButtonRightmost) {
  ProbeWindow* w =
      Frame({100, 100, 400, 300},
            kFramed | WindowFlag::CloseButton | WindowFlag::SecondButton | WindowFlag::ThirdButton);
  EXPECT_EQ(w->HitTest({at.SlotX(0), at.caption_y}), Part::Button1);
  EXPECT_EQ(w->HitTest({at.SlotX(1), at.caption_y}), Part::Button2);
  EXPECT_EQ(w->HitTest({at.SlotX(2), at.caption_y}), Part::Button3);
  EXPECT_EQ(w->HitTest({at.SlotX(3), at.caption_y}), Part::Caption);
}

TEST_F(WindowHitTest, AButtonsSlotCountsOnlyTheEnabledButtonsToItsRight) {
  ProbeWindow* w =
      Frame({100, 100, 400, 300}, kFramed | WindowFlag::CloseButton | WindowFlag::ThirdButton);
  EXPECT_EQ(w->HitTest({at.SlotX(0), at.caption_y}), Part::Button1);
  EXPECT_EQ(w->HitTest({at.SlotX(1), at.caption_y}), Part::Button3);
  EXPECT_EQ(w->HitTest({at.SlotX(2), at.caption_y}), Part::Caption);

  ProbeWindow* no_close = Frame({100, 100, 400, 300}, kFramed | WindowFlag::SecondButton);
  EXPECT_EQ(no_close->HitTest({at.SlotX(0), at.caption_y}), Part::Button2);
  EXPECT_EQ(no_close->HitTest({at.SlotX(1), at.caption_y}), Part::Caption);
}

TEST_F(WindowHitTest, ThickFrameEdgesAndCorners) {
  ProbeWindow* w = Frame({100, 100, 400, 300});
  const int32_t inner = at.border - 1;  // the last pixel of the border
  EXPECT_EQ(w->HitTest({100, 200}), Part::LeftEdge);
  EXPECT_EQ(w->HitTest({100 + inner, 200}), Part::LeftEdge);
  EXPECT_EQ(w->HitTest({250, 100}), Part::TopEdge);
  EXPECT_EQ(w->HitTest({399, 200}), Part::RightEdge);
  EXPECT_EQ(w->HitTest({400 - at.border, 200}), Part::RightEdge);
  EXPECT_EQ(w->HitTest({250, 299}), Part::BottomEdge);
  EXPECT_EQ(w->HitTest({100, 100}), 12u);
  EXPECT_EQ(w->HitTest({399, 100}), 24u);
  EXPECT_EQ(w->HitTest({100, 299}), 36u);
  EXPECT_EQ(w->HitTest({399, 299}), 48u);
}

// ---------------------------------------------------------------------------------------

class WindowConstrainFrame : public WmTest {
 protected:
  Rect Constrain(const Window* w, const Rect& old_frame, const Rect& proposed) {
    Rect out;
    w->ConstrainFrame(old_frame, proposed, out);
    return out;
  }
  Landmarks at;
};

TEST_F(WindowConstrainFrame, TooNarrowKeepsTheEdgeThatDidNotMove) {
  ProbeWindow* w = Frame({100, 100, 400, 300});
  EXPECT_EQ(Constrain(w, {100, 100, 400, 300}, {399, 100, 400, 300}),
            (Rect{400 - at.min_width, 100, 400, 300}));
  EXPECT_EQ(Constrain(w, {100, 100, 400, 300}, {100, 100, 90, 300}),
            (Rect{100, 100, 100 + at.min_width, 300}));
}

TEST_F(WindowConstrainFrame, TooNarrowWithBothEdgesMovedKeepsTheLeftEdge) {
  ProbeWindow* w = Frame({100, 100, 400, 300});
  const Rect out = Constrain(w, {100, 100, 400, 300}, {50, 100, 51, 300});
  EXPECT_EQ(out, (Rect{50, 100, 50 + at.min_width, 300}));
}

TEST_F(WindowConstrainFrame, TooShortAfterMovingTheTopEdgeKeepsTheBottomEdge) {
  ProbeWindow* w = Frame({100, 100, 400, 300});
  EXPECT_EQ(Constrain(w, {100, 100, 400, 300}, {100, 290, 400, 300}),
            (Rect{100, 300 - at.min_height, 400, 300}));
  EXPECT_EQ(Constrain(w, {100, 100, 400, 300}, {100, 100, 400, 101}),
            (Rect{100, 100, 400, 100 + at.min_height}));
}

TEST_F(WindowConstrainFrame, NoMinimumWhileCollapsed) {
  ProbeWindow* w = Frame({100, 100, 400, 300});
  w->SetShowState(kShowCollapsed);
  const Rect proposed{100, 100, 101, 101};
  EXPECT_EQ(Constrain(w, w->FrameRect(), proposed), proposed);
}

// ---------------------------------------------------------------------------------------

class WindowGeometry : public WmTest {};

TEST_F(WindowGeometry, FrameSizeForClientAndFrameToClientAgree) {
  struct Style {
    uint32_t flags;
    uint32_t sides;
  };
  const Style styles[] = {
      {0, FrameSide::All},
      {WindowFlag::ThinFrame, FrameSide::All},
      {WindowFlag::ThickFrame, FrameSide::All},
      {kFramed, FrameSide::All},
      {WindowFlag::TitleBar | WindowFlag::ThinFrame, FrameSide::All},
      {kFramed, FrameSide::Left | FrameSide::Bottom},
      {WindowFlag::ThickFrame, FrameSide::Top | FrameSide::Right},
  };
  for (const Style& style : styles) {
    ProbeWindow* w = Frame({0, 0, 10, 10}, style.flags);
    w->SetFrameSides(style.sides);
    Size frame_size;
    w->FrameSizeForClient(frame_size, {200, 120});
    w->SetFrameRect({30, 40, 30 + frame_size.width, 40 + frame_size.height});
    EXPECT_EQ(w->ClientRect().Width(), 200) << "flags " << style.flags << " sides " << style.sides;
    EXPECT_EQ(w->ClientRect().Height(), 120) << "flags " << style.flags << " sides " << style.sides;
    EXPECT_TRUE(w->FrameRect().Contains(w->ClientRect()));
  }
}

TEST_F(WindowGeometry, WideAllowanceAddsSixtyFourEachWayInsteadOfTheTitleBar) {
  const SkinMetrics& m = CurrentSkinMetrics();
  ProbeWindow* wide = Frame({0, 0, 10, 10}, kFramed | WindowFlag::WideAllowance);
  Size s;
  wide->FrameSizeForClient(s, {100, 50});
  EXPECT_EQ(s, (Size{100 + 64 + 2 * m.thick_border, 50 + 64 + 2 * m.thick_border}));
}

TEST_F(WindowGeometry, SetFrameRectMovesChildrenAndGrandchildren) {
  ProbeWindow* parent = Frame({100, 100, 400, 300});
  auto* child = new ProbeWindow(0, parent);
  child->SetFrameRect({10, 20, 110, 80});
  auto* grandchild = new ProbeWindow(0, child);
  grandchild->SetFrameRect({5, 5, 15, 15});
  const Rect child_frame = child->FrameRect();
  const Rect grandchild_frame = grandchild->FrameRect();
  EXPECT_EQ(child_frame.left, parent->ClientRect().left + 10);
  EXPECT_EQ(child_frame.top, parent->ClientRect().top + 20);

  parent->SetFrameRect({150, 130, 450, 330});
  EXPECT_EQ(child->FrameRect(), child_frame.Offset(50, 30));
  EXPECT_EQ(grandchild->FrameRect(), grandchild_frame.Offset(50, 30));
  EXPECT_EQ(child->FrameRectInParent(), (Rect{10, 20, 110, 80}));
}

// ---------------------------------------------------------------------------------------

class WindowShowState : public WmTest {
 protected:
  Landmarks at;
};

TEST_F(WindowShowState, CollapsedWindowIsThirtyHighAndHidesItsChildrenFromHitTesting) {
  ProbeWindow* w = Frame({100, 100, 400, 300});
  auto* child = new ProbeWindow(0, w);
  child->SetFrameRect({0, 0, 100, 50});
  const Point on_child{child->FrameRect().left + 5, child->FrameRect().top + 5};
  Move(on_child.x, on_child.y);
  Pump();
  ASSERT_EQ(wm->Hover(), child);

  w->SetShowState(kShowCollapsed);
  EXPECT_EQ(w->FrameRect(), (Rect{100, 100, 400, 100 + kCollapsedHeight}));
  Move(on_child.x, on_child.y + 1);
  Pump();
  EXPECT_NE(wm->Hover(), child);
  Move(250, at.caption_y);
  Pump();
  EXPECT_EQ(wm->Hover(), w);

  // Moved and narrowed while collapsed, then expanded: the new place with the size from before.
  w->SetFrameRect({120, 110, 380, 110 + kCollapsedHeight});
  w->ToggleCollapse();
  EXPECT_EQ(w->GetShowState(), kShowNormal);
  EXPECT_EQ(w->FrameRect(), (Rect{120, 110, 420, 310}));
}

TEST_F(WindowShowState, CaptionDoubleClickMaximisesAndAgainRestoresThePreviousRectangle) {
  ProbeWindow* w = Frame({100, 100, 400, 300}, kResizableFrame);
  DoubleClick(*wm, 250, at.caption_y);
  Pump();
  EXPECT_EQ(w->GetShowState(), kShowMaximized);
  EXPECT_EQ(w->FrameRect(), wm->Layer0()->ClientRect());

  // The caption of the maximised window is now at the top of the screen; it does not drag.
  const int32_t caption_y = at.caption_y - 100;
  Press(250, caption_y);
  Release(300, 200);
  Pump();
  EXPECT_EQ(w->FrameRect(), wm->Layer0()->ClientRect());

  DoubleClick(*wm, 250, caption_y);
  Pump();
  EXPECT_EQ(w->GetShowState(), kShowNormal);
  EXPECT_EQ(w->FrameRect(), (Rect{100, 100, 400, 300}));
}

TEST_F(WindowShowState, CaptionDoubleClickExpandsButNeverMaximisesAFixedSizeWindow) {
  ProbeWindow* w = Frame({100, 100, 400, 300});
  w->SetShowState(kShowCollapsed);
  DoubleClick(*wm, 250, at.caption_y);
  Pump();
  EXPECT_EQ(w->GetShowState(), kShowNormal);
  EXPECT_EQ(w->FrameRect(), (Rect{100, 100, 400, 300}));
  DoubleClick(*wm, 250, at.caption_y);
  Pump();
  EXPECT_EQ(w->GetShowState(), kShowNormal);
  EXPECT_EQ(w->FrameRect(), (Rect{100, 100, 400, 300}));
}

// ---------------------------------------------------------------------------------------

class WindowCloseKeys : public WmTest {
 protected:
  void ControlTap(int key) {
    Key(Key::Control, true);
    Tap(key);
    Key(Key::Control, false);
  }
};

TEST_F(WindowCloseKeys, ControlWOrControlF4OnAChildClosesTheFrameWindow) {
  for (const int key : {static_cast<int>('W'), Key::F4}) {
    ProbeWindow* frame = Frame({100, 100, 400, 300}, kFramed | WindowFlag::CloseButton);
    auto* child = new ProbeWindow(0, frame);
    child->SetFrameRect({10, 10, 60, 30});
    Window::SetFocus(child, 0);
    bool closed = false;
    Connect(frame->closed, &SetFlag, &closed);
    ControlTap(key);
    Pump();
    EXPECT_TRUE(closed) << key;
    EXPECT_EQ(wm->Layer0()->ChildCount(), 0) << key;
  }

  // Without the close flag they are ordinary keys.
  ProbeWindow* plain = Frame({100, 100, 400, 300});
  Window::SetFocus(plain, 0);
  ControlTap('W');
  Pump();
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1);
  EXPECT_TRUE(SawKeyPress(plain, 'W'));
}

TEST_F(WindowCloseKeys, NotWhileAModalDialogOfTheFrameIsOpen) {
  ProbeWindow* frame = Frame({100, 100, 400, 300}, kFramed | WindowFlag::CloseButton);
  auto* dialog = new ProbeWindow(kFramed, frame);
  dialog->SetFrameRect({10, 10, 200, 150});
  int frames_during_loop = -1;
  platform.Then([dialog](FakePlatform& p) { return p.wm->TopModalWindow() == dialog; });
  platform.Then([this](FakePlatform&) {
    ControlTap('W');
    return true;
  });
  platform.Then([&, dialog](FakePlatform& p) {
    frames_during_loop = p.wm->Layer0()->ChildCount();
    p.wm->EndModal(dialog, 0);
    return true;
  });
  wm->RunModal(dialog, 0);
  EXPECT_EQ(frames_during_loop, 1);
  EXPECT_EQ(frame->GetShowState(), kShowNormal);
  EXPECT_TRUE(SawKeyPress(dialog, 'W'));

  // Once the loop is over the same keys close the frame.
  ControlTap('W');
  Pump();
  EXPECT_EQ(wm->Layer0()->ChildCount(), 0);
}

// ---------------------------------------------------------------------------------------

class WindowFocus : public WmTest {
 protected:
  Landmarks at;
};

TEST_F(WindowFocus, DestroyingTheFocusWindowFocusesTheNextVisibleSibling) {
  ProbeWindow* a = Frame({10, 10, 200, 200});
  ProbeWindow* hidden = Frame({20, 20, 210, 210});
  hidden->Hide();
  ProbeWindow* b = Frame({30, 30, 220, 220});
  wm->SendToBack(a);  // order: b, hidden, a
  Window::SetFocus(b, 0);
  Window::Close(b);
  Pump();
  EXPECT_EQ(wm->Focus(), a);
  EXPECT_EQ(wm->Layer0()->FirstChild(), a);

  // The same when the focus is on a control inside the closed frame.
  ProbeWindow* c = Frame({40, 40, 230, 230});
  auto* control = new ProbeWindow(0, c);
  control->SetFrameRect({10, 10, 50, 30});
  wm->SendToBack(a);  // order: c, hidden, a
  Window::SetFocus(control, 0);
  Window::Close(c);
  Pump();
  EXPECT_EQ(wm->Focus(), a);
}

TEST_F(WindowFocus, DestroyingAFocusedControlFocusesTheNextControl) {
  ProbeWindow* frame = Frame({100, 100, 400, 300});
  auto* first = new ProbeWindow(0, frame);
  auto* second = new ProbeWindow(0, frame);  // created last: topmost
  first->SetFrameRect({10, 10, 50, 30});
  second->SetFrameRect({60, 10, 100, 30});
  Window::SetFocus(second, 0);
  Window::Close(second);
  Pump();
  EXPECT_EQ(wm->Focus(), first);
}

TEST_F(WindowFocus, FocusingATopLevelWindowGoesDownItsRememberedFocusChild) {
  ProbeWindow* frame = Frame({10, 10, 300, 300});
  auto* panel = new ProbeWindow(0, frame);
  auto* field = new ProbeWindow(0, panel);
  auto* other_field = new ProbeWindow(0, frame);
  (void)other_field;
  ProbeWindow* elsewhere = Frame({400, 10, 600, 200});
  Window::SetFocus(field, 0);
  Window::SetFocus(elsewhere, 0);
  EXPECT_EQ(frame->FocusChild(), panel);
  Window::SetFocus(frame, 0);
  EXPECT_EQ(wm->Focus(), field);

  // With 0x8000 the window takes the focus itself.
  Window::SetFocus(elsewhere, 0);
  frame->ModifyFlags(WindowFlag::TakesFocusItself, 0);
  Window::SetFocus(frame, 0);
  EXPECT_EQ(wm->Focus(), frame);
}

TEST_F(WindowFocus, AFocusProxyHoldingTheFocusCountsAsTheWindowsFocus) {
  ProbeWindow* box = Frame({100, 100, 400, 300});
  auto* editor = new ProbeWindow(0, box);
  editor->SetFrameRect({0, 0, 50, 20});
  ProbeWindow* elsewhere = Frame({500, 100, 700, 300});
  EXPECT_FALSE(box->HasFocus());
  box->SetFocusProxy(editor);
  Window::SetFocus(editor, 0);
  EXPECT_TRUE(box->HasFocus());

  // A click on the box outside the proxy leaves the focus with the proxy.
  Click(300, 250);
  Pump();
  EXPECT_EQ(wm->Focus(), editor);

  Window::SetFocus(elsewhere, 0);
  EXPECT_FALSE(box->HasFocus());
}

TEST_F(WindowFocus, OnFocusGainedCanHandTheFocusToAnotherWindow) {
  ProbeWindow* frame = Frame({100, 100, 400, 300});
  auto* target = new ProbeWindow(0, frame);
  frame->gain.redirect = target;
  Window::SetFocus(frame, 0);
  EXPECT_EQ(wm->Focus(), target);
  EXPECT_EQ(frame->focus_gained_count, 1);
  EXPECT_EQ(target->focus_gained_count, 1);
}

TEST_F(WindowFocus, AnAnswerOfOneSwallowsThePressThatGaveTheFocus) {
  ProbeWindow* swallowing = Frame({100, 100, 300, 300});
  swallowing->gain.swallow_press = true;
  ProbeWindow* plain = Frame({400, 100, 600, 300});
  Window::SetFocus(plain, 0);

  Click(200, 200);
  Pump();
  EXPECT_EQ(wm->Focus(), swallowing);
  ASSERT_EQ(swallowing->buttons.size(), 1u);
  EXPECT_EQ(swallowing->buttons[0].d, 0) << "only the release arrives";

  Click(200, 200);  // already focused: nothing to swallow
  Pump();
  EXPECT_EQ(swallowing->buttons.size(), 3u);

  Click(500, 200);
  Pump();
  EXPECT_EQ(wm->Focus(), plain);
  ASSERT_EQ(plain->buttons.size(), 2u);
  EXPECT_EQ(plain->buttons[0].d, 1);
}

class ReasonLog : public has_slots<void> {
 public:
  void OnFocusLost(intptr_t reason) { reasons.push_back(reason); }
  std::vector<intptr_t> reasons;
};

TEST_F(WindowFocus, FocusLostSignalReceivesTheReason) {
  ProbeWindow* a = Frame({100, 100, 300, 300});
  ProbeWindow* b = Frame({400, 100, 600, 300});
  ReasonLog log;
  Connect<&ReasonLog::OnFocusLost>(a->focus_lost, &log);
  Window::SetFocus(a, 0);
  Window::SetFocus(b, 7);
  Window::SetFocus(a, 0);
  Click(500, 200);  // a click focuses with reason 1
  Pump();
  EXPECT_EQ(log.reasons, (std::vector<intptr_t>{7, 1}));
  EXPECT_EQ(a->focus_lost_count, 2);
}

// ---------------------------------------------------------------------------------------

class WindowTabOrder : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    frame = Frame({100, 100, 400, 300});
    for (int i = 0; i < 3; ++i) {
      fields[i] = new ProbeWindow(0, frame);
      fields[i]->SetFrameRect({10, 10 + 30 * i, 100, 30 + 30 * i});
    }
    Window::SetTabOrder({fields[0], fields[1], fields[2]});
  }
  void ShiftTab() {
    Key(Key::Shift, true);
    Tap(Key::Tab);
    Key(Key::Shift, false);
  }
  ProbeWindow* frame = nullptr;
  ProbeWindow* fields[3] = {};
};

TEST_F(WindowTabOrder, TabMovesForwardAndShiftTabBackward) {
  Window::SetFocus(fields[0], 0);
  std::vector<Window*> seen;
  for (int i = 0; i < 3; ++i) {
    Tap(Key::Tab);
    Pump();
    seen.push_back(wm->Focus());
  }
  ShiftTab();
  Pump();
  seen.push_back(wm->Focus());
  EXPECT_EQ(seen, (std::vector<Window*>{fields[1], fields[2], fields[0], fields[2]}));
  for (ProbeWindow* f : fields) EXPECT_FALSE(SawKeyPress(f, Key::Tab)) << "Tab is no key for OnKey";
}

TEST_F(WindowTabOrder, HiddenWindowsAreSkipped) {
  fields[1]->Hide();
  Window::SetFocus(fields[0], 0);
  Tap(Key::Tab);
  Pump();
  EXPECT_EQ(wm->Focus(), fields[2]);
  ShiftTab();
  Pump();
  EXPECT_EQ(wm->Focus(), fields[0]);
}

TEST_F(WindowTabOrder, OutsideATabOrderTabIsAnOrdinaryKey) {
  auto* loose = new ProbeWindow(0, frame);
  Window::SetFocus(loose, 0);
  Tap(Key::Tab);
  Pump();
  EXPECT_EQ(wm->Focus(), loose);
  ASSERT_EQ(loose->keys.size(), 2u);
  EXPECT_EQ(loose->keys[0].a, Key::Tab);
}

// ---------------------------------------------------------------------------------------

class WindowKeyBubbling : public WmTest {};

TEST_F(WindowKeyBubbling, KeysGoUpTheAncestorsUntilOneTakesThem) {
  ProbeWindow* frame = Frame({100, 100, 400, 300});
  auto* panel = new ProbeWindow(0, frame);
  auto* field = new ProbeWindow(0, panel);
  Window::SetFocus(field, 0);
  Key('K', true);
  Pump();
  EXPECT_EQ(field->keys.size(), 1u);
  EXPECT_EQ(panel->keys.size(), 1u);
  EXPECT_EQ(frame->keys.size(), 1u);

  panel->consume_keys = true;
  Key('L', true);
  Pump();
  EXPECT_EQ(field->keys.size(), 2u);
  EXPECT_EQ(panel->keys.size(), 2u);
  EXPECT_EQ(frame->keys.size(), 1u);
}

// ---------------------------------------------------------------------------------------

class WindowFrameDrag : public WmTest {
 protected:
  Landmarks at;
};

TEST_F(WindowFrameDrag, DraggingTheCaptionMovesTheWindowByThePointerOffset) {
  ProbeWindow* w = Frame({100, 100, 400, 300});
  Press(250, at.caption_y);
  Move(270, at.caption_y + 15);
  Pump();
  EXPECT_EQ(w->FrameRect(), (Rect{120, 115, 420, 315}));
  Release(310, at.caption_y + 50);
  Pump();
  EXPECT_EQ(w->FrameRect(), (Rect{160, 150, 460, 350}));
  EXPECT_FALSE(wm->IsTracking());
  Move(0, 0);
  Pump();
  EXPECT_EQ(w->FrameRect(), (Rect{160, 150, 460, 350})) << "the drag ended with the release";
}

TEST_F(WindowFrameDrag, DraggingAnEdgeResizesAResizableWindowOnly) {
  ProbeWindow* w = Frame({100, 100, 400, 300}, kResizableFrame);
  Press(399, 200);
  Release(449, 230);
  Pump();
  EXPECT_EQ(w->FrameRect(), (Rect{100, 100, 450, 300}));

  Press(449, 299);  // bottom-right corner
  Release(429, 339);
  Pump();
  EXPECT_EQ(w->FrameRect(), (Rect{100, 100, 430, 340}));

  ProbeWindow* fixed = Frame({500, 100, 700, 300});
  Press(699, 200);
  Release(749, 200);
  Pump();
  EXPECT_EQ(fixed->FrameRect(), (Rect{500, 100, 700, 300}));
}

TEST_F(WindowFrameDrag, DraggingTheLeftEdgePastTheRightEdgeKeepsTheRightEdge) {
  ProbeWindow* w = Frame({100, 100, 400, 300}, kResizableFrame);
  Press(100, 200);
  Release(600, 200);
  Pump();
  EXPECT_EQ(w->FrameRect(), (Rect{400 - at.min_width, 100, 400, 300}));
}

TEST_F(WindowFrameDrag, TheTopEdgeCannotRiseAboveLayer0) {
  wm->SetMenuBar(nullptr, 20);
  ProbeWindow* w = Frame({100, 100, 400, 300}, kResizableFrame);  // screen top 120
  Press(250, at.caption_y + 20);
  Release(250, 0);
  Pump();
  EXPECT_EQ(w->FrameRect().top, wm->Layer0()->ClientRect().top);
  EXPECT_EQ(w->FrameRect().Height(), 200);

  Press(250, 20);  // the top edge, now at the top of layer0
  Release(250, 2);
  Pump();
  EXPECT_EQ(w->FrameRect().top, 20);
  EXPECT_EQ(w->FrameRect().Height(), 200);
}

TEST_F(WindowFrameDrag, AModalWindowMayBeDraggedUpToTheTopOfTheScreen) {
  wm->SetMenuBar(nullptr, 20);
  ProbeWindow* w = Frame({100, 100, 400, 300});
  platform.Then([w](FakePlatform& p) { return p.wm->TopModalWindow() == w; });
  platform.Then([this](FakePlatform&) {
    Press(250, at.caption_y + 20);
    Release(250, 0);
    return true;
  });
  platform.Then([w](FakePlatform& p) {
    p.wm->EndModal(w, 0);
    return true;
  });
  wm->RunModal(w, 0);
  EXPECT_EQ(w->FrameRect().top, 0);
}

// ---------------------------------------------------------------------------------------

class WindowTitleButtons : public WmTest {
 protected:
  ProbeWindow* CloseableFrame() {
    return Frame({100, 100, 400, 300}, kResizableFrame | WindowFlag::CloseButton |
                                           WindowFlag::SecondButton | WindowFlag::ThirdButton);
  }
  Landmarks at;
};

TEST_F(WindowTitleButtons, CloseButtonPressedAndReleasedOverItClosesTheWindow) {
  ProbeWindow* w = CloseableFrame();
  bool closed = false;
  Connect(w->closed, &SetFlag, &closed);
  Press(at.SlotX(0), at.caption_y);
  Pump();
  EXPECT_EQ(w->PressedTitleButton(), Part::Button1);
  EXPECT_FALSE(closed);
  Release(at.SlotX(0) + 1, at.caption_y);
  Pump();
  EXPECT_TRUE(closed);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 0);
}

TEST_F(WindowTitleButtons, ReleasingElsewhereDoesNotClose) {
  ProbeWindow* w = CloseableFrame();
  Press(at.SlotX(0), at.caption_y);
  Move(250, 200);
  Pump();
  EXPECT_EQ(w->PressedTitleButton(), 0u) << "the button looks pressed only under the pointer";
  Move(at.SlotX(0), at.caption_y);
  Pump();
  EXPECT_EQ(w->PressedTitleButton(), Part::Button1);
  Release(250, 200);
  Pump();
  EXPECT_EQ(w->close_requests, 0);
  EXPECT_EQ(w->PressedTitleButton(), 0u);
  EXPECT_EQ(wm->Layer0()->ChildCount(), 1);
}

TEST_F(WindowTitleButtons, SecondButtonMaximisesAndThirdCollapses) {
  ProbeWindow* w = CloseableFrame();
  Click(at.SlotX(2), at.caption_y);
  Pump();
  EXPECT_EQ(w->GetShowState(), kShowCollapsed);
  Click(at.SlotX(2), at.caption_y);
  Pump();
  EXPECT_EQ(w->GetShowState(), kShowNormal);
  Click(at.SlotX(1), at.caption_y);
  Pump();
  EXPECT_EQ(w->GetShowState(), kShowMaximized);
  EXPECT_EQ(w->FrameRect(), wm->Layer0()->ClientRect());
}

}  // namespace
