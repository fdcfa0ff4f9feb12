// Fuzz target for the colour table (.act) reader: a table that reads must have at most 256
// colours with the rest zero, and must encode and parse back to the same table.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "collections/ColorTableFile.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ColorTableFile::Palette palette;
  uint32_t count = 0;
  std::string error;
  if (!ColorTableFile::Parse(std::span<const uint8_t>(data, size), palette, count, error)) {
    Check(size < 768 && !error.empty(), "a full table refused, or refused without a message");
    return 0;
  }
  Check(count <= 256, "more than 256 colours");
  for (size_t i = count * 3; i < palette.size(); ++i) Check(palette[i] == 0, "unused entry kept");
  ColorTableFile::Palette back;
  uint32_t back_count = 0;
  Check(ColorTableFile::Parse(ColorTableFile::Encode(palette, count), back, back_count, error),
        "an encoded table does not parse");
  Check(back == palette && back_count == count, "table changed in an encode and parse");
  return 0;
}
