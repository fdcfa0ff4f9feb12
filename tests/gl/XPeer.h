#pragma once
#include <X11/Xlib.h>

// One more connection to the X server with a window of its own, for playing another program.
struct XPeer {
  Display* d = XOpenDisplay(nullptr);
  ::Window w = d ? XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0) : None;
  Atom Intern(const char* name) { return XInternAtom(d, name, False); }
  ~XPeer() {
    if (d) XCloseDisplay(d);
  }
};
