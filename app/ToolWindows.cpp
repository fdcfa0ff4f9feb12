#include "app/ToolWindows.h"

#include "gui/MessageLogWindow.h"
#include "gui/WindowView.h"

void ShowLogViewer() {
  OpenLogViewer();
}

void ShowWindowSpy() {
  OpenWindowSpy();
}
