#pragma once
#include <cstdint>

#include "base/CleanHeapObject.h"

// Base of every loaded, shared resource. A resource manager owns it and counts who uses it;
// the key is the object it was loaded for (for tags, the index entry).
class Resource : public CleanHeapObject<NilStruct> {
 public:
  explicit Resource(const void* key) : key_(key) {}
  virtual ~Resource() = default;
  Resource(const Resource&) = delete;
  Resource& operator=(const Resource&) = delete;

  virtual const char* GetClassName() const { return "Resource"; }

  const void* key() const { return key_; }
  uint32_t reference_count() const { return references_; }

 private:
  friend class ResourceManager;

  const void* key_ = nullptr;
  uint32_t references_ = 0;
  uint32_t reserved_ = 0;  // kept at 0
};
