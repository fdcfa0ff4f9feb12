#include "tests/gl/X11Probe.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

extern "C" Display* glfwGetX11Display(void);
extern "C" ::Window glfwGetX11Window(GLFWwindow* window);

void WarpPointerInto(GLFWwindow* window, int32_t x, int32_t y) {
  Display* display = glfwGetX11Display();
  XWarpPointer(display, None, glfwGetX11Window(window), 0, 0, 0, 0, x, y);
  XSync(display, False);
}

bool ReadShownCursor(ShownCursor& out) {
  Display* display = glfwGetX11Display();
  XSync(display, False);
  XFixesCursorImage* image = XFixesGetCursorImage(display);
  if (!image) return false;
  out.width = image->width;
  out.height = image->height;
  out.hot_x = image->xhot;
  out.hot_y = image->yhot;
  out.argb.assign(static_cast<size_t>(image->width) * image->height, 0);
  // Xlib hands 32-bit values in longs.
  for (size_t i = 0; i < out.argb.size(); ++i)
    out.argb[i] = static_cast<uint32_t>(image->pixels[i]);
  XFree(image);
  return true;
}

std::vector<uint32_t> ReadWindowIcon(GLFWwindow* window) {
  Display* display = glfwGetX11Display();
  const Atom net_wm_icon = XInternAtom(display, "_NET_WM_ICON", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<uint32_t> words;
  if (XGetWindowProperty(display, glfwGetX11Window(window), net_wm_icon, 0, 1 << 20, False,
                         XA_CARDINAL, &type, &format, &count, &after, &data) != Success) {
    return words;
  }
  if (data && format == 32) {
    const auto* longs = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; i < count; ++i) words.push_back(static_cast<uint32_t>(longs[i]));
  }
  if (data) XFree(data);
  return words;
}
