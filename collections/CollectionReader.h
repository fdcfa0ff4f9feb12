#pragma once
#include <cstdint>
#include <span>
#include <string>

class Collection;
struct TagHeader;

// Reads collection tag data into a Collection.
//
// Every count, offset, size and cross-reference in the data is checked before use; a
// collection whose structure does not hold together (arrays outside the data, record counts
// that disagree with sizes, sequences without views or frames, indices past the end of the
// arrays they name) is refused with a one-line reason. A single bitmap block that cannot be
// decoded is not: a checkerboard placeholder stands in for it, the reason goes to the
// "Collection" log, and the block's bytes are kept so that saving writes them back unchanged.
class CollectionReader {
 public:
  [[nodiscard]] static bool Read(std::span<const uint8_t> data, const TagHeader& header, bool full,
                                 Collection& out, std::string& error);
};
