#pragma once
#include <cstdint>
#include <vector>

// What the X server shows, read over GLFW's connection. Kept apart from code that uses the
// program's own names (Cursor, Window), which Xlib's typedefs and macros would clash with.
struct GLFWwindow;

struct ShownCursor {
  int32_t width = 0, height = 0, hot_x = 0, hot_y = 0;
  std::vector<uint32_t> argb;  // premultiplied, rows top to bottom
};

// Puts the pointer at (x, y) in the window and waits until the server has done it.
void WarpPointerInto(GLFWwindow* window, int32_t x, int32_t y);
// The cursor under the pointer (XFixes); false when the server does not say.
bool ReadShownCursor(ShownCursor& out);
// The window's _NET_WM_ICON property: width, height, then ARGB pixels; empty when unset.
std::vector<uint32_t> ReadWindowIcon(GLFWwindow* window);
