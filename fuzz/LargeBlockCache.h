#pragma once

// Under AddressSanitizer every allocation of 128 KiB or more is a fresh mmap, faulted in page by
// page and unmapped again when freed. A target whose inputs make a few such blocks each (the
// collection reader's 256 x 256 placeholders) spends most of its time in the kernel. Linking
// LargeBlockCache.cpp replaces operator new and delete for the whole target: large blocks freed
// while one input runs stay poisoned (any use of them is still reported) until the next input
// starts, and are then handed out again for allocations of the same size (a report about such a
// block names where it was first allocated). Small blocks, and every block in builds that are not
// libFuzzer builds, go straight to malloc and free; ASan's check that new pairs with delete is
// lost for the target.
namespace large_block_cache {

// Called first thing for each input: blocks freed by the previous inputs become reusable.
void NextInput();

}  // namespace large_block_cache
