#pragma once
#include <initializer_list>
#include <utility>

class Window;

// Window placement kept in the preferences as "state left top right bottom": the frame
// rectangle relative to the parent's client area, or the restore rectangle when the window
// is maximised or collapsed.
void SaveWindowPlacement(const Window* window, const char* key);
// False when the key is missing, not text, or not five integers. With keep_on_screen the
// rectangle is first moved (never resized) inside the OS window.
bool LoadWindowPlacement(Window* window, const char* key, bool keep_on_screen);

// Saves or restores the state of dialog controls under "owner.control", by the controls'
// class names; a null control name ends the list early.
void SyncControlPrefs(const char* owner, bool save,
                      std::initializer_list<std::pair<const char*, Window*>> controls);
