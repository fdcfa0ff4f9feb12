#include "tags/ResourceManager.h"

#include "tags/Resource.h"

ResourceManager::~ResourceManager() {
  // Destroying one may change the index the others are attached to, never this map.
  std::map<const void*, Resource*> left;
  left.swap(resources_);
  for (auto& [key, resource] : left) delete resource;
}

Resource* ResourceManager::Find(const void* key) const {
  auto it = resources_.find(key);
  return it == resources_.end() ? nullptr : it->second;
}

void ResourceManager::Insert(Resource* resource) {
  resources_.emplace(resource->key(), resource);
}

void ResourceManager::AddReference(Resource* resource) {
  ++resource->references_;
}

void ResourceManager::ReleaseResource(Resource* resource) {
  if (!resource) return;
  auto it = resources_.find(resource->key());
  if (it == resources_.end() || it->second != resource) return;
  if (resource->references_ > 0) --resource->references_;
  if (resource->references_ > 0) return;
  resources_.erase(it);
  delete resource;
}
