#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool dtex info|decode|encode`: detail texture tags from and to image files, with the
// checks the editor's Import makes.
class DtexCommand {
 public:
  std::string input;
  std::string image;
  std::string output;
  std::string name;
  std::string mean_center;  // "", "rgb" or "luma"
  bool json = false;
  bool shift_half = false;
  bool checkerboard = false;

  int RunInfo(std::ostream& out, std::ostream& err) const;
  int RunDecode(std::ostream& out, std::ostream& err) const;
  int RunEncode(std::ostream& out, std::ostream& err) const;
};
