#pragma once
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool natural-sort`: the lines of the files (or of standard input) in the order the
// editor lists names in, stably; as they are, or as JSON with their input positions.
class NaturalSortCommand {
 public:
  std::vector<std::string> files;
  bool json = false;

  int Run(std::istream& in, std::ostream& out, std::ostream& err) const;
};
