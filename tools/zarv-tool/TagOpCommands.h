#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

// What every tag operation command takes: the game folder opened as `list` opens it, and the
// tag's group. Each runs one operation and prints the resulting tag; a refusal prints its
// reason on standard error, exits 1 and changes no file.
struct TagOpOptions {
  std::string game;
  std::vector<std::string> active;  // the working set; empty for the default one
  std::string group;
  bool json = false;
};

// `zarv-tool create`: a new tag and its first save (the bytes of --data, or none).
class CreateCommand {
 public:
  TagOpOptions options;
  std::string name;
  std::optional<std::string> id;
  std::optional<std::string> data;
  bool overwrite = false;

  int Run(std::ostream& out, std::ostream& err) const;
};

// `zarv-tool duplicate`, `copy-local` and `delete` (the local copy): one tag by group and id.
class TagCommand {
 public:
  enum class Op { kDuplicate, kCopyLocal, kDelete };
  explicit TagCommand(Op op) : op_(op) {}

  TagOpOptions options;
  std::string id;
  std::optional<std::string> name;  // duplicate only

  int Run(std::ostream& out, std::ostream& err) const;

 private:
  Op op_;
};

// `zarv-tool rename`: a new name and/or id, behind the checks the tag info window makes.
class RenameCommand {
 public:
  TagOpOptions options;
  std::string id;
  std::optional<std::string> new_name;
  std::optional<std::string> new_id;

  int Run(std::ostream& out, std::ostream& err) const;
};
