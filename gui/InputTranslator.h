#pragma once
#include <cstdint>
#include <functional>
#include <limits>

#include "gui/InputEvent.h"

// Turns raw GLFW 3 input into queued InputEvent records. This file is deliberately free of
// GLFW headers so that the translation (and its tests) builds without a display; the GLFW
// numbers it relies on are spelled out below and checked against <GLFW/glfw3.h> in
// gl/GlfwKeyCheck.cpp, which builds into the editor.

namespace GlfwKey {
constexpr int Unknown = -1;
constexpr int Space = 32;
constexpr int Apostrophe = 39;
constexpr int Comma = 44;
constexpr int Zero = 48;
constexpr int Nine = 57;
constexpr int A = 65;
constexpr int Z = 90;
constexpr int GraveAccent = 96;
constexpr int World1 = 161;
constexpr int World2 = 162;
constexpr int Escape = 256;
constexpr int Enter = 257;
constexpr int Tab = 258;
constexpr int Backspace = 259;
constexpr int Insert = 260;
constexpr int Delete = 261;
constexpr int Right = 262;
constexpr int Left = 263;
constexpr int Down = 264;
constexpr int Up = 265;
constexpr int PageUp = 266;
constexpr int PageDown = 267;
constexpr int Home = 268;
constexpr int End = 269;
constexpr int F1 = 290;
constexpr int F15 = 304;
constexpr int F16 = 305;
constexpr int F25 = 314;
constexpr int Kp0 = 320;
constexpr int Kp9 = 329;
constexpr int KpDecimal = 330;
constexpr int KpDivide = 331;
constexpr int KpMultiply = 332;
constexpr int KpSubtract = 333;
constexpr int KpAdd = 334;
constexpr int KpEnter = 335;
constexpr int KpEqual = 336;
constexpr int LeftShift = 340;
constexpr int LeftControl = 341;
constexpr int LeftAlt = 342;
constexpr int LeftSuper = 343;
constexpr int RightShift = 344;
constexpr int RightControl = 345;
constexpr int RightAlt = 346;
constexpr int RightSuper = 347;
constexpr int Menu = 348;
}  // namespace GlfwKey

namespace GlfwAction {
constexpr int Release = 0;
constexpr int Press = 1;
constexpr int Repeat = 2;
}  // namespace GlfwAction

namespace GlfwMod {
constexpr int Shift = 0x1;
constexpr int Control = 0x2;
constexpr int Alt = 0x4;
}  // namespace GlfwMod

namespace GlfwMouseButton {
constexpr int Left = 0;
constexpr int Right = 1;
constexpr int Middle = 2;
}  // namespace GlfwMouseButton

// The program's key code for a GLFW key, with left and right modifier keys merged into one
// code, or -1 for keys the program has no code for.
int TranslateGlfwKey(int glfwKey);

// Maps a typed character (Unicode code point) to the program's 8-bit encoding through the
// program's character map. Alt selects the column used while the Alt key is held, which turns
// printable ASCII into the Mac-style option characters. 0 means the character has no 8-bit
// form and is not typed at all.
uint8_t TranslateChar(int code, bool alt);

// Holds what the GLFW callbacks need to remember between calls (double-click history, wheel
// positions, the last pointer position) and hands each resulting event to a sink. The sink is
// expected to queue the event; nothing here dispatches.
class InputTranslator {
 public:
  using Sink = std::function<void(const InputEvent&)>;

  // A press of the same button at the same spot sooner than this after the previous button
  // event is a double click...
  static constexpr double kDoubleClickInterval = 0.2;
  // ...unless the last double click was this recent, so that a fast triple click gives one
  // double click rather than two.
  static constexpr double kDoubleClickRest = 0.3;
  static constexpr int kButtonCount = 3;

  explicit InputTranslator(Sink sink);

  // levelShift marks a key that the keyboard layout uses to choose characters (AltGr, X11's
  // ISO_Level3_Shift and its kin), which GLFW reports as the right Alt key. It is no Alt:
  // "@" typed with AltGr on a German layout arrives as its own character, and shortcuts must
  // not see Alt while it is held, so the key never reaches the key state.
  void OnKey(int glfwKey, int action, bool levelShift = false);
  // glfwMods is accepted to match GLFW's char-mods callback, the only one that reports
  // Alt+letter characters; the modifier mask itself comes from the window manager's key state.
  // Every code point from 32 up is queued; the window manager maps it into the 8-bit encoding.
  void OnCharMods(unsigned int codepoint, int glfwMods);
  // timeSeconds must come from a monotonic clock (glfwGetTime).
  void OnMouseButton(int button, int action, double x, double y, double timeSeconds);
  void OnCursorPos(double x, double y);
  void OnScroll(double xoffset, double yoffset);
  void OnClose();

  int32_t VerticalWheel() const { return vertical_.position; }
  int32_t HorizontalWheel() const { return horizontal_.position; }

 private:
  // GLFW reports wheel steps as offsets (fractional on touchpads); the program works with an
  // integer wheel position, so the fraction not yet worth a whole step is carried over.
  struct Wheel {
    int32_t position = 0;
    double pending = 0.0;
  };

  void Emit(const InputEvent& event) const;
  void Scroll(Wheel& wheel, double offset, int32_t mods);

  Sink sink_;
  int32_t mouseX_ = 0;
  int32_t mouseY_ = 0;
  // No button event yet: nothing can pair with the first press.
  int lastButton_ = -1;
  int32_t lastButtonX_ = 0;
  int32_t lastButtonY_ = 0;
  double lastButtonTime_ = 0.0;
  double lastDoubleClickTime_ = -std::numeric_limits<double>::infinity();
  Wheel vertical_;
  Wheel horizontal_;
};
