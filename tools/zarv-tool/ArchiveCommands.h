#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

class Codex;

// Opens a game folder the way every command that takes --game does: its archives and local
// folder, then the archives named by --active as the working set (the default set without).
// False, with the reason on `err`, for a path that is not a folder or an --active name that
// fits no single archive.
bool OpenToolGame(const std::string& game, const std::vector<std::string>& active, Codex& codex,
                  std::ostream& err);

// `zarv-tool list`: the tags of a game folder in one of the archive browser's sets.
class ListCommand {
 public:
  std::string game;
  // "combined", "local", "foundation", or an archive's file name.
  std::string set = "combined";
  std::optional<std::string> group;
  // Archive file names making up the working set; empty means the default working set.
  std::vector<std::string> active;
  bool json = false;

  int Run(std::ostream& out, std::ostream& err) const;
};

// `zarv-tool archives`: every archive of a game folder's "tags" and "plugins" folders, in
// archive-list order once the default working set is applied.
class ArchivesCommand {
 public:
  std::string game;
  bool json = false;

  int Run(std::ostream& out, std::ostream& err) const;
};

// `zarv-tool pack`: writes loose tag files into one archive.
class PackCommand {
 public:
  std::string output;
  int64_t type = 0;
  int64_t order = 0;
  std::string name;
  std::string url;
  std::vector<std::string> files;

  int Run(std::ostream& out, std::ostream& err) const;
};

// `zarv-tool unpack`: writes every tag of an archive as a loose tag file under a folder.
class UnpackCommand {
 public:
  std::string archive;
  std::string destination;

  int Run(std::ostream& out, std::ostream& err) const;
};
