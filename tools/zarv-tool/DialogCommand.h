#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool dialog dump` and `zarv-tool dialog load`: an interface dialog tag as the dialog
// editor's info list shows it (or as JSON), and such JSON written back as a dialog tag through
// the editor's writer.
class DialogCommand {
 public:
  std::string input;  // dump: a loose tag file; load: a JSON file
  std::string output;
  bool json = false;

  // 0 on success; 1 when the tag or the JSON cannot be read or holds what a dialog cannot
  // (nothing is written then).
  int RunDump(std::ostream& out, std::ostream& err) const;
  int RunLoad(std::ostream& out, std::ostream& err) const;
};
