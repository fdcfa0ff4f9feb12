#pragma once
#include <filesystem>
#include <string>

// Where the program's files are. A build folder keeps everything in the writable res/ beside
// the executable, as it always has. An installed program reads its resources from the install's
// share/zarv/ and keeps what it writes at run time (prefs.txt, the edited dtex.act, the user's
// record descriptions in structs/) in $XDG_CONFIG_HOME/zarv/, and the demo game in
// $XDG_DATA_HOME/zarv/: the places the desktop expects, not options.
struct ProgramFolders {
  bool installed = false;
  std::filesystem::path resources;  // read-only: font, texture pack, splash, cursors, structs/
  std::filesystem::path config;     // written at run time; equal to resources in a build folder
  std::filesystem::path data;       // the demo game's parent folder
};

// The one rule. `exe_folder` is the running executable's folder; the XDG values and HOME are
// the environment's (null or empty when unset). Never touches the disk except to ask whether
// res/ beside the executable is a writable folder.
ProgramFolders DecideProgramFolders(const std::filesystem::path& exe_folder,
                                    const char* xdg_config_home, const char* xdg_data_home,
                                    const char* home);

// The running executable's folder, empty when it cannot be found.
std::filesystem::path ExecutableFolder();

// The folders of this run, decided once by the first call.
const ProgramFolders& CurrentProgramFolders();
