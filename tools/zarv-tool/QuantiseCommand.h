#pragma once
#include <cstdint>
#include <ostream>
#include <string>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool quantise IN OUT [--colors N]`: any image the program reads, reduced to an indexed
// image of at most N colours with the same quantiser and error diffusion every true-colour
// import uses, written in the format of OUT's extension.
class QuantiseCommand {
 public:
  std::string input;
  std::string output;
  uint32_t colors = 256;

  // 0 when written, 1 when the input could not be read or the output not written.
  int Run(std::ostream& out, std::ostream& err) const;
};
