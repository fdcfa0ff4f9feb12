// Fuzz target for the clipboard's bitmap reader. Besides not crashing: what reads must be backed
// by the bytes given, and must write and read back to the same pixels.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/ClipboardBmp.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> rgb;
  int32_t width = 0, height = 0;
  std::string error;
  if (!ClipboardBmp::Decode(std::span<const uint8_t>(data, size), rgb, width, height, error)) {
    Check(!error.empty(), "bitmap refused without a reason");
    return 0;
  }
  Check(width > 0 && height > 0, "an empty bitmap was taken");
  Check(uint64_t(width) * uint64_t(height) * 3 == rgb.size(), "pixel count differs from the size");
  Check(rgb.size() <= size, "more pixels than the data has bytes");
  const std::vector<uint8_t> written = ClipboardBmp::Encode(rgb.data(), width, height);
  std::vector<uint8_t> back;
  int32_t back_width = 0, back_height = 0;
  Check(ClipboardBmp::Decode(written, back, back_width, back_height, error),
        "a written bitmap does not read");
  Check(back_width == width && back_height == height && back == rgb,
        "pixels changed in a write and read");
  return 0;
}
