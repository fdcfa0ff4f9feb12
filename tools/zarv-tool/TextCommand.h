#pragma once
#include <istream>
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool text get` and `zarv-tool text set`: the text of a text-group tag (ditl, scri,
// stli, temp, text) as the text editor shows it, and a text stored as the editor saves it.
class TextCommand {
 public:
  std::string tag_file;
  std::string output;
  std::string from;  // set: the text's file; empty for standard input

  // 0 on success; 1 when the tag cannot be read, is of another group, or (set) the text holds
  // a character the 8-bit set lacks (nothing is written then).
  int RunGet(std::ostream& out, std::ostream& err) const;
  int RunSet(std::istream& in, std::ostream& out, std::ostream& err) const;
};
