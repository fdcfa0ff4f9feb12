#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool collection info` and `zarv-tool collection export`: what a collection tag holds,
// and its bitmaps written out as image files.
class CollectionCommand {
 public:
  std::string tag_file;
  bool json = false;
  // Export only.
  std::string destination;
  std::string format = "png";
  bool by_name = false;
  bool alpha = false;
  std::string select;  // LIST: "0,3-5"; empty for every bitmap

  // Exit status 0 on success, 1 when the tag could not be read or a bitmap not exported.
  int RunInfo(std::ostream& out, std::ostream& err) const;
  int RunExport(std::ostream& out, std::ostream& err) const;
};
