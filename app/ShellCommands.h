#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "app/GameLoad.h"

class Codex;

// The root menu's commands that change what the program has loaded or run long, each behind
// one call; all of them run inside the command that the menu handed them, with their own
// modal windows.

// Loads the game (or part of it, by `kind`) under a progress window; returns when done.
void RunGameLoad(GameLoad::Kind kind, const std::filesystem::path& game_folder);
// What follows every load of archives: the archive browser opens (or comes to the front),
// applying the saved working set.
void AfterGameLoad();

// Refusals, kept apart from their commands so that the rules can be checked without a chooser.
// The message shown when `path` may not become an archive of the index, or empty.
std::string AddArchiveRefusal(const Codex& codex, const std::filesystem::path& path);
// The message shown when the game folder may not change to `folder` now, or empty.
std::string GameFolderRefusal(const Codex& codex, const std::string& folder);

// "Add Archives": the chosen archives are loaded and join the working set.
void AddArchivesCommand();
// Loads the chosen archives (one at a time, refusing as AddArchiveRefusal says) and adds them
// to the working set; false when one was refused (the rest still load).
bool AddArchives(Codex& codex, const std::vector<std::filesystem::path>& paths);
void ReloadLocalFolderCommand();
void ReloadPluginsFolderCommand();
void ChooseVornFolderCommand();
// Changes the game folder after the checks; false (with a message shown) when refused.
bool ChangeGameFolder(const std::string& folder);
void RecursiveImageConversionCommand();
// The conversion itself, under its progress window; the number of files written.
int RunImageConversion(const std::filesystem::path& folder, int32_t format_index, int32_t mode);
void AboutCommand();
// "New Model From LWO": a LightWave object chosen, imported as new local tags named after the
// file, the log viewer shown with the import's lines, and the new geometry opened in its viewer.
void NewModelFromLwoCommand();
