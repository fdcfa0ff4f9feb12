#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "structs/VornStructMember.h"

// short_enum and byte_enum: a value shown as the text of its entry.
class EnumMember : public VornStructMember {
 public:
  struct Entry {
    std::string text;
    int32_t value = 0;
  };

  // The base's attributes, then one entry per `member` child in document order; the first
  // child lacking `text` or `value` ends the list (false).
  bool ReadAttributes(const TiXmlElement& element, const MemberReadContext& context) override;
  // The entry shown for a stored value: the one with that value; for -1 without such an
  // entry, the one with value 0. -1 when none.
  int CurrentEntry(int64_t value) const;

  std::vector<Entry> entries;
};
