#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool mesh info` and `zarv-tool mesh export`: what a terrain mesh holds, and its
// terrain types as an image, a pixel per cell.
class MeshCommand {
 public:
  std::string tag_file;
  bool json = false;
  std::string image;  // export only

  // Exit status 0 on success, 1 when the mesh could not be read or the image not written.
  int RunInfo(std::ostream& out, std::ostream& err) const;
  int RunExport(std::ostream& out, std::ostream& err) const;
};
