#pragma once
#include <string>

class ByteWriter;
class Collection;
struct TagHeader;

// Writes a Collection as collection tag data: header, colour table, hue changes, frame views,
// sequence directory and blocks, frame records, bitmap directory and blocks, in that order.
class CollectionWriter {
 public:
  // Normalises every bitmap's alpha and recomputes the hue masks and the view flags derived
  // from bitmaps, then appends the data to `out`. Fails, appending nothing, when the collection
  // cannot be written: loaded without its bitmaps, more items than 16-bit indices can address,
  // a sequence whose frames disagree with its view count, or a bitmap whose pixel buffer does
  // not match its size.
  [[nodiscard]] static bool Write(Collection& collection, ByteWriter& out, TagHeader& header,
                                  std::string& error);
};
