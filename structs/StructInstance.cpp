#include "structs/StructInstance.h"

#include <algorithm>

#include "structs/StructDefinition.h"
#include "structs/StructMember.h"

StructInstance::StructInstance(const StructDefinition& definition)
    : definition_(&definition), owned_(definition.size(), 0) {
  data_ = owned_.data();
  size_ = owned_.size();
}

StructInstance::StructInstance(StructInstance& parent, const StructMember& member, uint32_t index)
    : definition_(member.nested != nullptr ? member.nested : &parent.definition()),
      enclosing_(&parent) {
  const uint64_t size = definition_->size();
  const uint64_t at = uint64_t{member.offset} + uint64_t{index} * size;
  const bool fits = member.nested != nullptr && parent.definition().Contains(&member) &&
                    index < member.count && at + size <= parent.size_;
  if (fits) {
    data_ = parent.data_ + at;
    size_ = static_cast<size_t>(size);
  } else {
    // A caller's mistake; a detached zero record keeps every later access in bounds.
    owned_.assign(static_cast<size_t>(size), 0);
    data_ = owned_.data();
    size_ = owned_.size();
  }
}

bool StructInstance::ReadSwapped(std::span<const uint8_t> file) {
  return definition_->ReadSwapped(file, bytes());
}

std::vector<uint8_t> StructInstance::WriteSwapped() const {
  std::vector<uint8_t> file(size_, 0);
  if (!definition_->WriteSwapped(bytes(), file)) std::fill(file.begin(), file.end(), 0);
  return file;
}

std::vector<uint8_t> StructInstance::Snapshot() const {
  return std::vector<uint8_t>(data_, data_ + size_);
}

void StructInstance::Restore(std::span<const uint8_t> snapshot) {
  if (snapshot.size() == size_) std::copy(snapshot.begin(), snapshot.end(), data_);
}
