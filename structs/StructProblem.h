#pragma once
#include <string>

// One thing wrong with the record descriptions, where it is. Errors cost the file or the
// definition (it adds nothing); warnings name what was skipped or will not work as written.
struct StructProblem {
  enum class Level { kError, kWarning };
  std::string file;  // as the walk names it, relative to the folder read
  int line = 0;      // 1-based; 0 when the problem has no line
  int column = 0;    // 1-based for XML errors, else 0
  Level level = Level::kWarning;
  std::string message;

  // "FILE:LINE: error: text" (the line left out when there is none), as compilers write it, so
  // editors and scripts can jump to the place.
  std::string Describe() const;
  static StructProblem Error(std::string file, int line, std::string message);
  static StructProblem Warning(std::string file, int line, std::string message);
};
