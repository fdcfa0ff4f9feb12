#include "structs/StructMember.h"

#include <utility>

void MemberReadContext::Warn(int line, std::string message) const {
  if (problems == nullptr) return;
  problems->push_back(
      StructProblem::Warning(file != nullptr ? *file : std::string(), line, std::move(message)));
}
