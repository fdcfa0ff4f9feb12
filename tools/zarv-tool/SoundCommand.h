#pragma once
#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

// `zarv-tool sound info` and `zarv-tool sound export`: the permutations of a sound tag, and
// their samples as WAV files. The tag is a loose tag file, or with a game folder the id of the
// sound tag in force there.
class SoundCommand {
 public:
  std::string game;  // empty: `tag` is a loose tag file
  std::string tag;
  std::string destination;
  std::vector<size_t> permutations;  // export: these, in this order; empty for all
  bool json = false;

  // Exit status 0 on success, 1 when the tag could not be read (export: or a permutation with
  // samples was not written), 2 for a game tag id that is not four characters.
  int RunInfo(std::ostream& out, std::ostream& err) const;
  int RunExport(std::ostream& out, std::ostream& err) const;
};
