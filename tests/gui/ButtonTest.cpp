#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/Button.h"
#include "gui/CheckBox.h"
#include "gui/ColorButton.h"
#include "gui/Skin.h"
#include "support/WmHarness.h"

namespace {

class ClickLog : public has_slots<void> {
 public:
  void OnClicked(intptr_t) {
    ++clicks;
    order += 'c';
  }
  void OnClickedWithId(intptr_t id) {
    ids.push_back(id);
    order += 'i';
  }
  int clicks = 0;
  std::vector<intptr_t> ids;
  std::string order;  // 'i' clicked with id, 'c' clicked
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

TEST_F(CheckBoxToggle, TwoQuickClicksToggleTwice) {
  CheckBox* box = Add<CheckBox>(3);
  const Point c = Centre(box);
  Click(c.x, c.y);
  Pump();
  // Within the double-click time the second press arrives as a double click.
  Move(c.x, c.y);
  wm->QueueEvent({c.x, c.y, 0, 0, 0, 1, kEventDoubleClick});
  Release(c.x, c.y);
  Pump();
  EXPECT_EQ(box->GetState(), Button::kUp);
  EXPECT_EQ(log.clicks, 2);
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

TEST_F(ButtonKeyboard, ACheckBoxIgnoresOtherKeysWhilePressed) {
  CheckBox* box = Add<CheckBox>(5);
  Key(Key::Enter, true);
  Tap('X');
  Pump();
  EXPECT_EQ(box->GetState(), Button::kPressedOff);
  Key(Key::Enter, false);
  Pump();
  EXPECT_EQ(box->GetState(), Button::kOn);
  EXPECT_EQ(log.order, "ic");
}

class ButtonSetState : public ButtonFixture {};

TEST_F(ButtonSetState, OnlyClickStatesEmitAndSilentNeverDoes) {
  Button* button = Add<Button>(7);
  CheckBox* box = Add<CheckBox>(8);
  box->SetState(Button::kOn, true);
  EXPECT_EQ(box->GetState(), Button::kOn);
  box->SetState(Button::kUp, true);
  box->SetState(Button::kPressedOff, false);  // a look, not a click
  EXPECT_EQ(log.order, "");
  box->SetState(Button::kOn, false);
  box->SetState(Button::kUp, false);  // off is a click for a check box
  button->SetState(Button::kUp, false);
  EXPECT_EQ(log.ids, (std::vector<intptr_t>{8, 8}));
  button->SetState(Button::kOn, false);
  EXPECT_EQ(button->GetState(), Button::kUp) << "a push button never stays on";
  EXPECT_EQ(log.ids, (std::vector<intptr_t>{8, 8, 7}));
  EXPECT_EQ(log.order, "icicic") << "the id comes first";
  EXPECT_EQ(button->Id(), 7);
  EXPECT_EQ(button->WindowId(), 7);
  EXPECT_EQ(std::string(box->GetClassName()), "CheckBox");
  EXPECT_TRUE(box->Toggles());
  EXPECT_FALSE(button->Toggles());
}

TEST_F(ButtonSetState, TheLabelIsTheTitleAndTheTwoArgumentFormTakesItLater) {
  auto* button = new Button(frame, 4);
  EXPECT_EQ(button->GetTitle(), nullptr);
  button->SetTitle("Apply");
  EXPECT_STREQ(button->GetTitle(), "Apply");
  auto* box = new CheckBox(frame, 5);
  EXPECT_EQ(box->Id(), 5);
  EXPECT_TRUE(box->Toggles());
}

TEST_F(ButtonSetState, SizeToFitFollowsTheLabelAndTheSkin) {
  auto* button = new Button(frame, "A label that is rather long", 1);
  button->SizeToFit();
  const int32_t w = button->FrameRect().Width();
  EXPECT_EQ(w % 16, 0);
  EXPECT_GE(w, Button::MinimumSize().width + 28 - 15);
  Size framed;
  button->FrameSizeForClient(framed, {10, 10});
  EXPECT_EQ(framed.width, 10 + Button::MinimumSize().width);
  EXPECT_EQ(Button::MinimumSize().width, CurrentSkin().ImageSize(kSkinButtonLeft).width + 24 +
                                             CurrentSkin().ImageSize(kSkinButtonRight).width);
}

class CheckBoxMouse : public ButtonFixture {};

// Every way a mouse press on a check box can end, from off and from on: only a release inside
// toggles and emits; leaving shows the old state without emitting, coming back shows pressed.
TEST_F(CheckBoxMouse, OnlyAReleaseInsideToggles) {
  CheckBox* box = Add<CheckBox>(3);
  const Point c = Centre(box);
  const Point away = {c.x + 200, c.y};
  for (const int32_t from : {Button::kUp, Button::kOn}) {
    box->SetState(from, true);
    const int32_t pressed = from == Button::kOn ? Button::kPressedOn : Button::kPressedOff;
    const int32_t toggled = from == Button::kOn ? Button::kUp : Button::kOn;
    // Dragged out and released there.
    Press(c.x, c.y);
    Move(away.x, away.y);
    Pump();
    EXPECT_EQ(box->GetState(), from) << from;
    Release(away.x, away.y);
    Pump();
    EXPECT_EQ(box->GetState(), from) << from;
    EXPECT_EQ(log.order, "") << from;
    // Out, back in and released inside.
    Press(c.x, c.y);
    Move(away.x, away.y);
    Move(c.x + 3, c.y);
    Pump();
    EXPECT_EQ(box->GetState(), pressed) << from;
    EXPECT_EQ(log.order, "") << from;
    Release(c.x + 3, c.y);
    Pump();
    EXPECT_EQ(box->GetState(), toggled) << from;
    EXPECT_EQ(log.order, "ic") << from;
    log.order.clear();
  }
}

TEST_F(CheckBoxMouse, LosingTheFocusDuringAKeyPressEmitsNothing) {
  CheckBox* box = Add<CheckBox>(3);
  for (const int32_t from : {Button::kUp, Button::kOn}) {
    box->SetState(from, true);
    Window::SetFocus(box, 0);
    Key(' ', true);
    Pump();
    Window::SetFocus(other, 0);
    EXPECT_EQ(box->GetState(), from);
    Window::SetFocus(box, 0);
    Key(' ', false);  // the press was abandoned: this release is no click
    Pump();
    EXPECT_EQ(box->GetState(), from);
  }
  EXPECT_EQ(log.order, "");
}

TEST_F(CheckBoxMouse, ADisabledBoxIgnoresPressesAndKeys) {
  CheckBox* box = Add<CheckBox>(3);
  box->SetEnabled(false);
  EXPECT_FALSE(box->IsEnabled());
  const Point c = Centre(box);
  Click(c.x, c.y);
  Tap(' ');
  Pump();
  EXPECT_EQ(box->GetState(), Button::kUp);
  box->SetEnabled(true);
  Click(c.x, c.y);
  Pump();
  EXPECT_EQ(box->GetState(), Button::kOn);
  EXPECT_EQ(log.order, "ic");
}

TEST_F(ButtonMouse, DraggedOutAndBackClicksOnceAndARightPressNever) {
  Button* button = Add<Button>(9);
  const Point c = Centre(button);
  Press(c.x, c.y);
  Move(c.x + 200, c.y);
  Move(c.x, c.y + 2);
  Release(c.x, c.y + 2);
  Pump();
  EXPECT_EQ(log.order, "ic");
  Click(c.x, c.y, 1);
  Pump();
  EXPECT_EQ(button->GetState(), Button::kUp);
  EXPECT_EQ(log.order, "ic");
}

class ColorLog : public has_slots<void> {
 public:
  void OnColor(intptr_t color) { colors.push_back(static_cast<Color>(color)); }
  std::vector<Color> colors;
};

class ColorButtonTest : public ButtonFixture {
 protected:
  ColorButton* AddSwatch() {
    auto* swatch = new ColorButton(frame);
    swatch->SetColor(MakeColor(200, 100, 50, 128));
    Connect<&ColorLog::OnColor>(swatch->color_changed, &color_log);
    Window::SetFocus(swatch, 0);
    return swatch;
  }
  // When the chooser is up: types into its focused red field and ends it with `key`.
  void AnswerChooser(const std::string& red, int key) {
    platform.Then([](FakePlatform& p) { return TopModalIs(*p.wm, "Choose Colour"); });
    platform.Then([this, red, key](FakePlatform&) {
      for (char ch : red) Char(static_cast<unsigned char>(ch));
      Tap(key);
      return true;
    });
  }
  ColorLog color_log;
  std::vector<Color>& colors = color_log.colors;
};

TEST_F(ColorButtonTest, AChoiceKeepsTheAlphaAndCancelChangesNothing) {
  const ColorButton* plain = new ColorButton(frame);
  EXPECT_EQ(plain->GetColor(), 0xFFFFFFFFu);
  EXPECT_EQ(plain->FrameRect().Width(), 42);
  EXPECT_EQ(plain->FrameRect().Height(), 20);
  ColorButton* swatch = AddSwatch();  // in front of the plain one
  AnswerChooser("7", Key::Enter);
  const Point c = Centre(swatch);
  Press(c.x, c.y);
  Pump(3);
  Release(c.x, c.y);
  Pump(3);
  ASSERT_EQ(colors.size(), 1u);
  EXPECT_EQ(colors[0], MakeColor(7, 100, 50, 128));
  EXPECT_EQ(swatch->GetColor(), colors[0]);

  AnswerChooser("99", Key::Escape);
  Tap(Key::Enter);
  Pump(3);
  EXPECT_EQ(colors.size(), 1u);
  EXPECT_EQ(swatch->GetColor(), MakeColor(7, 100, 50, 128));

  AnswerChooser("1", Key::Enter);
  Tap(' ');
  Pump(3);
  ASSERT_EQ(colors.size(), 2u);
  EXPECT_EQ(colors[1], MakeColor(1, 100, 50, 128));
  EXPECT_FALSE(platform.budget_exhausted);
}

TEST_F(ColorButtonTest, ADisabledSwatchOpensNothing) {
  ColorButton* swatch = AddSwatch();
  swatch->SetEnabled(false);
  const Point c = Centre(swatch);
  Click(c.x, c.y);
  Tap(' ');
  Pump(3);
  EXPECT_EQ(wm->ModalDepth(), 0);
  EXPECT_TRUE(colors.empty());
}

}  // namespace
