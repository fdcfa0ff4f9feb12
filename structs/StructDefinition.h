#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "structs/StructMember.h"
#include "structs/StructProblem.h"
#include "tags/RecordDescriptor.h"

class StructRegistry;
class TiXmlElement;

// A record description read from a `struct` element: its members laid out one after another
// (no alignment; gaps are explicit padding), and the record descriptor that converts the
// record between file order and memory order. A definition that cannot be described (over
// 32,767 bytes, nested too deep, a substruct naming no earlier definition) is refused whole.
class StructDefinition {
 public:
  // The largest record a descriptor can size (its first word keeps 15 bits).
  static constexpr uint64_t kMaxSize = 0x7FFF;

  // Reads `element` (a `struct` with a `name`), looking nested definitions up in `registry`
  // (which holds only the definitions read before this one). Null when refused; the reason
  // goes to `problems` as an error at the element's line, warnings for skipped children too.
  static std::unique_ptr<StructDefinition> Read(const TiXmlElement& element,
                                                const StructRegistry& registry,
                                                const std::string& file,
                                                std::vector<StructProblem>* problems);

  const std::string& name() const { return name_; }
  const std::string& file() const { return file_; }
  int line() const { return line_; }
  uint32_t size() const { return size_; }
  // How many levels of substructs lie below this record (0 without any).
  int nesting() const { return nesting_; }
  std::span<const std::unique_ptr<StructMember>> members() const { return members_; }
  // First member with exactly this name; an empty name finds nothing.
  const StructMember* FindMember(std::string_view name) const;
  // True when `member` is one of this definition's own members.
  bool Contains(const StructMember* member) const;
  // The record descriptor: size, then per member with a non-zero count either (count, swap
  // code) or (count, 32, nested descriptor).
  const RecordDescriptor& descriptor() const { return *descriptor_; }

  // One record: `file` holds exactly size() bytes in file order; `memory` gets memory order
  // (padding zeroed). False, touching nothing, when a span's size is not size().
  bool ReadSwapped(std::span<const uint8_t> file, std::span<uint8_t> memory) const;
  // The reverse; `memory` is not changed.
  bool WriteSwapped(std::span<const uint8_t> memory, std::span<uint8_t> file) const;

 private:
  StructDefinition() = default;

  std::string name_;
  std::string file_;
  int line_ = 0;
  uint32_t size_ = 0;
  int nesting_ = 0;
  std::vector<std::unique_ptr<StructMember>> members_;
  std::optional<RecordDescriptor> descriptor_;
};
