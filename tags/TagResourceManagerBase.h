#pragma once
#include <cstdint>
#include <string_view>

#include "tags/ResourceManager.h"

class Codex;
class CodexEntry;
class TagResource;

// Shares the loaded forms of tags, one per index entry. Every Acquire or Create that returns a
// resource must be matched by one Release.
class TagResourceManagerBase : public ResourceManager {
 public:
  explicit TagResourceManagerBase(Codex& codex) : codex_(codex) {}

  // The resource held for the entry, or a new one loaded from it; none for no entry or when
  // the load fails (the failed resource never leaves this call).
  TagResource* Acquire(CodexEntry* entry);
  // None for tag id 0xFFFFFFFF and for a tag without a copy in force.
  TagResource* Acquire(uint32_t group, uint32_t tag_id);
  // A new tag (nothing on disk until its first save) filled with its defaults; none when the
  // tag cannot be created or filled, leaving no entry behind.
  TagResource* Create(uint32_t group, std::string_view name, uint32_t tag_id);
  void Release(TagResource* resource);

  Codex& codex() const { return codex_; }

 protected:
  // A new, unloaded resource of the manager's class for the entry.
  virtual TagResource* MakeResource(CodexEntry* entry) = 0;

 private:
  Codex& codex_;
};
