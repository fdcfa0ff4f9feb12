// The cursor pack reader: whatever it accepts writes back to the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "gui/CursorPack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<CursorPicture> pictures;
  std::string error;
  if (CursorPack::Read({data, size}, pictures, error)) {
    const std::vector<uint8_t> again = CursorPack::Write(pictures);
    Check(again.size() == size && std::equal(again.begin(), again.end(), data),
          "a cursor pack read and written again changed");
  }
  return 0;
}
