#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool dmap info`: the slots of a detail map and how often each value occurs.
class DmapCommand {
 public:
  std::string tag_file;
  bool json = false;

  // Exit status 0 on success, 1 when the detail map could not be read.
  int RunInfo(std::ostream& out, std::ostream& err) const;
};
