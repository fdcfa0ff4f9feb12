#include "fuzz/LargeBlockCache.h"

#if defined(ZARV_LIBFUZZER) && defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZARV_LARGE_BLOCK_CACHE 1
#endif
#endif

#ifndef ZARV_LARGE_BLOCK_CACHE

namespace large_block_cache {
void NextInput() {}
}  // namespace large_block_cache

#else

#include <sanitizer/allocator_interface.h>
#include <sanitizer/asan_interface.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

// ASan's own allocator serves blocks below 128 KiB from size classes that it reuses; at and
// above that every block is mapped afresh. A little below keeps blocks with their redzones near
// that edge in the cache as well.
constexpr size_t kMinSize = size_t{96} << 10;
constexpr size_t kMaxBytes = size_t{64} << 20;
constexpr int kSlots = 256;

struct Block {
  void* pointer;
  size_t size;
};

// Freed while the current input ran: poisoned, not yet handed out again, so a use after free
// within one input is still reported.
Block pending[kSlots];
int pending_count = 0;
// Freed by earlier inputs, which have ended and can hold no pointer into them.
Block ready[kSlots];
int ready_count = 0;
size_t cached_bytes = 0;
std::atomic_flag busy = ATOMIC_FLAG_INIT;

class Lock {
 public:
  Lock() {
    while (busy.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~Lock() { busy.clear(std::memory_order_release); }
};

void* Allocate(size_t size, bool nothrow) {
  if (size >= kMinSize) {
    Lock lock;
    for (int i = ready_count - 1; i >= 0; --i) {
      if (ready[i].size != size) continue;
      void* pointer = ready[i].pointer;
      ready[i] = ready[--ready_count];
      cached_bytes -= size;
      __asan_unpoison_memory_region(pointer, size);
      return pointer;
    }
  }
  void* pointer = std::malloc(size == 0 ? 1 : size);
  if (!pointer && !nothrow) throw std::bad_alloc();
  return pointer;
}

void Release(void* pointer) {
  if (!pointer) return;
  const size_t size = __sanitizer_get_allocated_size(pointer);
  if (size >= kMinSize) {
    Lock lock;
    if (pending_count < kSlots && cached_bytes + size <= kMaxBytes) {
      __asan_poison_memory_region(pointer, size);
      pending[pending_count++] = {pointer, size};
      cached_bytes += size;
      return;
    }
  }
  std::free(pointer);
}

}  // namespace

namespace large_block_cache {

void NextInput() {
  Lock lock;
  for (int i = 0; i < pending_count; ++i) {
    if (ready_count == kSlots) {
      // The oldest ready block makes room; it goes back to the allocator for good.
      __asan_unpoison_memory_region(ready[0].pointer, ready[0].size);
      cached_bytes -= ready[0].size;
      std::free(ready[0].pointer);
      ready[0] = ready[--ready_count];
    }
    ready[ready_count++] = pending[i];
  }
  pending_count = 0;
}

}  // namespace large_block_cache

// Every replaceable form, so that none of ASan's own operators is linked beside these (it would
// free a cached block that is still poisoned). Aligned forms are rare and not cached.
void* operator new(size_t size) {
  return Allocate(size, false);
}
void* operator new[](size_t size) {
  return Allocate(size, false);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, true);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, true);
}
void operator delete(void* pointer) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer) noexcept {
  Release(pointer);
}
void operator delete(void* pointer, size_t) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, size_t) noexcept {
  Release(pointer);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
  Release(pointer);
}

namespace {
void* AllocateAligned(size_t size, std::align_val_t align, bool nothrow) {
  const size_t alignment = static_cast<size_t>(align);
  const size_t rounded = (size + alignment - 1) / alignment * alignment;
  void* pointer = std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
  if (!pointer && !nothrow) throw std::bad_alloc();
  return pointer;
}
}  // namespace

void* operator new(size_t size, std::align_val_t align) {
  return AllocateAligned(size, align, false);
}
void* operator new[](size_t size, std::align_val_t align) {
  return AllocateAligned(size, align, false);
}
void* operator new(size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, align, true);
}
void* operator new[](size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, align, true);
}
void operator delete(void* pointer, std::align_val_t) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, std::align_val_t) noexcept {
  Release(pointer);
}
void operator delete(void* pointer, size_t, std::align_val_t) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, size_t, std::align_val_t) noexcept {
  Release(pointer);
}
void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
  Release(pointer);
}

#endif
