#pragma once
#include "tags/TagResource.h"
#include "tags/TagResourceManagerBase.h"

// The manager of one resource class T (a TagResource made from a Codex and an entry).
template <class T>
class TagResourceManager : public TagResourceManagerBase {
 public:
  using TagResourceManagerBase::TagResourceManagerBase;

  T* Acquire(CodexEntry* entry) { return static_cast<T*>(TagResourceManagerBase::Acquire(entry)); }
  T* Acquire(uint32_t group, uint32_t tag_id) {
    return static_cast<T*>(TagResourceManagerBase::Acquire(group, tag_id));
  }
  T* Create(uint32_t group, std::string_view name, uint32_t tag_id) {
    return static_cast<T*>(TagResourceManagerBase::Create(group, name, tag_id));
  }

 protected:
  TagResource* MakeResource(CodexEntry* entry) override { return new T(codex(), entry); }
};
