#pragma once
#include <cstdint>

// One queued input event. The meaning of the fields depends on the type:
//
//   type          a          b            flags              mods              c          d
//   0 key         key code   1 down/0 up  modifiers (+16     0                 -          -
//                                         for a repeat)
//   1 char        char code  GLFW action  modifiers          0                 -          -
//   2 button,     x          y            hover part         modifiers         button     1 down/0
//   up 3 dbl click 4 move        x          y            hover part         modifiers         - -
//   5 wheel       x          y            hover part         modifiers, +32    old pos    new pos
//                                                            horizontal
//   6 close request (all 0); 7 resize notice (a width, b height; never queued)
struct InputEvent {
  int32_t a = 0;
  int32_t b = 0;
  int32_t flags = 0;
  int32_t mods = 0;
  int32_t c = 0;
  int32_t d = 0;
  int32_t type = 0;
};
static_assert(sizeof(InputEvent) == 28);

enum EventType : int32_t {
  kEventKey = 0,
  kEventChar = 1,
  kEventButton = 2,
  kEventDoubleClick = 3,
  kEventMove = 4,
  kEventWheel = 5,
  kEventClose = 6,
  kEventResize = 7,
};

// Modifier mask bits. Control sets two bits, so test it with (mods & kModControl) == kModControl
// or simply mods & kModControl.
constexpr int32_t kModShift = 0x1;
constexpr int32_t kModAlt = 0x2;
constexpr int32_t kModControl = 0xC;
constexpr int32_t kKeyRepeatFlag = 16;
constexpr int32_t kWheelHorizontal = 32;  // in mods of a wheel event

// The program's own key codes (all below kKeyCount). Printable keys use their upper-case
// character code.
namespace Key {
constexpr int Escape = 97;
constexpr int F1 = 98;  // F1..F15 are 98..112
constexpr int F2 = 99;
constexpr int F4 = 101;
constexpr int F10 = 107;
constexpr int F11 = 108;
constexpr int F12 = 109;
constexpr int F15 = 112;
constexpr int Tab = 113;
constexpr int LeftShift = 115;
constexpr int RightShift = 116;
constexpr int Shift = 117;
constexpr int LeftControl = 118;
constexpr int RightControl = 119;
constexpr int Control = 120;
constexpr int LeftSuper = 121;
constexpr int RightSuper = 122;
constexpr int Super = 123;
constexpr int LeftAlt = 124;
constexpr int RightAlt = 125;
constexpr int Alt = 126;
constexpr int Backspace = 127;
constexpr int Enter = 128;
constexpr int Insert = 129;
constexpr int Home = 130;
constexpr int PageUp = 131;
constexpr int PageDown = 132;
constexpr int End = 133;
constexpr int Delete = 134;
constexpr int Up = 135;
constexpr int Down = 136;
constexpr int Left = 137;
constexpr int Right = 138;
constexpr int KpDivide = 140;
constexpr int KpMultiply = 141;
constexpr int KpSubtract = 142;
constexpr int KpAdd = 143;
constexpr int KpDecimal = 145;
constexpr int Kp0 = 146;  // keypad 0..9 are 146..155
constexpr int Kp9 = 155;
}  // namespace Key
constexpr int kKeyCount = 160;
