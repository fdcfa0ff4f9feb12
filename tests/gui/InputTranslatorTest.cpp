#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "base/CharMap.h"
#include "gui/InputTranslator.h"

namespace {

class InputTranslatorTest : public ::testing::Test {
 protected:
  InputTranslatorTest() : translator_([this](const InputEvent& e) { events_.push_back(e); }) {}

  // Returns the events produced since the last call and forgets them.
  std::vector<InputEvent> Take() { return std::exchange(events_, {}); }

  void Press(int button, double x, double y, double t) {
    translator_.OnMouseButton(button, GlfwAction::Press, x, y, t);
  }
  void Release(int button, double x, double y, double t) {
    translator_.OnMouseButton(button, GlfwAction::Release, x, y, t);
  }
  // Type of the single event the last call produced.
  int32_t LastType() {
    std::vector<InputEvent> events = Take();
    EXPECT_EQ(events.size(), 1u);
    return events.empty() ? -1 : events.back().type;
  }

  std::vector<InputEvent> events_;
  InputTranslator translator_;
};

// ---------------------------------------------------------------------------------------------
// Key codes

TEST(GlfwKeyTranslation, EveryRowOfTheKeyTable) {
  const std::pair<int, int> rows[] = {
      {GlfwKey::Space, ' '},
      {GlfwKey::Apostrophe, '\''},
      {GlfwKey::Zero, '0'},
      {GlfwKey::Nine, '9'},
      {GlfwKey::A, 'A'},
      {GlfwKey::Z, 'Z'},
      {91, '['},
      {GlfwKey::GraveAccent, '`'},
      {128, 128},
      {GlfwKey::Escape, 97},
      {GlfwKey::Tab, 113},
      {GlfwKey::Enter, 128},
      {GlfwKey::KpEnter, 128},
      {GlfwKey::Backspace, 127},
      {GlfwKey::Insert, 129},
      {GlfwKey::Home, 130},
      {GlfwKey::PageUp, 131},
      {GlfwKey::PageDown, 132},
      {GlfwKey::End, 133},
      {GlfwKey::Delete, 134},
      {GlfwKey::Up, 135},
      {GlfwKey::Down, 136},
      {GlfwKey::Left, 137},
      {GlfwKey::Right, 138},
      {GlfwKey::KpDivide, 140},
      {GlfwKey::KpMultiply, 141},
      {GlfwKey::KpSubtract, 142},
      {GlfwKey::KpAdd, 143},
      {GlfwKey::KpDecimal, 145},
      {GlfwKey::LeftShift, 117},
      {GlfwKey::RightShift, 117},
      {GlfwKey::LeftControl, 120},
      {GlfwKey::RightControl, 120},
      {GlfwKey::LeftAlt, 126},
      {GlfwKey::RightAlt, 126},
      {GlfwKey::LeftSuper, 123},
      {GlfwKey::RightSuper, 123},
  };
  for (const auto& [glfw, code] : rows) EXPECT_EQ(TranslateGlfwKey(glfw), code) << glfw;
  for (int i = 0; i < 15; ++i) EXPECT_EQ(TranslateGlfwKey(GlfwKey::F1 + i), 98 + i) << "F" << i + 1;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(TranslateGlfwKey(GlfwKey::Kp0 + i), 146 + i) << i;
}

TEST(GlfwKeyTranslation, KeysWithoutACodeAreDropped) {
  for (int key : {GlfwKey::Unknown, GlfwKey::World1, GlfwKey::World2, GlfwKey::KpEqual,
                  GlfwKey::Menu, 0, 31, 129, 255, 270, 289, 349}) {
    EXPECT_EQ(TranslateGlfwKey(key), -1) << key;
  }
  for (int key = GlfwKey::F16; key <= GlfwKey::F25; ++key) EXPECT_EQ(TranslateGlfwKey(key), -1);
  // Nothing reaches past the key-state bitmap, and sided modifier codes never reach the queue.
  for (int key = -1; key <= 1000; ++key) {
    const int code = TranslateGlfwKey(key);
    EXPECT_TRUE(code == -1 || (code >= 0 && code < kKeyCount)) << key << " -> " << code;
    EXPECT_FALSE((code >= Key::LeftShift && code <= Key::RightShift) ||
                 (code >= Key::LeftControl && code <= Key::RightControl) ||
                 (code >= Key::LeftAlt && code <= Key::RightAlt) ||
                 (code >= Key::LeftSuper && code <= Key::RightSuper))
        << key << " -> " << code;
  }
}

// ---------------------------------------------------------------------------------------------
// Key and character events

TEST_F(InputTranslatorTest, KeyPressReleaseAndRepeat) {
  translator_.OnKey(GlfwKey::A, GlfwAction::Press);
  translator_.OnKey(GlfwKey::A, GlfwAction::Repeat);
  translator_.OnKey(GlfwKey::A, GlfwAction::Release);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 3u);
  const int32_t expectedDown[] = {1, 1, 0};
  for (size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].type, kEventKey);
    EXPECT_EQ(events[i].a, 'A');
    EXPECT_EQ(events[i].b, expectedDown[i]) << i;
    EXPECT_EQ(events[i].flags, 0);
    EXPECT_EQ(events[i].mods, 0);
  }
}

TEST_F(InputTranslatorTest, KeyEventsCarryTheMergedCode) {
  translator_.OnKey(GlfwKey::RightControl, GlfwAction::Press);
  translator_.OnKey(GlfwKey::KpEnter, GlfwAction::Release);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].a, Key::Control);
  EXPECT_EQ(events[0].b, 1);
  EXPECT_EQ(events[1].a, Key::Enter);
  EXPECT_EQ(events[1].b, 0);
}

TEST_F(InputTranslatorTest, ALevelShiftKeyIsNoAltAndQueuesNothing) {
  translator_.OnKey(GlfwKey::RightAlt, GlfwAction::Press, true);
  translator_.OnKey(GlfwKey::RightAlt, GlfwAction::Release, true);
  EXPECT_TRUE(Take().empty());
  translator_.OnKey(GlfwKey::RightAlt, GlfwAction::Press);  // Alt_R on a US layout
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].a, Key::Alt);
}

TEST_F(InputTranslatorTest, DroppedKeysAndUnknownActionsQueueNothing) {
  translator_.OnKey(GlfwKey::Unknown, GlfwAction::Press);
  translator_.OnKey(GlfwKey::F16, GlfwAction::Press);
  translator_.OnKey(GlfwKey::World1, GlfwAction::Release);
  translator_.OnKey(GlfwKey::A, 3);
  translator_.OnKey(GlfwKey::A, -1);
  EXPECT_TRUE(Take().empty());
}

// The code points travel as they are: the 8-bit code depends on the Alt key's state when the
// window manager takes the event.
TEST_F(InputTranslatorTest, CharactersFrom32UpAreQueuedAsCodePoints) {
  translator_.OnCharMods(32, 0);
  translator_.OnCharMods('q', GlfwMod::Alt);
  translator_.OnCharMods(167, GlfwMod::Shift);
  translator_.OnCharMods(255, 0);
  translator_.OnCharMods(0x20AC, 0);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 5u);
  const int32_t expected[] = {32, 'q', 167, 255, 0x20AC};
  for (size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].type, kEventChar);
    EXPECT_EQ(events[i].a, expected[i]);
    EXPECT_EQ(events[i].b, 1);
    EXPECT_EQ(events[i].flags, 0);
    EXPECT_EQ(events[i].mods, 0);
  }
}

TEST_F(InputTranslatorTest, ControlCodesAndNonCharactersAreDropped) {
  translator_.OnCharMods(0, 0);
  translator_.OnCharMods(31, 0);
  translator_.OnCharMods(0x110000, 0);
  EXPECT_TRUE(Take().empty());
}

// ---------------------------------------------------------------------------------------------
// Character encoding

TEST(CharTranslation, PlainColumnKeepsPrintableAscii) {
  EXPECT_EQ(TranslateChar(32, false), 32);
  EXPECT_EQ(TranslateChar('A', false), 'A');
  EXPECT_EQ(TranslateChar('z', false), 'z');
  EXPECT_EQ(TranslateChar('~', false), '~');
  EXPECT_EQ(TranslateChar(126, false), 126);
}

TEST(CharTranslation, PlainColumnTakesOtherCharactersThroughTheCharMap) {
  const std::pair<int, int> cases[] = {
      {0xE9, 0x8E}, {0xFC, 0x9F}, {0xDF, 0xA7}, {0xF1, 0x96},   {0xA4, 0xDB}, {0xA7, 0xA4},
      {0xB1, 0xB1}, {0xC8, 0xE9}, {0xFF, 0xD8}, {0x2122, 0xAA}, {0x20AC, 0},  {0xA6, 0},
      {0x80, 0},    {0x7F, 0},    {31, 0},      {0x1F600, 0},
  };
  for (const auto& [typed, result] : cases) {
    EXPECT_EQ(TranslateChar(typed, false), result) << std::hex << typed;
  }
  // A charmap file beside the editor replaces the built-in map for typing as well.
  std::vector<uint8_t> file(kCharMapFileSize);
  for (int code = 32; code < 256; ++code) {
    const char16_t wide = code == 0xDB ? u'\u20AC' : ProgramCharMap().ToWide(code);
    file[2 * (code - 32)] = static_cast<uint8_t>(wide & 0xFF);
    file[2 * (code - 32) + 1] = static_cast<uint8_t>(wide >> 8);
  }
  ASSERT_TRUE(ProgramCharMap().LoadFromBytes(file));
  EXPECT_EQ(TranslateChar(0x20AC, false), 0xDB);
  EXPECT_EQ(TranslateChar(0xA4, false), 0);
  ProgramCharMap().Reset();
}

TEST(CharTranslation, AltColumnEntries) {
  const std::pair<int, int> cases[] = {
      {0x20, 0x20}, {0x21, 0xDA}, {0x27, 0xBE}, {0x2A, 0xA1}, {0x2F, 0xD6}, {0x30, 0xBC},
      {0x37, 0xA6}, {0x39, 0xBB}, {0x3F, 0xC0}, {0x40, 0xDB}, {0x41, 0x81}, {0x43, 0x82},
      {0x4F, 0xAF}, {0x54, 0xFF}, {0x5A, 0xFC}, {0x5F, 0xD1}, {0x60, 0x60}, {0x61, 0x8C},
      {0x65, 0xAB}, {0x6F, 0xBF}, {0x74, 0xA0}, {0x79, 0xB4}, {0x7D, 0xD5}, {0x7E, 0x60},
  };
  for (const auto& [typed, result] : cases) {
    EXPECT_EQ(TranslateChar(typed, true), result) << std::hex << typed;
  }
}

TEST(CharTranslation, AltColumnOutsidePrintableAsciiIsThePlainColumn) {
  EXPECT_EQ(TranslateChar(167, true), 164);
  EXPECT_EQ(TranslateChar(177, true), 177);
  EXPECT_EQ(TranslateChar(31, true), 0);
  EXPECT_EQ(TranslateChar(127, true), 0);
  EXPECT_EQ(TranslateChar(200, true), 0xE9);
  EXPECT_EQ(TranslateChar(255, true), 0xD8);
  EXPECT_EQ(TranslateChar(0x20AC, true), 0);
}

// ---------------------------------------------------------------------------------------------
// Mouse buttons and double clicks

TEST_F(InputTranslatorTest, ButtonEventFields) {
  Press(GlfwMouseButton::Right, 12.9, 34.2, 5.0);
  Release(GlfwMouseButton::Right, 13.0, 35.0, 5.5);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, kEventButton);
  EXPECT_EQ(events[0].a, 12);
  EXPECT_EQ(events[0].b, 34);
  EXPECT_EQ(events[0].c, 1);
  EXPECT_EQ(events[0].d, 1);
  EXPECT_EQ(events[1].type, kEventButton);
  EXPECT_EQ(events[1].a, 13);
  EXPECT_EQ(events[1].b, 35);
  EXPECT_EQ(events[1].c, 1);
  EXPECT_EQ(events[1].d, 0);
}

TEST_F(InputTranslatorTest, FirstPressIsNeverADoubleClick) {
  // The history starts empty even for a press at the origin at time 0.
  Press(GlfwMouseButton::Left, 0, 0, 0.0);
  EXPECT_EQ(LastType(), kEventButton);
}

TEST_F(InputTranslatorTest, QuickSecondPressIsADoubleClickAndAThirdIsNot) {
  Press(GlfwMouseButton::Left, 50, 60, 1.0);
  Release(GlfwMouseButton::Left, 50, 60, 1.03);
  Press(GlfwMouseButton::Left, 50, 60, 1.06);
  std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].type, kEventButton);
  EXPECT_EQ(events[1].type, kEventButton);
  EXPECT_EQ(events[2].type, kEventDoubleClick);
  EXPECT_EQ(events[2].a, 50);
  EXPECT_EQ(events[2].b, 60);
  EXPECT_EQ(events[2].c, 0);
  EXPECT_EQ(events[2].d, 1);

  // Within the interval of the previous event, but too soon after the double click.
  Release(GlfwMouseButton::Left, 50, 60, 1.16);
  Press(GlfwMouseButton::Left, 50, 60, 1.26);
  events = Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, kEventButton);
  EXPECT_EQ(events[0].d, 0);
  EXPECT_EQ(events[1].type, kEventButton);
  EXPECT_EQ(events[1].d, 1);
}

TEST_F(InputTranslatorTest, ReleaseIsNeverADoubleClick) {
  Press(GlfwMouseButton::Left, 5, 5, 2.0);
  Release(GlfwMouseButton::Left, 5, 5, 2.01);
  Press(GlfwMouseButton::Left, 5, 5, 2.02);
  Take();
  Release(GlfwMouseButton::Left, 5, 5, 2.5);
  Release(GlfwMouseButton::Left, 5, 5, 2.51);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, kEventButton);
  EXPECT_EQ(events[1].type, kEventButton);
}

TEST_F(InputTranslatorTest, DoubleClickPairsWithTheReleaseNotThePress) {
  // The press is long past, but the release right before the second press counts.
  Press(GlfwMouseButton::Left, 5, 5, 1.0);
  Release(GlfwMouseButton::Left, 5, 5, 3.0);
  Take();
  Press(GlfwMouseButton::Left, 5, 5, 3.1);
  EXPECT_EQ(LastType(), kEventDoubleClick);
}

TEST_F(InputTranslatorTest, MovedPointerPreventsADoubleClick) {
  Press(GlfwMouseButton::Left, 10, 10, 1.0);
  Release(GlfwMouseButton::Left, 10, 10, 1.05);
  Take();
  Press(GlfwMouseButton::Left, 11, 10, 1.1);
  EXPECT_EQ(LastType(), kEventButton);
  Release(GlfwMouseButton::Left, 11, 10, 1.15);
  Take();
  Press(GlfwMouseButton::Left, 11, 9, 1.2);
  EXPECT_EQ(LastType(), kEventButton);
}

TEST_F(InputTranslatorTest, PositionsAreComparedAfterTruncation) {
  Press(GlfwMouseButton::Left, 10.2, 20.9, 1.0);
  Release(GlfwMouseButton::Left, 10.2, 20.9, 1.05);
  Take();
  Press(GlfwMouseButton::Left, 10.8, 20.1, 1.1);
  EXPECT_EQ(LastType(), kEventDoubleClick);
}

TEST_F(InputTranslatorTest, OtherButtonPreventsADoubleClick) {
  Press(GlfwMouseButton::Left, 10, 10, 1.0);
  Release(GlfwMouseButton::Left, 10, 10, 1.05);
  Take();
  Press(GlfwMouseButton::Right, 10, 10, 1.1);
  EXPECT_EQ(LastType(), kEventButton);
  // The right-button press is now the previous event, so a quick left press does not pair
  // with the earlier left release either.
  Press(GlfwMouseButton::Left, 10, 10, 1.15);
  EXPECT_EQ(LastType(), kEventButton);
}

TEST_F(InputTranslatorTest, MiddleButtonDoubleClicks) {
  Press(GlfwMouseButton::Middle, 3, 4, 7.0);
  Release(GlfwMouseButton::Middle, 3, 4, 7.05);
  Press(GlfwMouseButton::Middle, 3, 4, 7.1);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[2].type, kEventDoubleClick);
  EXPECT_EQ(events[2].c, 2);
}

TEST_F(InputTranslatorTest, DoubleClickIntervalIsExclusive) {
  Press(GlfwMouseButton::Left, 1, 1, 0.5);
  Release(GlfwMouseButton::Left, 1, 1, 1.0);
  Take();
  Press(GlfwMouseButton::Left, 1, 1, 1.2);
  EXPECT_EQ(LastType(), kEventButton);

  Release(GlfwMouseButton::Left, 1, 1, 3.0);
  Take();
  Press(GlfwMouseButton::Left, 1, 1, 3.19);
  EXPECT_EQ(LastType(), kEventDoubleClick);
}

TEST_F(InputTranslatorTest, RestAfterADoubleClickIsExclusive) {
  Press(GlfwMouseButton::Left, 1, 1, 0.9);
  Release(GlfwMouseButton::Left, 1, 1, 0.95);
  Press(GlfwMouseButton::Left, 1, 1, 1.0);
  ASSERT_EQ(Take().back().type, kEventDoubleClick);

  // Exactly 0.3 s after the double click: still resting.
  Release(GlfwMouseButton::Left, 1, 1, 1.2);
  Take();
  Press(GlfwMouseButton::Left, 1, 1, 1.3);
  EXPECT_EQ(LastType(), kEventButton);

  // A plain press does not restart the rest; the next quick one pairs again.
  Release(GlfwMouseButton::Left, 1, 1, 1.35);
  Take();
  Press(GlfwMouseButton::Left, 1, 1, 1.4);
  EXPECT_EQ(LastType(), kEventDoubleClick);
}

TEST_F(InputTranslatorTest, ButtonsBeyondMiddleAreIgnored) {
  Press(GlfwMouseButton::Left, 8, 8, 1.0);
  Release(GlfwMouseButton::Left, 8, 8, 1.02);
  Take();
  Press(3, 8, 8, 1.04);
  Release(3, 8, 8, 1.05);
  Press(7, 8, 8, 1.06);
  Press(-1, 8, 8, 1.07);
  EXPECT_TRUE(Take().empty());
  // Ignored buttons leave the history alone: the left release is still the previous event.
  Press(GlfwMouseButton::Left, 8, 8, 1.1);
  EXPECT_EQ(LastType(), kEventDoubleClick);
}

TEST_F(InputTranslatorTest, UnknownButtonActionsAreIgnored) {
  translator_.OnMouseButton(GlfwMouseButton::Left, GlfwAction::Repeat, 1, 1, 1.0);
  translator_.OnMouseButton(GlfwMouseButton::Left, 9, 1, 1, 1.0);
  EXPECT_TRUE(Take().empty());
}

// ---------------------------------------------------------------------------------------------
// Pointer movement

TEST_F(InputTranslatorTest, CursorPositionIsTruncated) {
  translator_.OnCursorPos(100.9, 200.5);
  translator_.OnCursorPos(-3.7, -0.5);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, kEventMove);
  EXPECT_EQ(events[0].a, 100);
  EXPECT_EQ(events[0].b, 200);
  EXPECT_EQ(events[1].a, -3);
  EXPECT_EQ(events[1].b, 0);
}

TEST_F(InputTranslatorTest, WildCursorPositionsStayInRange) {
  translator_.OnCursorPos(std::numeric_limits<double>::quiet_NaN(), 1e300);
  translator_.OnCursorPos(-1e300, -std::numeric_limits<double>::infinity());
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].a, 0);
  EXPECT_GT(events[0].b, 1000000);
  EXPECT_LT(events[1].a, -1000000);
  EXPECT_LT(events[1].b, -1000000);
}

// ---------------------------------------------------------------------------------------------
// Wheels

TEST_F(InputTranslatorTest, VerticalWheelReportsPreviousAndNewPosition) {
  translator_.OnCursorPos(40.6, 70.2);
  Take();
  translator_.OnScroll(0.0, 1.0);
  translator_.OnScroll(0.0, 2.0);
  translator_.OnScroll(0.0, -4.0);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 3u);
  const int32_t previous[] = {0, 1, 3};
  const int32_t next[] = {1, 3, -1};
  for (size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].type, kEventWheel);
    EXPECT_EQ(events[i].a, 40);
    EXPECT_EQ(events[i].b, 70);
    EXPECT_EQ(events[i].mods & kWheelHorizontal, 0);
    EXPECT_EQ(events[i].c, previous[i]) << i;
    EXPECT_EQ(events[i].d, next[i]) << i;
  }
  EXPECT_EQ(translator_.VerticalWheel(), -1);
  EXPECT_EQ(translator_.HorizontalWheel(), 0);
}

TEST_F(InputTranslatorTest, HorizontalWheelIsMarkedAndCountedSeparately) {
  translator_.OnScroll(0.0, 5.0);
  translator_.OnScroll(2.0, 0.0);
  translator_.OnScroll(-1.0, 0.0);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].mods, 0);
  EXPECT_EQ(events[0].d, 5);
  EXPECT_EQ(events[1].mods, kWheelHorizontal);
  EXPECT_EQ(events[1].c, 0);
  EXPECT_EQ(events[1].d, 2);
  EXPECT_EQ(events[2].mods, kWheelHorizontal);
  EXPECT_EQ(events[2].c, 2);
  EXPECT_EQ(events[2].d, 1);
  EXPECT_EQ(translator_.VerticalWheel(), 5);
  EXPECT_EQ(translator_.HorizontalWheel(), 1);
}

TEST_F(InputTranslatorTest, DiagonalScrollGivesOneEventPerWheel) {
  translator_.OnScroll(-3.0, 2.0);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].mods, 0);
  EXPECT_EQ(events[0].d, 2);
  EXPECT_EQ(events[1].mods, kWheelHorizontal);
  EXPECT_EQ(events[1].d, -3);
}

TEST_F(InputTranslatorTest, FractionalOffsetsAccumulateIntoWholeSteps) {
  translator_.OnScroll(0.0, 0.375);
  translator_.OnScroll(0.0, 0.375);
  EXPECT_TRUE(Take().empty());
  translator_.OnScroll(0.0, 0.375);  // 1.125 in total
  std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].c, 0);
  EXPECT_EQ(events[0].d, 1);
  translator_.OnScroll(0.0, 0.875);  // the carried 0.125 completes the next step
  events = Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].c, 1);
  EXPECT_EQ(events[0].d, 2);
  translator_.OnScroll(0.0, 2.5);
  events = Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].c, 2);
  EXPECT_EQ(events[0].d, 4);
}

TEST_F(InputTranslatorTest, SmallStepsBackAndForthCancel) {
  translator_.OnScroll(0.75, 0.75);
  translator_.OnScroll(-0.75, -0.75);
  translator_.OnScroll(-0.5, -0.5);
  EXPECT_TRUE(Take().empty());
  translator_.OnScroll(-0.5, -0.5);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].c, 0);
  EXPECT_EQ(events[0].d, -1);
  EXPECT_EQ(events[1].mods, kWheelHorizontal);
  EXPECT_EQ(events[1].c, 0);
  EXPECT_EQ(events[1].d, -1);
}

TEST_F(InputTranslatorTest, WheelUsesTheLastButtonPosition) {
  translator_.OnCursorPos(1, 2);
  Press(GlfwMouseButton::Left, 30, 40, 1.0);
  Take();
  translator_.OnScroll(0.0, 1.0);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].a, 30);
  EXPECT_EQ(events[0].b, 40);
}

TEST_F(InputTranslatorTest, NonFiniteOffsetsAreIgnored) {
  translator_.OnScroll(std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity());
  EXPECT_TRUE(Take().empty());
  translator_.OnScroll(0.0, 1.0);
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].c, 0);
  EXPECT_EQ(events[0].d, 1);
}

// ---------------------------------------------------------------------------------------------
// Close requests

TEST_F(InputTranslatorTest, CloseRequestIsAnAllZeroEvent) {
  translator_.OnCursorPos(9, 9);
  translator_.OnScroll(1.0, 1.0);
  Take();
  translator_.OnClose();
  const std::vector<InputEvent> events = Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, kEventClose);
  EXPECT_EQ(events[0].a, 0);
  EXPECT_EQ(events[0].b, 0);
  EXPECT_EQ(events[0].flags, 0);
  EXPECT_EQ(events[0].mods, 0);
  EXPECT_EQ(events[0].c, 0);
  EXPECT_EQ(events[0].d, 0);
}

TEST(InputTranslatorSink, MissingSinkSwallowsEvents) {
  InputTranslator translator{InputTranslator::Sink()};
  translator.OnKey(GlfwKey::A, GlfwAction::Press);
  translator.OnClose();
  translator.OnScroll(0.0, 3.0);
  // State still advances even though nobody listens.
  EXPECT_EQ(translator.VerticalWheel(), 3);
}

}  // namespace
