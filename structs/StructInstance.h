#pragma once
#include <cstdint>
#include <span>
#include <vector>

class StructDefinition;
class StructMember;

// A record of one definition in memory order: either an owned zero-filled buffer of exactly
// the definition's size, or a view of one element of a substruct member inside another
// instance, which then encloses it. Member names resolve along the chain of enclosing
// instances (see MemberValue.h).
class StructInstance {
 public:
  explicit StructInstance(const StructDefinition& definition);
  // Element `index` of substruct `member` of `parent` (parent data + offset + index × nested
  // size). `member` must be a substruct of parent's definition and `index` below its count.
  StructInstance(StructInstance& parent, const StructMember& member, uint32_t index);
  StructInstance(const StructInstance&) = delete;
  StructInstance& operator=(const StructInstance&) = delete;

  const StructDefinition& definition() const { return *definition_; }
  StructInstance* enclosing() const { return enclosing_; }
  std::span<uint8_t> bytes() { return {data_, size_}; }
  std::span<const uint8_t> bytes() const { return {data_, size_}; }

  // Tag data (file order, exactly the definition's size) into this record; false, touching
  // nothing, for any other size.
  bool ReadSwapped(std::span<const uint8_t> file);
  // The record in file order; padding comes out as zeros.
  std::vector<uint8_t> WriteSwapped() const;
  // Copies of the bytes, for a nested editor's backup and its restore on Cancel.
  std::vector<uint8_t> Snapshot() const;
  void Restore(std::span<const uint8_t> snapshot);

 private:
  const StructDefinition* definition_;
  StructInstance* enclosing_ = nullptr;
  std::vector<uint8_t> owned_;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};
