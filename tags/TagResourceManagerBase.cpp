#include "tags/TagResourceManagerBase.h"

#include "tags/Codex.h"
#include "tags/TagCode.h"
#include "tags/TagOperations.h"
#include "tags/TagResource.h"

TagResource* TagResourceManagerBase::Acquire(CodexEntry* entry) {
  if (!entry) return nullptr;
  auto* resource = static_cast<TagResource*>(Find(entry));
  if (!resource) {
    resource = MakeResource(entry);
    if (!resource) return nullptr;
    if (!resource->Load()) {
      delete resource;
      return nullptr;
    }
    Insert(resource);
  }
  AddReference(resource);
  return resource;
}

TagResource* TagResourceManagerBase::Acquire(uint32_t group, uint32_t tag_id) {
  if (tag_id == tagcode::kNone) return nullptr;
  return Acquire(codex_.Find(group, tag_id));
}

TagResource* TagResourceManagerBase::Create(uint32_t group, std::string_view name,
                                            uint32_t tag_id) {
  tagops::CreatedTag created = tagops::CreateTag(codex_, group, tag_id, name, false);
  if (!created.entry) return nullptr;
  TagResource* resource = MakeResource(created.entry);
  if (!resource) {
    codex_.ForgetIfUnused(created.entry);
    return nullptr;
  }
  resource->set_header(created.header);
  if (!resource->InitNew()) {
    // Its detaching drops the entry nobody else took.
    delete resource;
    return nullptr;
  }
  Insert(resource);
  AddReference(resource);
  return resource;
}

void TagResourceManagerBase::Release(TagResource* resource) {
  ReleaseResource(resource);
}
