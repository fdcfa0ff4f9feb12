#include "app/FirstStart.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <string>
#include <system_error>

#include "app/ProgramFolders.h"
#include "app/ShellCommands.h"
#include "base/MessageLog.h"
#include "gui/MessageBoxWindow.h"

extern char** environ;

namespace {

// The demo is written by the same code as `zarv-tool make-demo`, run as the installed
// zarv-tool, so the editor carries no second copy of the demo's writers.
bool WriteDemoGame(const std::filesystem::path& folder, std::string& why) {
  std::error_code ec;
  std::filesystem::create_directories(folder.parent_path(), ec);
  if (ec) {
    why = "the folder " + folder.parent_path().string() + " cannot be made: " + ec.message();
    return false;
  }
  const std::string tool = (ExecutableFolder() / "zarv-tool").string();
  const std::string target = folder.string();
  char make_demo[] = "make-demo";
  char* argv[] = {const_cast<char*>(tool.c_str()), make_demo, const_cast<char*>(target.c_str()),
                  nullptr};
  pid_t pid = 0;
  if (const int error = posix_spawn(&pid, tool.c_str(), nullptr, nullptr, argv, environ);
      error != 0) {
    why = tool + " cannot be started: " + std::strerror(error);
    return false;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    why = "zarv-tool make-demo " + target + " failed";
    return false;
  }
  return true;
}

}  // namespace

bool IsGameFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  return std::filesystem::is_directory(folder / "tags", ec) ||
         std::filesystem::is_directory(folder / "local", ec);
}

void OfferFirstStart(const std::filesystem::path& demo_folder) {
  const int32_t choice = MessageBoxWindow::Show(
      "Welcome to Zarv",
      "No Vorn game folder was found. Choose the folder Vorn is installed in, or open a small "
      "demo game to try the editors on.",
      {"Choose Vorn Folder", "Open Demo Game"});
  if (choice == 0) {
    ChooseVornFolderCommand();
  } else if (choice == 1) {
    std::string why;
    if (!WriteDemoGame(demo_folder, why)) {
      LogMessage(0, "Zarv", "The demo game could not be written: %s\n", why.c_str());
      MessageBoxWindow::ShowError("The demo game could not be written: %s", why.c_str());
      return;
    }
    ChangeGameFolder(demo_folder.string());
  }
}
