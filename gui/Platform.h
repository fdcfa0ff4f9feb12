#pragma once
#include <cstdint>

// The operating-system services the window manager needs. The editor implements them with
// GLFW; tests implement them with a scripted clock and event source.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual double Now() = 0;       // seconds since an arbitrary start
  virtual void PollEvents() = 0;  // lets queued OS input reach the window manager
  virtual void Sleep() = 0;       // about a millisecond; called when a pump drew nothing
  virtual void Beep() = 0;
  virtual void SetCursorShape(int32_t cursor) = 0;
  virtual void Present() = 0;     // shows the frame just drawn
  virtual void PollTagIndex() {}  // folder change notifications of the tag index
};

// Turns the window tree into pixels. The window manager asks once per pump; Render returns
// whether anything was drawn.
class WindowManager;
class Renderer {
 public:
  virtual ~Renderer() = default;
  virtual bool Render(WindowManager& wm) = 0;
  virtual void ClearScreen(WindowManager& /*wm*/) {}
};

// Cursor ids.
namespace Cursor {
constexpr int32_t Arrow = 0;
constexpr int32_t SizeHorizontal = 1;
constexpr int32_t SizeVertical = 2;
constexpr int32_t SizeDiagonalDown = 3;  // top-left to bottom-right
constexpr int32_t SizeDiagonalUp = 4;    // top-right to bottom-left
constexpr int32_t TextBeam = 5;
constexpr int32_t Cross = 6;
constexpr int32_t DropAllowed = 7;
constexpr int32_t DropRefused = 8;
}  // namespace Cursor
