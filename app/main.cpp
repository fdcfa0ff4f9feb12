// The editor's entry point: start-up in a fixed order, the main loop, and shut-down.

#include <string>

#include "app/CodexWorkingSetPref.h"
#include "app/EditorRegistration.h"
#include "app/Preferences.h"
#include "app/ProgramShell.h"
#include "app/RootMenu.h"
#include "gui/MessageLogWindow.h"
#include "gui/WindowManager.h"
#include "tags/Codex.h"
#include "tags/ui/ArchiveBrowser.h"
#include "tags/ui/WorkingSetHooks.h"

int main() {
  // From the first line on, every log line is kept for the log viewer, which takes them once
  // the window manager runs; after the viewer is gone they go to standard error again.
  InstallLogViewerSink();
  ProgramShell shell;
  if (!shell.Start("Zarv")) return 1;
  WindowManager& wm = shell.wm();

  // The menu bar across the top; the windows of the bottom layer start below it. It belongs
  // to the window tree from here on.
  new RootMenu();
  // TODO(structs): read the struct layouts before the editors are assigned.
  RegisterTagEditors();
  std::string game_folder = ".";
  GetPrefString("VornPath", &game_folder);
  ProgramCodex().OpenGameFolder(game_folder);
  // The archive browser keeps the working set in the preferences; opening it applies the
  // saved one.
  SetWorkingSetHooks({&LoadCodexWorkingSet, &SaveCodexWorkingSet});
  ArchiveBrowser::OpenOrRaise();
  // Picks up what the program itself changed in the local folder since the last pass, and
  // hands the log lines written meanwhile to the viewer.
  wm.SetIdleHook([] {
    ProgramCodex().Poll(false);
    LogViewerIdle();
  });

  wm.SetInputDisabled(false);
  // TODO(splash): show the splash window per ShowSplash.

  wm.RunMainLoop();
  shell.ShutDown(&ReleaseProgramCodex);
  return 0;
}
