#pragma once

// The few X11 services GLFW does not offer. Kept apart because Xlib's names (Window, Cursor)
// clash with the program's own.
void X11Beep();
