#pragma once
#include <istream>
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool clipboard put-text|get-text|put-image FILE|get-image FILE`: the editor's X11
// clipboard without its window. Texts are UTF-8 and pass through the program's 8-bit character
// set, as they do in the editor. A put serves the clipboard until another program takes it.
class ClipboardCommand {
 public:
  // An owner that nobody replaces must not linger for ever.
  static constexpr double kServeSeconds = 60;

  std::string file;
  bool json = false;

  // Exit status 0 on success, 1 when nothing usable was there or the clipboard was refused.
  int RunPutText(std::istream& in, std::ostream& err) const;
  int RunGetText(std::ostream& out, std::ostream& err) const;
  int RunPutImage(std::ostream& err) const;
  int RunGetImage(std::ostream& out, std::ostream& err) const;
};
