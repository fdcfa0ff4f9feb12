#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool info`: prints the header of each loose tag file, as text or as a JSON array.
class InfoCommand {
 public:
  std::vector<std::string> files;
  bool json = false;

  // Reports each unreadable file as one line on `err` and carries on with the rest; returns
  // the exit code (0 when every file was read, 1 otherwise).
  int Run(std::ostream& out, std::ostream& err) const;
};
