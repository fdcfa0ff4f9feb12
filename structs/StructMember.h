#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/CleanHeapObject.h"
#include "structs/StructMemberType.h"
#include "structs/StructProblem.h"

class StructDefinition;
class TiXmlElement;

// Problems found while reading a member's attributes go here, with the element's line.
struct MemberReadContext {
  const std::string* file = nullptr;
  std::vector<StructProblem>* problems = nullptr;  // may be null

  // Adds a warning at `line` of the file (nothing when there is nowhere to put it).
  void Warn(int line, std::string message) const;
};

// One member of a record description: a run of `count` equal elements of `width` bytes at
// `offset`. Members are made by the factory in StructDefinition and never change afterwards.
class StructMember : public CleanHeapObject<NilStruct> {
 public:
  virtual ~StructMember() = default;
  // Reads the element's attributes (and children); false when one is unusable. The member is
  // kept either way, as written.
  virtual bool ReadAttributes(const TiXmlElement& element, const MemberReadContext& context) = 0;

  std::string name;  // may be empty: such a member is no target and no reference
  uint32_t offset = 0;
  uint32_t width = 0;
  uint32_t count = 0;
  const StructDefinition* nested = nullptr;  // substruct only
  uint16_t swap_code = 0;                    // element type word; unused for substruct
  MemberType type = MemberType::kPadding;
  int line = 0;  // of its element, for messages

  uint64_t byte_size() const { return uint64_t{width} * count; }
};
