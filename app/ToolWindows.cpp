#include "app/ToolWindows.h"

#include "gui/WindowManager.h"

// Neither window is part of this build yet; a beep tells the user the command did nothing.
// Each body becomes the one call of its window's own opener.

void ShowLogViewer() {
  if (WindowManager* wm = WMOrNull()) wm->Beep();
}

void ShowWindowSpy() {
  if (WindowManager* wm = WMOrNull()) wm->Beep();
}
