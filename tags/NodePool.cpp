#include "tags/NodePool.h"

#include <algorithm>

void* NodePool::Allocate(size_t size) {
  // Blocks are aligned like pointers; the allocator sends types that need more elsewhere.
  if (block_size_ == 0) {
    block_size_ = (std::max(size, sizeof(void*)) + alignof(void*) - 1) & ~(alignof(void*) - 1);
  }
  if (size > block_size_) return ::operator new(size);
  if (free_) {
    void* block = free_;
    free_ = *static_cast<void**>(block);
    return block;
  }
  if (used_in_chunk_ == kBlocksPerChunk) {
    chunks_.emplace_back(new std::byte[block_size_ * kBlocksPerChunk]);
    used_in_chunk_ = 0;
  }
  return chunks_.back().get() + block_size_ * used_in_chunk_++;
}

void NodePool::Deallocate(void* block, size_t size) {
  if (size > block_size_) {
    ::operator delete(block);
    return;
  }
  *static_cast<void**>(block) = free_;
  free_ = block;
}
