#include "gui/InputTranslator.h"

#include <array>
#include <cmath>
#include <utility>

#include "base/CharMap.h"

namespace {

// What typing 0x20..0x7E with Alt held gives in the program's 8-bit encoding: the characters a
// Mac keyboard's Option key produces, which is how users enter symbols the keyboard lacks.
constexpr std::array<uint8_t, 95> kAltChars = {
    0x20, 0xDA, 0xAE, 0xDC, 0xDD, 0xDE, 0xE0, 0xBE,  // 0x20
    0xE1, 0xE2, 0xA1, 0xB1, 0xB2, 0xD0, 0xB3, 0xD6,  // 0x28
    0xBC, 0xC1, 0xAA, 0xA3, 0xA2, 0xB0, 0xA4, 0xA6,  // 0x30
    0xA5, 0xBB, 0xF2, 0xC9, 0xF8, 0xAD, 0xF9, 0xC0,  // 0x38
    0xDB, 0x81, 0xF5, 0x82, 0xEB, 0xAB, 0xEC, 0xFD,  // 0x40
    0xEE, 0xF6, 0xEF, 0xF0, 0xF1, 0xE5, 0xF7, 0xAF,  // 0x48
    0xB8, 0xCE, 0xE4, 0xEA, 0xFF, 0xAC, 0xD7, 0xE3,  // 0x50
    0xFE, 0xE7, 0xFC, 0xD2, 0xC7, 0xD4, 0xDF, 0xD1,  // 0x58
    0x60, 0x8C, 0xBA, 0x8D, 0xB6, 0xAB, 0xC4, 0xA9,  // 0x60
    0xFA, 0xF6, 0xC6, 0xFB, 0xC2, 0xB5, 0xF7, 0xBF,  // 0x68
    0xB9, 0xCF, 0xA8, 0xA7, 0xA0, 0xAC, 0xC3, 0xB7,  // 0x70
    0xC5, 0xB4, 0xBD, 0xD3, 0xC8, 0xD5, 0x60,        // 0x78
};

// GLFW keys outside the printable, function and keypad-digit ranges that have a code of their
// own. Modifiers get their sided codes here and are merged afterwards.
constexpr std::pair<int, int> kNamedKeys[] = {
    {GlfwKey::Escape, Key::Escape},
    {GlfwKey::Tab, Key::Tab},
    {GlfwKey::Enter, Key::Enter},
    {GlfwKey::KpEnter, Key::Enter},
    {GlfwKey::Backspace, Key::Backspace},
    {GlfwKey::Insert, Key::Insert},
    {GlfwKey::Home, Key::Home},
    {GlfwKey::PageUp, Key::PageUp},
    {GlfwKey::PageDown, Key::PageDown},
    {GlfwKey::End, Key::End},
    {GlfwKey::Delete, Key::Delete},
    {GlfwKey::Up, Key::Up},
    {GlfwKey::Down, Key::Down},
    {GlfwKey::Left, Key::Left},
    {GlfwKey::Right, Key::Right},
    {GlfwKey::KpDivide, Key::KpDivide},
    {GlfwKey::KpMultiply, Key::KpMultiply},
    {GlfwKey::KpSubtract, Key::KpSubtract},
    {GlfwKey::KpAdd, Key::KpAdd},
    {GlfwKey::KpDecimal, Key::KpDecimal},
    {GlfwKey::LeftShift, Key::LeftShift},
    {GlfwKey::RightShift, Key::RightShift},
    {GlfwKey::LeftControl, Key::LeftControl},
    {GlfwKey::RightControl, Key::RightControl},
    {GlfwKey::LeftAlt, Key::LeftAlt},
    {GlfwKey::RightAlt, Key::RightAlt},
    {GlfwKey::LeftSuper, Key::LeftSuper},
    {GlfwKey::RightSuper, Key::RightSuper},
};

// Pointer coordinates arrive as doubles; a position far outside the window (or a NaN from a
// confused driver) must not turn into undefined behaviour when narrowed.
int32_t ToCoordinate(double value) {
  constexpr double kLimit = 1 << 30;
  if (std::isnan(value)) return 0;
  if (value < -kLimit) value = -kLimit;
  if (value > kLimit) value = kLimit;
  return static_cast<int32_t>(value);
}

}  // namespace

int TranslateGlfwKey(int glfwKey) {
  int code = -1;
  if (glfwKey >= GlfwKey::Space && glfwKey <= 128) {
    code = glfwKey;
  } else if (glfwKey >= GlfwKey::F1 && glfwKey <= GlfwKey::F15) {
    code = Key::F1 + (glfwKey - GlfwKey::F1);
  } else if (glfwKey >= GlfwKey::Kp0 && glfwKey <= GlfwKey::Kp9) {
    code = Key::Kp0 + (glfwKey - GlfwKey::Kp0);
  } else {
    for (const auto& [glfw, own] : kNamedKeys) {
      if (glfw == glfwKey) code = own;
    }
  }
  if (code < 0 || code >= kKeyCount) return -1;
  // Shortcuts never care which side a modifier sits on, so the key state (and the modifier
  // mask derived from it) tracks one code per modifier.
  if (code == Key::LeftShift || code == Key::RightShift) return Key::Shift;
  if (code == Key::LeftControl || code == Key::RightControl) return Key::Control;
  if (code == Key::LeftAlt || code == Key::RightAlt) return Key::Alt;
  if (code == Key::LeftSuper || code == Key::RightSuper) return Key::Super;
  return code;
}

uint8_t TranslateChar(int code, bool alt) {
  if (alt && code >= 0x20 && code <= 0x7E) return kAltChars[static_cast<size_t>(code - 0x20)];
  // DEL is a control code, however a layout may deliver it.
  if (code < 0x20 || code == 0x7F) return 0;
  return ProgramCharMap().FindNarrow(static_cast<char32_t>(code));
}

InputTranslator::InputTranslator(Sink sink) : sink_(std::move(sink)) {}

void InputTranslator::Emit(const InputEvent& event) const {
  if (sink_) sink_(event);
}

void InputTranslator::OnKey(int glfwKey, int action, bool levelShift) {
  if (action != GlfwAction::Release && action != GlfwAction::Press &&
      action != GlfwAction::Repeat) {
    return;
  }
  if (levelShift) return;
  const int code = TranslateGlfwKey(glfwKey);
  if (code < 0) return;
  InputEvent event;
  event.type = kEventKey;
  event.a = code;
  // Repeats are reported as plain presses: the window manager spots them by comparing with
  // its own key state, which also catches repeats GLFW reports as presses.
  event.b = action == GlfwAction::Release ? 0 : 1;
  Emit(event);
}

void InputTranslator::OnCharMods(unsigned int codepoint, int /*glfwMods*/) {
  if (codepoint < 32 || codepoint > 0x10FFFF) return;
  InputEvent event;
  event.type = kEventChar;
  event.a = static_cast<int32_t>(codepoint);
  event.b = GlfwAction::Press;
  Emit(event);
}

void InputTranslator::OnMouseButton(int button, int action, double x, double y,
                                    double timeSeconds) {
  if (button < 0 || button >= kButtonCount) return;
  if (action != GlfwAction::Press && action != GlfwAction::Release) return;
  const int32_t ix = ToCoordinate(x);
  const int32_t iy = ToCoordinate(y);
  mouseX_ = ix;
  mouseY_ = iy;

  InputEvent event;
  event.type = kEventButton;
  event.a = ix;
  event.b = iy;
  event.c = button;
  event.d = action == GlfwAction::Press ? 1 : 0;
  // Sums rather than differences, so that times written as decimals land on the side of a
  // limit one expects (1.0 + 0.2 compares equal to 1.2, 1.2 - 1.0 does not equal 0.2).
  if (action == GlfwAction::Press && button == lastButton_ && ix == lastButtonX_ &&
      iy == lastButtonY_ && timeSeconds >= lastButtonTime_ &&
      timeSeconds < lastButtonTime_ + kDoubleClickInterval &&
      timeSeconds > lastDoubleClickTime_ + kDoubleClickRest) {
    event.type = kEventDoubleClick;
    lastDoubleClickTime_ = timeSeconds;
  }
  lastButton_ = button;
  lastButtonX_ = ix;
  lastButtonY_ = iy;
  lastButtonTime_ = timeSeconds;
  Emit(event);
}

void InputTranslator::OnCursorPos(double x, double y) {
  mouseX_ = ToCoordinate(x);
  mouseY_ = ToCoordinate(y);
  InputEvent event;
  event.type = kEventMove;
  event.a = mouseX_;
  event.b = mouseY_;
  Emit(event);
}

void InputTranslator::Scroll(Wheel& wheel, double offset, int32_t mods) {
  if (!std::isfinite(offset)) return;
  wheel.pending += offset;
  const double steps = std::trunc(wheel.pending);
  // Only whole steps move the wheel; receivers act on the difference between the positions,
  // so an event that moves nothing would only cost a queue slot.
  if (steps == 0.0) return;
  wheel.pending -= steps;
  constexpr double kMin = std::numeric_limits<int32_t>::min();
  constexpr double kMax = std::numeric_limits<int32_t>::max();
  double target = static_cast<double>(wheel.position) + steps;
  if (target < kMin) target = kMin;
  if (target > kMax) target = kMax;
  const int32_t previous = wheel.position;
  wheel.position = static_cast<int32_t>(target);
  if (wheel.position == previous) return;

  InputEvent event;
  event.type = kEventWheel;
  event.a = mouseX_;
  event.b = mouseY_;
  event.mods = mods;
  event.c = previous;
  event.d = wheel.position;
  Emit(event);
}

void InputTranslator::OnScroll(double xoffset, double yoffset) {
  Scroll(vertical_, yoffset, 0);
  Scroll(horizontal_, xoffset, kWheelHorizontal);
}

void InputTranslator::OnClose() {
  InputEvent event;
  event.type = kEventClose;
  Emit(event);
}
