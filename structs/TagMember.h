#pragma once
#include <cstdint>

#include "structs/VornStructMember.h"

// A 32-bit tag id of one group; 0xFFFFFFFF stores "no tag".
class TagMember : public VornStructMember {
 public:
  static constexpr uint32_t kNoGroup = 0xFFFFFFFF;
  static constexpr uint32_t kNoTag = 0xFFFFFFFF;

  // The base's attributes, then `group`: false (group stays kNoGroup) unless it is exactly
  // four characters.
  bool ReadAttributes(const TiXmlElement& element, const MemberReadContext& context) override;

  uint32_t group = kNoGroup;  // packed most significant byte first
};
