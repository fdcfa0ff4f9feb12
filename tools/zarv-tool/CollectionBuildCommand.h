#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `collection build` and `collection up-res`: the editor's two build tools without their
// dialogs. Their log goes to standard output line for line as the editor's log viewer shows
// it; OUT is written only at the end, and left untouched when nothing could be built.
class CollectionBuildCommand {
 public:
  std::string folder;
  std::string tag_file;  // up-res only
  std::string output;
  std::string name;
  std::string id;
  std::string reg;  // "X,Y"
  bool invert_alphas = false;
  std::string order = "by-frame";
  double target_scale = 0;
  double tolerance = 0.05;
  bool align_individually = false;

  // 0 when every sequence folder was built (or every sequence found its renders), 1 when one
  // was skipped or nothing could be written, 2 for arguments it refuses.
  int RunBuild(std::ostream& out, std::ostream& err) const;
  int RunUpRes(std::ostream& out, std::ostream& err) const;
};

// build and up-res, under `collection`.
void AddCollectionBuildCommands(CLI::App& collection, ToolCommands& commands);
