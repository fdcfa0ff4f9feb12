#include <gtest/gtest.h>

#include <vector>

#include "gui/Button.h"
#include "support/WmHarness.h"

namespace {

class ClickLog : public has_slots<void> {
 public:
  void OnClicked(intptr_t) { ++clicks; }
  void OnClickedWithId(intptr_t id) { ids.push_back(id); }
  int clicks = 0;
  std::vector<intptr_t> ids;
};

// A dialog-like frame holding one button (or check box) and a second control to move the
// focus to.
class ButtonFixture : public WmTest {
 protected:
  void SetUp() override {
    WmTest::SetUp();
    frame = Frame({100, 100, 400, 300});
    other = new ProbeWindow(0, frame);
    other->SetFrameRect({200, 100, 280, 124});
  }
  template <class B>
  B* Add(int32_t id) {
    auto* b = new B(frame, "OK", id);
    b->SetFrameRect({20, 20, 120, 44});
    Connect<&ClickLog::OnClicked>(b->clicked, &log);
    Connect<&ClickLog::OnClickedWithId>(b->clicked_with_id, &log);
    Window::SetFocus(b, 0);
    return b;
  }
  Point Centre(const Window* w) const {
    const Rect& r = w->FrameRect();
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  ProbeWindow* frame = nullptr;
  ProbeWindow* other = nullptr;
  ClickLog log;
};

class ButtonKeyboard : public ButtonFixture {};

TEST_F(ButtonKeyboard, SpaceOrEnterShowsPressedAndClicksOnceOnRelease) {
  Button* button = Add<Button>(42);
  int expected_clicks = 0;
  for (const int key : {static_cast<int>(' '), Key::Enter}) {
    Key(key, true);
    Key(key, true);  // held: the repeat changes nothing
    Pump();
    EXPECT_EQ(button->GetState(), Button::kPressedOff) << key;
    EXPECT_EQ(log.clicks, expected_clicks) << key;
    Key(key, false);
    Pump();
    ++expected_clicks;
    EXPECT_EQ(button->GetState(), Button::kUp) << key;
    EXPECT_EQ(log.clicks, expected_clicks) << key;
  }
  EXPECT_EQ(log.ids, (std::vector<intptr_t>{42, 42}));
}

TEST_F(ButtonKeyboard, AnotherKeyWhilePressedCancelsWithoutClicking) {
  Button* button = Add<Button>(42);
  Key(' ', true);
  Pump();
  ASSERT_EQ(button->GetState(), Button::kPressedOff);
  Tap('X');
  Pump();
  EXPECT_EQ(button->GetState(), Button::kUp);
  Key(' ', false);
  Pump();
  EXPECT_EQ(button->GetState(), Button::kUp);
  EXPECT_EQ(log.clicks, 0);
  EXPECT_TRUE(log.ids.empty());
}

TEST_F(ButtonKeyboard, ADisabledButtonIgnoresKeysAndClicks) {
  Button* button = Add<Button>(42);
  button->SetEnabled(false);
  Key(' ', true);
  Pump();
  EXPECT_EQ(button->GetState(), Button::kUp);
  Key(' ', false);
  const Point c = Centre(button);
  Press(c.x, c.y);
  Pump();
  EXPECT_EQ(button->GetState(), Button::kUp);
  Release(c.x, c.y);
  Pump();
  EXPECT_EQ(log.clicks, 0);
}

class ButtonMouse : public ButtonFixture {};

TEST_F(ButtonMouse, PressAndReleaseInsideClicksOnce) {
  Button* button = Add<Button>(9);
  const Point c = Centre(button);
  Press(c.x, c.y);
  Pump();
  EXPECT_EQ(button->GetState(), Button::kPressedOff);
  EXPECT_EQ(log.clicks, 0);
  Release(c.x + 10, c.y + 5);
  Pump();
  EXPECT_EQ(button->GetState(), Button::kUp);
  EXPECT_EQ(log.clicks, 1);
  EXPECT_EQ(log.ids, (std::vector<intptr_t>{9}));
}

TEST_F(ButtonMouse, ReleaseOutsideDoesNotClick) {
  Button* button = Add<Button>(9);
  const Point c = Centre(button);
  Press(c.x, c.y);
  Move(c.x + 200, c.y);
  Pump();
  EXPECT_EQ(button->GetState(), Button::kUp) << "shows up while the pointer is away";
  Move(c.x, c.y);
  Pump();
  EXPECT_EQ(button->GetState(), Button::kPressedOff);
  Release(c.x + 200, c.y);
  Pump();
  EXPECT_EQ(button->GetState(), Button::kUp);
  EXPECT_EQ(log.clicks, 0);
  EXPECT_TRUE(log.ids.empty());
}

class CheckBoxToggle : public ButtonFixture {};

TEST_F(CheckBoxToggle, ClicksAndSpaceTurnItOnAndOff) {
  CheckBox* box = Add<CheckBox>(3);
  const Point c = Centre(box);
  Press(c.x, c.y);
  Pump();
  EXPECT_EQ(box->GetState(), Button::kPressedOff);
  Release(c.x, c.y);
  Pump();
  EXPECT_EQ(box->GetState(), Button::kOn);
  Press(c.x, c.y);
  Pump();
  EXPECT_EQ(box->GetState(), Button::kPressedOn);
  Release(c.x, c.y);
  Pump();
  EXPECT_EQ(box->GetState(), Button::kUp);
  Tap(' ');
  Pump();
  EXPECT_EQ(box->GetState(), Button::kOn);
  Key(' ', true);
  Key(' ', true);  // held: the repeat must not lose the "was on" of the press
  Pump();
  EXPECT_EQ(box->GetState(), Button::kPressedOn);
  Key(' ', false);
  Pump();
  EXPECT_EQ(box->GetState(), Button::kUp);
  EXPECT_EQ(log.clicks, 4);
  EXPECT_EQ(log.ids, (std::vector<intptr_t>{3, 3, 3, 3}));
}

TEST_F(CheckBoxToggle, AReleaseOutsideKeepsTheState) {
  CheckBox* box = Add<CheckBox>(3);
  Tap(' ');
  Pump();
  ASSERT_EQ(box->GetState(), Button::kOn);
  const Point c = Centre(box);
  Press(c.x, c.y);
  Release(c.x + 200, c.y);
  Pump();
  EXPECT_EQ(box->GetState(), Button::kOn);
  EXPECT_EQ(log.clicks, 1);
}

class ButtonFocusLoss : public ButtonFixture {};

TEST_F(ButtonFocusLoss, LosingTheFocusWhilePressedRestoresTheStateBeforeThePress) {
  Button* button = Add<Button>(1);
  Key(' ', true);
  Pump();
  ASSERT_EQ(button->GetState(), Button::kPressedOff);
  Window::SetFocus(other, 0);
  EXPECT_EQ(button->GetState(), Button::kUp);
  Window::SetFocus(button, 0);
  Key(' ', false);
  Pump();
  EXPECT_EQ(log.clicks, 0);
}

TEST_F(ButtonFocusLoss, ACheckedBoxStaysCheckedWhenItLosesTheFocusWhilePressed) {
  CheckBox* box = Add<CheckBox>(1);
  Tap(' ');
  Key(' ', true);
  Pump();
  ASSERT_EQ(box->GetState(), Button::kPressedOn);
  Window::SetFocus(other, 0);
  EXPECT_EQ(box->GetState(), Button::kOn);
  EXPECT_EQ(log.clicks, 1);
}

}  // namespace
