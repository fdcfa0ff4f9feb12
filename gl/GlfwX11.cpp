#include "gl/GlfwX11.h"

#include <X11/Xlib.h>

// From glfw3native.h, which would also pull in the XRandR headers we do not otherwise need.
extern "C" Display* glfwGetX11Display(void);

void X11Beep() {
  if (Display* display = glfwGetX11Display()) {
    XBell(display, 0);
    XFlush(display);
  }
}
