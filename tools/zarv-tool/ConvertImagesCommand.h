#pragma once
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool convert-images DIR --to bmp|png|tiff [--alpha-only]`: converts every image file
// under DIR to the target format beside its source, with a progress line per file.
class ConvertImagesCommand {
 public:
  std::string folder;
  std::string to;
  bool alphaOnly = false;

  // Exit status 0 when every image was converted, 1 when some failed or DIR is no folder.
  int Run(std::ostream& out, std::ostream& err) const;
};
