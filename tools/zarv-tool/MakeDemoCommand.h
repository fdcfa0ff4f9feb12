#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool make-demo`: writes a small game folder to try the editor on: archives of several
// types in tags/ and plugins/, and loose tags in local/, some of them overriding archived ones.
class MakeDemoCommand {
 public:
  // Marks a folder as written by this command, which may then rewrite it.
  static constexpr const char* kMarker = ".zarv-demo";

  std::string folder;

  int Run(std::ostream& out, std::ostream& err) const;
};
