#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool lwo info`: what a LightWave object holds and what the model import would take
// from it.
class LwoCommand {
 public:
  std::string object_file;
  bool json = false;

  // Exit status 0 on success, 1 when the object could not be read.
  int RunInfo(std::ostream& out, std::ostream& err) const;
};
