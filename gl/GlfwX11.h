#pragma once

// The few X11 services GLFW does not offer. Kept apart because Xlib's names (Window, Cursor)
// clash with the program's own.
void X11Beep();

// Whether the key with this X11 keycode (GLFW's scancode) chooses characters in the current
// keyboard layout (AltGr: ISO_Level3_Shift, ISO_Level5_Shift or Mode_switch) rather than
// being a modifier of its own.
bool X11IsLevelShiftKey(int scancode);
