// Fuzz target for the detail map reader. The first byte picks the version (odd 1, even 2), the
// rest is the tag data. A map that reads has arrays of its dimensions, never larger than the
// data can describe, and writes and reads back to the same map and the same bytes.

#include <cstdint>
#include <span>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "tags/TagHeader.h"
#include "terrain/DetailMap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TagHeader header;
  header.version = (data[0] & 1) ? 1 : 2;
  const std::span<const uint8_t> bytes(data + 1, size - 1);
  DetailMap map;
  std::string error;
  if (!DetailMap::Read(bytes, header, map, error)) {
    Check(!error.empty(), "a map refused without a message");
    Check(map.vertex.empty() && map.width == 0, "a refused map changed the output");
    return 0;
  }
  const uint64_t count = uint64_t{map.width} * map.height;
  Check(map.vertex.size() == count && map.triangle.size() == count * 2,
        "arrays differ from the dimensions");
  // Two bytes of runs stand for at most 256 values.
  Check(count <= uint64_t{bytes.size()} * 128, "more values than the data can describe");
  for (const DetailSlot& slot : map.slots)
    Check(slot.name.back() == '\0', "a name fills its field");

  TagHeader written_header = header;
  const std::vector<uint8_t> written = map.Write(written_header);
  Check(written_header.version == 2, "a map written as another version than 2");
  DetailMap back;
  Check(DetailMap::Read(written, written_header, back, error), "a written map does not read");
  Check(back.width == map.width && back.height == map.height && back.slots == map.slots &&
            back.vertex == map.vertex && back.triangle == map.triangle,
        "a map changed in a write and read");
  Check(back.Write(written_header) == written, "a map writes different bytes the second time");
  return 0;
}
