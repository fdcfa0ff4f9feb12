#include "structs/StructProblem.h"

#include <utility>

std::string StructProblem::Describe() const {
  std::string out = file;
  if (line > 0) out += ":" + std::to_string(line);
  out += level == Level::kError ? ": error: " : ": warning: ";
  out += message;
  return out;
}

StructProblem StructProblem::Error(std::string file, int line, std::string message) {
  StructProblem problem;
  problem.file = std::move(file);
  problem.line = line;
  problem.level = Level::kError;
  problem.message = std::move(message);
  return problem;
}

StructProblem StructProblem::Warning(std::string file, int line, std::string message) {
  StructProblem problem = Error(std::move(file), line, std::move(message));
  problem.level = Level::kWarning;
  return problem;
}
