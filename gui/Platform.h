#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
  // The OS window's title bar; long work shows what it is doing there.
  virtual void SetWindowTitle(const char* /*title*/) {}

  // The clipboard, shared with other programs. Texts are in the program's 8-bit character set
  // (the platform converts them); images are 24-bit RGB rows, top row first, no padding. Each
  // returns false when the clipboard cannot be used or holds nothing of that kind.
  virtual bool PutClipboardText(std::string_view /*text*/) { return false; }
  virtual bool GetClipboardText(std::string& /*text*/) { return false; }
  virtual bool PutClipboardImage(const uint8_t* /*rgb*/, int32_t /*width*/, int32_t /*height*/) {
    return false;
  }
  virtual bool GetClipboardImage(std::vector<uint8_t>& /*rgb*/, int32_t& /*width*/,
                                 int32_t& /*height*/) {
    return false;
  }
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
constexpr int32_t DropAllowed = 7;  // the program's cursor 101
constexpr int32_t DropRefused = 8;  // "not allowed"
constexpr int32_t NotAllowed = 9;   // the same picture as DropRefused
constexpr int32_t DropCopy = 10;    // the same picture as DropAllowed
constexpr int32_t Move = 11;        // the program's cursor 102
constexpr int32_t Brush = 12;       // the program's cursor 106
constexpr int32_t Pick = 13;        // the program's cursor 107
constexpr int32_t kCount = 14;
}  // namespace Cursor
