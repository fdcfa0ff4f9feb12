#pragma once
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tools/zarv-tool/ToolCommand.h"

class CollectionFile;

// `zarv-tool collection edit TAGFILE -o OUT [--select LIST] OP...`: the bitmap pages' and the
// optimisation page's operations, applied in the order the command line gives them, and
// `collection runtime-size`.
class CollectionEditCommand {
 public:
  // One operation and its value ("" for the flags).
  using Op = std::pair<std::string, std::string>;

  std::string tag_file;
  std::string output;
  std::string select;
  std::vector<Op> ops;
  // What the parser stores the operations' values in; `ops` is made from the parse order.
  std::vector<std::string> collected;

  // Exit status 0 when every operation ran, 1 when one failed (nothing is written then).
  int RunEdit(std::ostream& out, std::ostream& err) const;
  int RunRuntimeSize(std::ostream& out, std::ostream& err) const;

 private:
  bool Apply(CollectionFile& file, const Op& op, std::vector<int>& selection, std::ostream& out,
             std::ostream& err) const;
};
