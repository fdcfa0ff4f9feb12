#pragma once
#include <cstdint>
#include <span>
#include <string>

class Collection;
struct TagHeader;

// Reads collection tag data into a Collection.
//
// Every count, offset and size in the data is checked before use; a collection whose structure
// does not hold together (arrays or blocks outside the data, a block too short for what its
// header states) is refused with a one-line reason. Faults confined to one item are not:
// a bitmap block that cannot be decoded gets a checkerboard placeholder (its bytes are kept so
// that saving writes them back unchanged), and a sequence cell whose index lies past the frame
// views, frame records or bitmaps is left empty; the reason goes to the "Collection" log.
//
// What a file may make the reader allocate is capped, since directory entries may share one small
// block: past a cap the load fails with a reason. The defaults lie far beyond any collection of
// the game; the fuzz target lowers them so that its inputs stay cheap.
struct CollectionLimits {
  uint64_t decoded_bytes = uint64_t{512} << 20;  // pixels of all bitmaps together
  uint64_t sequence_views = uint64_t{1} << 20;   // frame views of all sequences together
};

class CollectionReader {
 public:
  [[nodiscard]] static bool Read(std::span<const uint8_t> data, const TagHeader& header, bool full,
                                 Collection& out, std::string& error,
                                 const CollectionLimits& limits = {});
};
