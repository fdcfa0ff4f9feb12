#include "app/ShellCommands.h"

#include "app/CodexWorkingSetPref.h"
#include "app/Preferences.h"
#include "app/ProgressWindow.h"
#include "app/ToolWindows.h"
#include "app/ZarvSplashScreen.h"
#include "base/MessageLog.h"
#include "collections/FolderConversion.h"
#include "gui/Choosers.h"
#include "gui/MessageBoxWindow.h"
#include "gui/WindowManager.h"
#include "models/ModelImport.h"
#include "tags/Codex.h"
#include "tags/ui/ArchiveBrowser.h"
#include "tags/ui/TagEdit.h"

namespace {
constexpr const char* kConversionLog = "Image Conversion";

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}
}  // namespace

void RunGameLoad(GameLoad::Kind kind, const std::filesystem::path& game_folder) {
  GameLoad load(ProgramCodex(), kind, game_folder);
  const ProgressWindow::Step step = [&load](ProgressWindow& progress) {
    const bool more = load.Step();
    progress.SetStatus(load.Status());
    progress.SetDetail(load.Detail());
    progress.SetFraction(load.Fraction());
    return more;
  };
  ProgressWindow::Run(
      kind == GameLoad::Kind::kLocalFolder ? "Reloading the Local Folder" : "Loading the Game",
      step, false);
}

void AfterGameLoad() {
  // Opening the browser applies the working set the user chose last time.
  ArchiveBrowser::OpenOrRaise();
}

std::string AddArchiveRefusal(const Codex& codex, const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  const Archive* same = codex.ArchiveByName(name);
  if (!same || same->path() == path) return {};
  // The working set and the choice of the copy in force go by file names: two archives of
  // one name could not be told apart there.
  return Quoted(path.string()) + " was not added: an archive named " + Quoted(name) +
         " is already loaded from " + Quoted(same->path().string()) + ".";
}

bool AddArchives(Codex& codex, const std::vector<std::filesystem::path>& paths) {
  std::vector<Archive*> set;
  for (size_t i = 0; i < codex.archive_count(); ++i) {
    if (Archive* a = codex.ArchiveAt(i); a->active()) set.push_back(a);
  }
  bool all = true;
  for (const std::filesystem::path& path : paths) {
    if (std::string refusal = AddArchiveRefusal(codex, path); !refusal.empty()) {
      MessageBoxWindow::ShowError("%s", refusal.c_str());
      all = false;
      continue;
    }
    std::string error;
    Archive* archive = codex.LoadArchive(path, &error);
    if (!archive) {
      MessageBoxWindow::ShowError("%s is not an archive (%s).", Quoted(path.string()).c_str(),
                                  error.c_str());
      all = false;
      continue;
    }
    set.push_back(archive);
  }
  codex.SetWorkingSet(set);
  SaveCodexWorkingSet(codex);
  return all;
}

void AddArchivesCommand() {
  std::vector<ChosenFile> files;
  if (!ChooseOpenFiles("Select Archives", files, FileKindId::kArchive, nullptr)) return;
  std::vector<std::filesystem::path> paths;
  for (const ChosenFile& f : files) paths.emplace_back(f.path);
  AddArchives(ProgramCodex(), paths);
}

void ReloadLocalFolderCommand() {
  Codex& codex = ProgramCodex();
  RunGameLoad(GameLoad::Kind::kLocalFolder, codex.game_folder());
}

void ReloadPluginsFolderCommand() {
  Codex& codex = ProgramCodex();
  // The browser lists the archives about to go; it comes back once they are loaded again.
  ArchiveBrowser::CloseIfOpen();
  RunGameLoad(GameLoad::Kind::kPlugins, codex.game_folder());
  AfterGameLoad();
}

std::string GameFolderRefusal(const Codex& codex, const std::string& folder) {
  // Every attachment counts: an unsaved new tag has no copy yet, and a tag whose archive left
  // the working set has none in force, but their editors are open all the same.
  if (codex.AttachmentCount() != 0) return "Please close all open tags first.";
  if (!IsStorablePrefText(folder)) {
    return "The folder " + Quoted(folder) +
           " cannot be the Vorn folder: the preferences cannot keep a double quote or a "
           "control character, so it would be lost at the next start.";
  }
  return {};
}

bool ChangeGameFolder(const std::string& folder) {
  Codex& codex = ProgramCodex();
  if (std::string refusal = GameFolderRefusal(codex, folder); !refusal.empty()) {
    MessageBoxWindow::Show("Error", refusal.c_str(), {"OK"});
    return false;
  }
  SetPrefString("VornPath", folder);
  // The working set as it stands is what the next load looks for.
  SaveCodexWorkingSet(codex);
  ArchiveBrowser::CloseIfOpen();
  RunGameLoad(GameLoad::Kind::kGameFolder, folder);
  AfterGameLoad();
  return true;
}

void ChooseVornFolderCommand() {
  if (ProgramCodex().AttachmentCount() != 0) {
    MessageBoxWindow::Show("Error", "Please close all open tags first.", {"OK"});
    return;
  }
  std::string folder = ".";
  GetPrefString("VornPath", &folder);
  int32_t format = 0;
  if (!ChooseFolder("Select your Vorn folder", folder, format, FileKindId::kAny, nullptr)) return;
  ChangeGameFolder(folder);
}

int RunImageConversion(const std::filesystem::path& folder, int32_t format_index, int32_t mode) {
  static constexpr DataFile::FileFormat kTargets[] = {DataFile::kBmp, DataFile::kPng,
                                                      DataFile::kTiff};
  const DataFile::FileFormat target =
      kTargets[format_index >= 0 && format_index < 3 ? format_index : 0];
  FolderConversion run(
      folder, target,
      mode == 1 ? FolderConversion::Mode::kAlphaOnly : FolderConversion::Mode::kFull);
  Platform& platform = WM().GetPlatform();
  const FolderConversion::Failure failure = [](const std::filesystem::path& path,
                                               const std::string& why) {
    LogMessage(0, kConversionLog, "%s: %s\n", path.string().c_str(), why.c_str());
  };
  const ProgressWindow::Step step = [&](ProgressWindow& progress) {
    if (const std::filesystem::path next = run.Upcoming(); !next.empty()) {
      const std::string title = "Processing... " + next.string();
      platform.SetWindowTitle(title.c_str());
      progress.SetStatus(title);
    } else if (run.FileCount() == 0) {
      progress.SetStatus("Looking for images in " + folder.string());
    }
    const bool more = run.Next(nullptr, failure);
    const FolderConversion::Result& totals = run.Totals();
    progress.SetDetail(std::to_string(run.FilesDone()) + " of " + std::to_string(run.FileCount()) +
                       " files, " + std::to_string(totals.processed) + " written, " +
                       std::to_string(totals.failed) + " failed");
    progress.SetFraction(run.FileCount() ? static_cast<double>(run.FilesDone()) /
                                               static_cast<double>(run.FileCount())
                                         : 0.0);
    return more;
  };
  const bool completed = ProgressWindow::Run("Recursive Image Conversion", step, true);
  platform.SetWindowTitle("Zarv");
  const FolderConversion::Result& totals = run.Totals();
  const std::string text = std::to_string(totals.processed) + " files processed";
  MessageBoxWindow::Show(completed ? "Operation complete" : "Operation cancelled", text.c_str(),
                         {"OK"});
  if (totals.failed > 0) ShowLogViewer();
  return totals.processed;
}

void RecursiveImageConversionCommand() {
  std::vector<ChooserOption> options(1);
  options[0].label = "Mode:";
  options[0].options = {{"Full", 0}, {"Alpha Only", 1}};
  std::string folder;
  int32_t format = 0;
  if (!ChooseFolder("Choose a folder", folder, format, FileKindId::kImage, &options)) return;
  RunImageConversion(folder, format, options[0].Value());
}

void AboutCommand() {
  ZarvSplashScreen::Instance().ShowAbout();
}

void NewModelFromLwoCommand() {
  ChosenFile file;
  if (!ChooseOpenFile(nullptr, file, FileKindId::kModel, nullptr)) return;
  const std::filesystem::path path = file.path;
  CodexEntry* geometry = ImportModel(ProgramCodex(), path, path.stem().string());
  // Success or not, the import's lines say what happened.
  ShowLogViewer();
  if (geometry) TagEdit::OpenEditor(geometry);
}
