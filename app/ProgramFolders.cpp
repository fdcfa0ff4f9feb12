#include "app/ProgramFolders.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace {

// The XDG rule: a set, absolute value wins; otherwise HOME/fallback. Relative values are to be
// ignored, since they would depend on the folder the program was started from.
std::filesystem::path XdgFolder(const char* value, const char* home, const char* fallback) {
  if (value && value[0] == '/') return value;
  std::filesystem::path base = home && home[0] ? home : "/tmp";
  return base / fallback;
}

}  // namespace

ProgramFolders DecideProgramFolders(const std::filesystem::path& exe_folder,
                                    const char* xdg_config_home, const char* xdg_data_home,
                                    const char* home) {
  ProgramFolders folders;
  const std::filesystem::path beside = exe_folder / "res";
  std::error_code ec;
  if (std::filesystem::is_directory(beside, ec) && access(beside.c_str(), W_OK) == 0) {
    folders.resources = beside;
    folders.config = beside;
    folders.data = exe_folder;
    return folders;
  }
  folders.installed = true;
  folders.resources = exe_folder.parent_path() / "share" / "zarv";
  folders.config = XdgFolder(xdg_config_home, home, ".config") / "zarv";
  folders.data = XdgFolder(xdg_data_home, home, ".local/share") / "zarv";
  return folders;
}

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return {};
  return exe.parent_path();
}

const ProgramFolders& CurrentProgramFolders() {
  static const ProgramFolders folders =
      DecideProgramFolders(ExecutableFolder(), std::getenv("XDG_CONFIG_HOME"),
                           std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
  return folders;
}
