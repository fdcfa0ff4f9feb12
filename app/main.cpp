// The editor's entry point: start-up in a fixed order, the main loop, and shut-down.

#include <string>

#include "app/CodexWorkingSetPref.h"
#include "app/EditorRegistration.h"
#include "app/FirstStart.h"
#include "app/Preferences.h"
#include "app/ProgramFolders.h"
#include "app/ProgramShell.h"
#include "app/RootMenu.h"
#include "app/ShellCommands.h"
#include "app/ZarvSplashScreen.h"
#include "gui/MessageLogWindow.h"
#include "gui/WindowManager.h"
#include "structs/StructRegistry.h"
#include "tags/Codex.h"
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
  // The record descriptions shipped with the program and the user's own (which win), read once
  // the UI font is up; their problems go to the "Struct Definitions" log. Every group they
  // describe gets the struct editor, then the dedicated editors take their groups.
  const ProgramFolders& folders = CurrentProgramFolders();
  LoadProgramStructs(folders.resources,
                     folders.installed ? folders.config : std::filesystem::path());
  RegisterTagEditors();
  // The archive browser keeps the working set in the preferences; opening it applies the
  // saved one.
  SetWorkingSetHooks({&LoadCodexWorkingSet, &SaveCodexWorkingSet});
  // Picks up what the program itself changed in the local folder since the last pass, and
  // hands the log lines written meanwhile to the viewer.
  wm.SetIdleHook([] {
    ProgramCodex().Poll(false);
    LogViewerIdle();
  });

  // Input on and a first frame before the index is built: the loading window shows what is
  // being loaded while it is, and the program never looks hung on a large game.
  wm.SetInputDisabled(false);
  std::string game_folder = ".";
  GetPrefString("VornPath", &game_folder);
  RunGameLoad(GameLoad::Kind::kGameFolder, game_folder);
  AfterGameLoad();
  // A fresh install has no game to show; a build folder keeps starting on whatever it is given.
  if (folders.installed && !IsGameFolder(game_folder)) {
    OfferFirstStart(folders.data / "demo-game");
  }

  // 0: never; 1: this once; 2 or more: at every start.
  int32_t show_splash = 0;
  if (GetPrefInt("ShowSplash", &show_splash) && show_splash >= 1) {
    if (show_splash == 1) SetPrefInt("ShowSplash", 0);
    ZarvSplashScreen::Instance().ShowSplash();
  }

  wm.RunMainLoop();
  shell.ShutDown(&ReleaseProgramCodex);
  return 0;
}
