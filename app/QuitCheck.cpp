#include "app/QuitCheck.h"

#include "gui/MessageBoxWindow.h"
#include "gui/WindowManager.h"

bool StandardQuitCheck() {
  if (MessageBoxWindow::Show("Really Quit Zarv?", nullptr, {"Quit", "Don't Quit"}) != 0) {
    return false;
  }
  WindowManager& wm = WM();
  // Closing a window may reorder its siblings, so start from the top each time and skip
  // windows already on their way out.
  for (bool again = true; again;) {
    again = false;
    for (Window* w = wm.Layer0()->FirstChild(); w; w = w->NextSibling()) {
      if (w->GetShowState() == kShowClosing || w->IsBeingDestroyed()) continue;
      if (!w->RequestClose(false)) {
        wm.DrainDeletes();
        return false;
      }
      Window::Close(w);
      again = true;
      break;
    }
  }
  wm.DrainDeletes();
  return true;
}
