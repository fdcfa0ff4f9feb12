#pragma once
#include <cstddef>
#include <memory>
#include <new>
#include <vector>

// Hands out blocks of one size from large chunks and keeps freed blocks for reuse. The index
// of every tag allocates one map node per tag, a hundred thousand or more at start-up; taking
// them from chunks saves the allocator's per-block cost in time and memory, and keeps
// neighbouring tags near each other. Blocks of any other size go to the global allocator.
class NodePool {
 public:
  NodePool() = default;
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;

  void* Allocate(size_t size);
  void Deallocate(void* block, size_t size);

 private:
  static constexpr size_t kBlocksPerChunk = 4096;
  size_t block_size_ = 0;  // set by the first allocation
  std::vector<std::unique_ptr<std::byte[]>> chunks_;
  size_t used_in_chunk_ = kBlocksPerChunk;
  void* free_ = nullptr;  // freed blocks, linked through their first bytes
};

// A standard allocator over a NodePool, for node-based containers. Copies share the pool.
template <typename T>
class NodePoolAllocator {
 public:
  using value_type = T;

  explicit NodePoolAllocator(NodePool* pool) : pool_(pool) {}
  template <typename U>
  NodePoolAllocator(const NodePoolAllocator<U>& other) : pool_(other.pool()) {}

  T* allocate(size_t n) {
    if (n == 1 && alignof(T) <= alignof(void*)) return static_cast<T*>(pool_->Allocate(sizeof(T)));
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) {
    if (n == 1 && alignof(T) <= alignof(void*)) {
      pool_->Deallocate(p, sizeof(T));
    } else {
      ::operator delete(p);
    }
  }
  NodePool* pool() const { return pool_; }

  template <typename U>
  bool operator==(const NodePoolAllocator<U>& other) const {
    return pool_ == other.pool();
  }

 private:
  NodePool* pool_;
};
