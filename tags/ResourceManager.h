#pragma once
#include <cstddef>
#include <map>

class Resource;

// Shares resources by key and counts their users; a resource goes when its last user releases
// it. Whatever is still held when the manager goes is destroyed with it.
class ResourceManager {
 public:
  ResourceManager() = default;
  virtual ~ResourceManager();
  ResourceManager(const ResourceManager&) = delete;
  ResourceManager& operator=(const ResourceManager&) = delete;

  Resource* Find(const void* key) const;
  size_t size() const { return resources_.size(); }

 protected:
  // Takes ownership; the resource's key must not be in the map yet.
  void Insert(Resource* resource);
  static void AddReference(Resource* resource);
  // One user fewer; at none the resource leaves the map and is destroyed. A resource this
  // manager does not hold is left alone.
  void ReleaseResource(Resource* resource);

 private:
  std::map<const void*, Resource*> resources_;
};
