#include "gl/GlfwX11.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

// From glfw3native.h, which would also pull in the XRandR headers we do not otherwise need.
extern "C" Display* glfwGetX11Display(void);

void X11Beep() {
  if (Display* display = glfwGetX11Display()) {
    XBell(display, 0);
    XFlush(display);
  }
}

bool X11IsLevelShiftKey(int scancode) {
  Display* display = glfwGetX11Display();
  if (!display || scancode < 8 || scancode > 255) return false;
  XkbStateRec state;
  const unsigned int group =
      XkbGetState(display, XkbUseCoreKbd, &state) == Success ? state.group : 0;
  const KeySym sym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(scancode), group, 0);
  return sym == XK_ISO_Level3_Shift || sym == XK_ISO_Level5_Shift || sym == XK_Mode_switch;
}
