#pragma once
#include <string>

#include "structs/StructMember.h"

// Every member type but tag and the enumerations; the base of those two.
class VornStructMember : public StructMember {
 public:
  // Reads `name`, `lower_bound` and `runtime_count`.
  bool ReadAttributes(const TiXmlElement& element, const MemberReadContext& context) override;

  std::string lower_bound;    // empty: none
  std::string runtime_count;  // empty: none
};
