#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool struct check`, `struct dump` and `struct set`: record descriptions read from a
// folder as the editor reads its res folder, checked, and used to show and script the records
// of loose tags.
class StructCommand {
 public:
  std::string defs;  // the folder of descriptions
  bool json = false;
  // dump and set.
  std::string tag_file;
  bool paths = false;
  bool raw = false;
  // set.
  std::string output;
  std::string from;
  std::vector<std::string> assignments;  // PATH=TEXT

  // Every exit status: 0 done, 1 refused with a message on `err` (set then writes nothing).
  int RunCheck(std::ostream& out, std::ostream& err) const;
  int RunDump(std::ostream& out, std::ostream& err) const;
  int RunSet(std::ostream& out, std::ostream& err) const;
};
